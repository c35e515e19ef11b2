// The ASPI layer's request handling: request blocks made of input bytes,
// carried out over a fake sg backend whose devices and answers come from
// the input too. Each block is allocated at exactly its own size, and its
// data buffer at exactly SRB_BufLen, so that anything the layer lets the
// backend read or write past them is caught. The status returned is the
// one left in the block; posting calls the completion routine once, after
// the status is written.
#include "FuzzCheck.h"
#include "SgBus.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace aspi;

namespace {

// The block being carried out, as the caller allocated it.
struct Current {
    const std::uint8_t* block = nullptr;
    std::size_t blockSize = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t dataLen = 0;
    int executed = 0;
    int posted = 0;
    std::uint8_t statusWhenPosted = 0;
};
Current gNow;

bool Within(const void* p, std::size_t n, const void* begin, std::size_t size)
{
    const auto* b = static_cast<const std::uint8_t*>(begin);
    const auto* q = static_cast<const std::uint8_t*>(p);
    return q >= b && n <= size && q - b <= static_cast<std::ptrdiff_t>(size - n);
}

struct FakeSg : SgBackend {
    FuzzedDataProvider* in = nullptr;
    std::vector<SgDevice> devices;

    SgDevice MakeDevice()
    {
        SgDevice d;
        d.Path = "/dev/sg" + std::to_string(in->ConsumeIntegralInRange(0, 15));
        d.Host = in->ConsumeIntegralInRange(0, 3);
        d.Channel = in->ConsumeIntegralInRange(0, 1);
        d.Id = in->ConsumeIntegralInRange(0, 7);
        d.Lun = in->ConsumeIntegralInRange(0, 1);
        d.Type = in->ConsumeIntegral<std::uint8_t>();
        return d;
    }

    SgDenied MakeDenied()
    {
        SgDenied d;
        d.Path = "/dev/sg" + std::to_string(in->ConsumeIntegralInRange(0, 15));
        d.Error = in->ConsumeIntegralInRange(0, 140);
        d.CanRead = in->ConsumeBool();
        d.CanWrite = in->ConsumeBool();
        return d;
    }

    SgScan Scan() override
    {
        // Devices come and go between scans.
        if (devices.empty() || in->ConsumeIntegralInRange(0, 3) == 0) {
            devices.clear();
            const int n = in->ConsumeIntegralInRange(0, 6);
            for (int i = 0; i < n; ++i) devices.push_back(MakeDevice());
        }
        SgScan scan;
        scan.Devices = devices;
        if (in->ConsumeIntegralInRange(0, 3) == 0) scan.Denied.push_back(MakeDenied());
        return scan;
    }

    bool Known(const SgDevice& d) const
    {
        return std::any_of(devices.begin(), devices.end(), [&](const SgDevice& x) {
            return x.Path == d.Path && x.Host == d.Host && x.Channel == d.Channel && x.Id == d.Id && x.Lun == d.Lun;
        });
    }

    SgOutcome Execute(const SgDevice& d, SgCommand& c) override
    {
        ++gNow.executed;
        FUZZ_CHECK(Known(d));
        FUZZ_CHECK(c.CdbLen >= 1 && c.CdbLen <= 16);
        FUZZ_CHECK(Within(c.Cdb, c.CdbLen, gNow.block, gNow.blockSize));
        FUZZ_CHECK(c.TimeoutMs > 0);
        if (c.Direction == SgDirection::None) {
            FUZZ_CHECK(c.DataLen == 0);
        } else {
            FUZZ_CHECK(c.Data == gNow.data && c.DataLen == gNow.dataLen && c.DataLen > 0);
        }
        // The kernel reads or fills every byte it was given.
        if (c.Direction == SgDirection::FromDevice) {
            const auto bytes = in->ConsumeBytes<std::uint8_t>(c.DataLen);
            std::memset(c.Data, 0xA5, c.DataLen);
            if (!bytes.empty()) std::memcpy(c.Data, bytes.data(), bytes.size());
        } else if (c.Direction == SgDirection::ToDevice) {
            fuzz::ReadAll(c.Data, c.DataLen);
        }
        if (c.SenseLen > 0) {
            FUZZ_CHECK(c.Sense != nullptr && Within(c.Sense, c.SenseLen, gNow.block, gNow.blockSize));
            std::memset(c.Sense, 0x5A, c.SenseLen);
        }
        SgOutcome out;
        out.Done = in->ConsumeIntegralInRange(0, 7) != 0;
        out.HostStatus = in->ConsumeBool() ? 0 : in->ConsumeIntegralInRange(0, 12);
        out.DriverStatus = in->ConsumeBool() ? 0 : in->ConsumeIntegralInRange(0, 0x2F);
        out.Status = in->ConsumeBool() ? 0 : in->ConsumeIntegral<std::uint8_t>();
        if (in->ConsumeIntegralInRange(0, 15) == 0) out.Denied = MakeDenied();
        return out;
    }

    bool ResetDevice(const SgDevice& d) override
    {
        FUZZ_CHECK(Known(d));
        return in->ConsumeBool();
    }
};

void PostProc(void* srb)
{
    FUZZ_CHECK(srb == gNow.block);
    ++gNow.posted;
    gNow.statusWhenPosted = static_cast<const std::uint8_t*>(srb)[1];
}

std::size_t BlockSize(std::uint8_t cmd)
{
    switch (cmd) {
    case SC_HA_INQUIRY: return sizeof(SRB_HAInquiry);
    case SC_GET_DEV_TYPE: return sizeof(SRB_GDEVBlock);
    case SC_EXEC_SCSI_CMD: return sizeof(SRB_ExecSCSICmd);
    case SC_ABORT_SRB: return sizeof(SRB_Abort);
    case SC_RESET_DEV: return sizeof(SRB_BusDeviceReset);
    default: return sizeof(SRB_Header);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    FakeSg sg;
    sg.in = &in;
    std::vector<std::string> reported;
    Bus bus(sg, [&](const std::string& line) {
        FUZZ_CHECK(line.rfind("/dev/sg", 0) == 0);
        reported.push_back(line);
    });

    for (int request = 0; request < 8 && in.remaining_bytes() > 0; ++request) {
        const int kind = in.ConsumeIntegralInRange(0, 7);
        if (kind == 6) {
            const std::uint32_t r = bus.SupportInfo();
            const auto& adapters = bus.Adapters();
            FUZZ_CHECK(r == (adapters.empty() ? SS_NO_ADAPTERS << 8u
                                              : (SS_COMP << 8u) | std::min<std::size_t>(adapters.size(), 255)));
            continue;
        }
        if (kind == 7) {
            FUZZ_CHECK(bus.Send(nullptr) == SS_INVALID_SRB);
            continue;
        }
        const std::uint8_t cmd = kind < 5 ? static_cast<std::uint8_t>(kind) : in.ConsumeIntegralInRange<std::uint8_t>(5, 255);
        const std::size_t blockSize = BlockSize(cmd);
        std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[blockSize]);
        const auto bytes = in.ConsumeBytes<std::uint8_t>(blockSize);
        std::memset(block.get(), 0, blockSize);
        if (!bytes.empty()) std::memcpy(block.get(), bytes.data(), bytes.size());
        block[0] = cmd;

        // Pointers in the block are the caller's own; the rest is input.
        std::unique_ptr<std::uint8_t[]> buffer;
        bool posting = false;
        gNow = Current {};
        if (cmd == SC_EXEC_SCSI_CMD) {
            auto* srb = reinterpret_cast<SRB_ExecSCSICmd*>(block.get());
            srb->SRB_BufLen = in.ConsumeIntegralInRange<std::uint32_t>(0, 4096);
            if (srb->SRB_BufLen > 0 && in.ConsumeIntegralInRange(0, 15) != 0) {
                buffer.reset(new std::uint8_t[srb->SRB_BufLen]);
                std::memset(buffer.get(), 0x3C, srb->SRB_BufLen);
                srb->SRB_BufPointer = buffer.get();
            } else {
                srb->SRB_BufPointer = nullptr;
            }
            srb->SRB_PostProc = in.ConsumeBool() ? reinterpret_cast<void*>(&PostProc) : nullptr;
            posting = (srb->SRB_Flags & SRB_POSTING) && srb->SRB_PostProc;
            gNow.data = srb->SRB_BufPointer;
            gNow.dataLen = srb->SRB_BufLen;
        } else if (cmd == SC_ABORT_SRB) {
            reinterpret_cast<SRB_Abort*>(block.get())->SRB_ToAbort = in.ConsumeBool() ? block.get() : nullptr;
        } else if (cmd == SC_RESET_DEV) {
            reinterpret_cast<SRB_BusDeviceReset*>(block.get())->SRB_PostProc = nullptr;
        }
        gNow.block = block.get();
        gNow.blockSize = blockSize;

        const std::uint32_t status = bus.Send(block.get());
        FUZZ_CHECK(status == block[1]);
        FUZZ_CHECK(status != SS_PENDING);
        FUZZ_CHECK(gNow.posted == (posting ? 1 : 0));
        if (posting) FUZZ_CHECK(gNow.statusWhenPosted == status);
        FUZZ_CHECK(gNow.executed <= 1);
        if (cmd != SC_EXEC_SCSI_CMD) FUZZ_CHECK(gNow.executed == 0);

        const auto& adapters = bus.Adapters();
        FUZZ_CHECK(std::is_sorted(adapters.begin(), adapters.end()));
        FUZZ_CHECK(std::adjacent_find(adapters.begin(), adapters.end()) == adapters.end());
        const std::uint8_t haId = block[2];
        if (cmd == SC_HA_INQUIRY) {
            const auto& srb = *reinterpret_cast<const SRB_HAInquiry*>(block.get());
            FUZZ_CHECK(srb.HA_Count == std::min<std::size_t>(adapters.size(), 255));
            FUZZ_CHECK((status == SS_COMP) == (haId < adapters.size()));
            if (status != SS_COMP) FUZZ_CHECK(status == SS_INVALID_HA);
        } else if (cmd <= SC_RESET_DEV && cmd != SC_ABORT_SRB) {
            if (haId >= adapters.size()) FUZZ_CHECK(status == SS_INVALID_HA && gNow.executed == 0);
        } else if (cmd > SC_RESET_DEV) {
            FUZZ_CHECK(status == SS_INVALID_CMD);
        }
        if (status == SS_COMP && cmd == SC_EXEC_SCSI_CMD) FUZZ_CHECK(gNow.executed == 1);
    }
    // Each device that would not open is named once.
    std::vector<std::string> sorted = reported;
    std::sort(sorted.begin(), sorted.end());
    FUZZ_CHECK(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
    return 0;
}
