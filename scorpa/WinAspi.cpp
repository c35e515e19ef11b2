#include "WinAspi.h"

#include "platform/Clock.h"
#include "platform/CallingConvention.h"
#include "platform/DynamicLibrary.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

static_assert(platform::kIsCdecl<SendASPI32CommandFn>);
static_assert(platform::kIsCdecl<GetASPI32SupportInfoFn>);

namespace scorpa {
namespace {

// One request block with the data buffer the layer is given. Both stay
// alive until the layer has finished with them.
struct Request {
    alignas(8) std::array<std::uint8_t, 128> block {};
    std::vector<std::uint8_t> data;
};
static_assert(sizeof(SRB_ExecSCSICmd) <= 128 && sizeof(SRB_HAInquiry) + 1 <= 128);

struct Module {
    std::optional<platform::DynamicLibrary> library;
    bool loaded = false;
    SendASPI32CommandFn send = nullptr;
    TAspiLastStatus last;
    // Timed-out requests the layer may still complete.
    std::vector<std::unique_ptr<Request>> held;
    // Requests a layer still had pending when it was let go.
    std::vector<std::unique_ptr<Request>> abandoned;
    // The loaded layer was left holding a request at least once.
    bool gaveUp = false;
    // Layers that were left holding requests: never unloaded (see
    // ASPI_FreeModule).
    std::vector<platform::DynamicLibrary> pinned;
    std::uint32_t timeOut = TIME_OUT;
    std::string loadError;
};

Module& M()
{
    // Never destroyed: the library's exit code runs after the static
    // destructors at process exit, and still needs it.
    static Module* m = new Module;
    return *m;
}

std::uint8_t StatusOf(const Request& r)
{
    // Written by the layer while we poll: read afresh every time.
    return std::atomic_ref<std::uint8_t>(const_cast<std::uint8_t&>(r.block[1])).load(std::memory_order_acquire);
}

void ReclaimFinished()
{
    auto& held = M().held;
    held.erase(std::remove_if(held.begin(), held.end(), [](const auto& r) { return StatusOf(*r) != SS_PENDING; }),
               held.end());
}

// Sends a request and waits for it. A request still pending afterwards is
// asked to abort; if it is pending even then, it is kept, not freed (req
// is then empty).
std::uint8_t Run(std::unique_ptr<Request>& req)
{
    Module& m = M();
    ReclaimFinished();
    const std::uint32_t r = m.send(req->block.data());
    m.last.Result = r;
    std::uint8_t status = StatusOf(*req);
    if (((r >> 8) & 0xFF) == 0) status = SCSI_WaitForResponse(req->block.data());
    if (status == SS_PENDING) {
        SRB_Abort abort {};
        abort.SRB_Cmd = SC_ABORT_SRB;
        abort.SRB_HaId = req->block[2];
        abort.SRB_ToAbort = req->block.data();
        m.send(&abort);
        if (StatusOf(*req) == SS_PENDING) {
            m.held.push_back(std::move(req));
            m.gaveUp = true;
            return SS_PENDING;
        }
        // Aborted now, but the command still timed out.
        status = SS_PENDING;
    }
    return status;
}

} // namespace

bool ASPI_LoadModule(std::string_view file)
{
    Module& m = M();
    if (m.loaded) return false;
    m.gaveUp = false;
    m.loadError.clear();
    m.library = platform::DynamicLibrary::Load(file, &m.loadError);
    if (m.library) {
        m.send = m.library->Function<SendASPI32CommandFn>("SendASPI32Command");
        m.loaded = m.send != nullptr;
        if (!m.loaded) {
            m.loadError = m.library->Path() + " has no entry point SendASPI32Command";
            m.library.reset();
        }
    } else if (m.loadError.empty()) {
        m.loadError = platform::LibraryFileName(file) + " cannot be loaded";
    }
    return m.loaded;
}

void ASPI_FreeModule()
{
    Module& m = M();
    m.send = nullptr;
    m.loaded = false;
    if (m.library) {
        // A layer we walked away from may finish that request later, on a
        // thread of its own, running its own code: unmapping it would pull
        // that code from under the thread. Such a layer stays loaded for
        // the rest of the process; only one that never held a request past
        // its time is unloaded.
        if (m.gaveUp) m.pinned.push_back(std::move(*m.library));
        m.library.reset();
    }
    m.gaveUp = false;
    ReclaimFinished();
    // What is still pending now may yet be written by the layer: its memory
    // is never handed back.
    for (auto& r : m.held) m.abandoned.push_back(std::move(r));
    m.held.clear();
}

bool ASPI_IsLoaded() { return M().send != nullptr; }

const std::string& ASPI_LoadError() { return M().loadError; }

void ASPI_UseEntryPoint(SendASPI32CommandFn fn)
{
    ASPI_FreeModule();
    M().send = fn;
    M().loaded = fn != nullptr;
}

void ASPI_UseTimeOut(std::uint32_t ms) { M().timeOut = ms ? ms : TIME_OUT; }

const TAspiLastStatus& ASPI_LastStatus() { return M().last; }

int ASPI_HeldRequests()
{
    ReclaimFinished();
    return static_cast<int>(M().held.size());
}

std::uint8_t SCSI_WaitForResponse(void* pSRB)
{
    auto* status = static_cast<std::uint8_t*>(pSRB) + 1;
    const std::uint32_t t0 = platform::GetTickCount();
    std::uint8_t s = std::atomic_ref<std::uint8_t>(*status).load(std::memory_order_acquire);
    const std::uint32_t limit = M().timeOut;
    while (s == SS_PENDING && platform::GetTickCount() - t0 < limit) {
        // No sleep: the layer's completion is picked up at once.
        std::this_thread::yield();
        s = std::atomic_ref<std::uint8_t>(*status).load(std::memory_order_acquire);
    }
    return s;
}

int SCSI_HostAdapterInquiry()
{
    if (!ASPI_IsLoaded()) return -1;
    auto req = std::make_unique<Request>();
    auto* srb = reinterpret_cast<SRB_HAInquiry*>(req->block.data());
    srb->SRB_Cmd = SC_HA_INQUIRY;
    srb->SRB_HaId = 0;
    srb->SRB_Flags = SRB_DIR_IN;
    const std::uint8_t status = Run(req);
    M().last.SRB_Status = status;
    if (status != SS_COMP) return -1;
    return req->block[9];
}

namespace {

// Fills in the request block for one CDB on the request's data (its first
// len bytes), runs it and keeps what it left. SS_PENDING: the request may
// be held now (req is then empty); touch nothing of it.
std::uint8_t Execute(std::unique_ptr<Request>& req, std::size_t len, std::uint8_t nScsiID, std::uint8_t nFlag, int nCDBLen,
                     const std::uint8_t* pCDBBuf, int nHostID)
{
    auto* srb = reinterpret_cast<SRB_ExecSCSICmd*>(req->block.data());
    srb->SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb->SRB_HaId = static_cast<std::uint8_t>(nHostID);
    srb->SRB_Flags = nFlag;
    srb->SRB_Target = nScsiID;
    srb->SRB_Lun = 0;
    srb->SRB_BufLen = static_cast<std::uint32_t>(len);
    srb->SRB_BufPointer = len ? req->data.data() : nullptr;
    srb->SRB_SenseLen = SENSE_LEN;
    const int cdbLen = std::clamp(nCDBLen, 0, 16);
    srb->SRB_CDBLen = static_cast<std::uint8_t>(cdbLen);
    if (cdbLen) std::memcpy(srb->CDBByte, pCDBBuf, static_cast<std::size_t>(cdbLen));

    const std::uint8_t status = Run(req);
    Module& m = M();
    m.last.SRB_Status = status;
    if (status == SS_PENDING) return status;
    m.last.SRB_HaStat = srb->SRB_HaStat;
    m.last.SRB_TargetStat = srb->SRB_TargStat;
    return status;
}

} // namespace

bool SCSI_ExecCommand(std::uint8_t nScsiID, void* aBuf, int nBufLen, std::uint8_t nFlag, int nCDBLen,
                      const std::uint8_t* pCDBBuf, int nHostID)
{
    if (!ASPI_IsLoaded()) return false;
    auto req = std::make_unique<Request>();
    const std::size_t len = nBufLen > 0 ? static_cast<std::size_t>(nBufLen) : 0;
    if (len && aBuf) req->data.assign(static_cast<const std::uint8_t*>(aBuf), static_cast<const std::uint8_t*>(aBuf) + len);
    else req->data.assign(len, 0);
    const std::uint8_t status = Execute(req, len, nScsiID, nFlag, nCDBLen, pCDBBuf, nHostID);
    if (status == SS_PENDING) return false;  // the request may be held: touch nothing of it
    if ((nFlag & SRB_DIR_IN) && len && aBuf) std::memcpy(aBuf, req->data.data(), len);
    return status == SS_COMP;
}

bool SCSI_ExecCommandOut(std::uint8_t nScsiID, std::vector<std::uint8_t>& buffer, std::size_t length, int nCDBLen,
                         const std::uint8_t* pCDBBuf, int nHostID)
{
    if (!ASPI_IsLoaded()) return false;
    if (length > buffer.size()) return false;
    auto req = std::make_unique<Request>();
    req->data = std::move(buffer);
    buffer.clear();
    const std::uint8_t status = Execute(req, length, nScsiID, SRB_DIR_OUT, nCDBLen, pCDBBuf, nHostID);
    // A request the layer still holds keeps its memory.
    if (req) buffer = std::move(req->data);
    return status == SS_COMP;
}

} // namespace scorpa
