#include "SgBus.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace aspi {
namespace {

void PutStatus(void* srb, std::uint8_t status)
{
    // Callers may poll the byte while we work: it is written last.
    std::atomic_ref<std::uint8_t>(static_cast<std::uint8_t*>(srb)[1]).store(status, std::memory_order_release);
}

void CopyPadded(std::uint8_t (&field)[16], const std::string& text)
{
    std::memset(field, ' ', sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

constexpr int kDriverSense = 0x08;  // the driver flag that only says "sense data follows"

} // namespace

std::uint8_t HaStatFromHostStatus(int hostStatus)
{
    switch (hostStatus) {
    case 0x00: return HASTAT_OK;              // DID_OK
    case 0x01: return HASTAT_SEL_TO;          // DID_NO_CONNECT
    case 0x02: return HASTAT_BUS_FREE;        // DID_BUS_BUSY
    case 0x03: return HASTAT_TIMEOUT;         // DID_TIME_OUT
    case 0x04: return HASTAT_SEL_TO;          // DID_BAD_TARGET
    case 0x05: return HASTAT_COMMAND_TIMEOUT; // DID_ABORT
    case 0x06: return HASTAT_PARITY_ERROR;    // DID_PARITY
    case 0x08: return HASTAT_BUS_RESET;       // DID_RESET
    default: return HASTAT_PHASE_ERR;
    }
}

std::string DeniedMessage(const SgDenied& denied)
{
    const char* name = strerrorname_np(denied.Error);
    const std::string code = name ? name : "errno " + std::to_string(denied.Error);
    if (denied.Error == EACCES || denied.Error == EPERM) {
        const char* lacks = denied.CanRead && !denied.CanWrite   ? "write"
                            : denied.CanWrite && !denied.CanRead ? "read"
                                                                 : "read/write";
        return denied.Path + ": no " + lacks + " permission (" + code + ")";
    }
    return denied.Path + ": cannot be opened (" + code + ")";
}

Bus::Bus(SgBackend& backend, std::function<void(const std::string&)> report)
    : backend_(backend), report_(std::move(report))
{
    if (!report_) report_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

void Bus::Report(const SgDenied& denied)
{
    if (reported_.insert(denied.Path).second) report_(DeniedMessage(denied));
}

void Bus::Rescan()
{
    SgScan scan = backend_.Scan();
    std::sort(scan.Denied.begin(), scan.Denied.end(), [](const SgDenied& a, const SgDenied& b) { return a.Path < b.Path; });
    for (const auto& d : scan.Denied) Report(d);
    devices_ = std::move(scan.Devices);
    std::sort(devices_.begin(), devices_.end(), [](const SgDevice& a, const SgDevice& b) {
        return std::tie(a.Host, a.Channel, a.Id, a.Lun) < std::tie(b.Host, b.Channel, b.Id, b.Lun);
    });
    adapters_.clear();
    for (const auto& d : devices_) {
        const std::pair<int, int> hc {d.Host, d.Channel};
        if (adapters_.empty() || adapters_.back() != hc) adapters_.push_back(hc);
    }
    scanned_ = true;
}

const std::vector<std::pair<int, int>>& Bus::Adapters()
{
    if (!scanned_) Rescan();
    return adapters_;
}

const SgDevice* Bus::Find(std::uint8_t haId, std::uint8_t target, std::uint8_t lun, std::uint8_t* status)
{
    const auto& adapters = Adapters();
    if (haId >= adapters.size()) {
        *status = SS_INVALID_HA;
        return nullptr;
    }
    const auto [host, channel] = adapters[haId];
    for (const auto& d : devices_)
        if (d.Host == host && d.Channel == channel && d.Id == target && d.Lun == lun) return &d;
    *status = SS_NO_DEVICE;
    return nullptr;
}

std::uint8_t Bus::HaInquiry(SRB_HAInquiry& srb)
{
    // An inquiry is where a caller starts: devices plugged in since are seen.
    Rescan();
    srb.HA_Count = static_cast<std::uint8_t>(std::min<std::size_t>(adapters_.size(), 255));
    if (srb.SRB_HaId >= adapters_.size()) return SS_INVALID_HA;
    // Linux does not publish the adapter's own ID; 7 is the usual one.
    srb.HA_SCSI_ID = 7;
    CopyPadded(srb.HA_ManagerId, "ASPI for Linux");
    char ident[32];
    std::snprintf(ident, sizeof ident, "scsi%d ch%d", adapters_[srb.SRB_HaId].first, adapters_[srb.SRB_HaId].second);
    CopyPadded(srb.HA_Identifier, ident);
    std::memset(srb.HA_Unique, 0, sizeof srb.HA_Unique);
    srb.HA_Unique[3] = 16;  // targets per adapter
    const std::uint32_t maxTransfer = 0x40000;
    std::memcpy(srb.HA_Unique + 4, &maxTransfer, 4);
    return SS_COMP;
}

std::uint8_t Bus::GetDevType(SRB_GDEVBlock& srb)
{
    std::uint8_t status = SS_COMP;
    const SgDevice* d = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, &status);
    if (!d) return status;
    srb.SRB_DeviceType = static_cast<std::uint8_t>(d->Type);
    return SS_COMP;
}

std::uint8_t Bus::Exec(SRB_ExecSCSICmd& srb)
{
    std::uint8_t status = SS_COMP;
    const SgDevice* d = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, &status);
    if (!d) return status;
    if (srb.SRB_CDBLen == 0 || srb.SRB_CDBLen > sizeof srb.CDBByte) return SS_INVALID_SRB;

    SgCommand cmd;
    cmd.Cdb = srb.CDBByte;
    cmd.CdbLen = srb.SRB_CDBLen;
    const std::uint8_t dir = srb.SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT);
    if (srb.SRB_BufLen > 0) {
        if (!srb.SRB_BufPointer) return SS_INVALID_SRB;
        if (dir == SRB_DIR_IN) cmd.Direction = SgDirection::FromDevice;
        else if (dir == SRB_DIR_OUT) cmd.Direction = SgDirection::ToDevice;
        else return SS_INVALID_SRB;  // the direction must be said
        cmd.Data = srb.SRB_BufPointer;
        cmd.DataLen = srb.SRB_BufLen;
    }
    cmd.Sense = srb.SenseArea;
    cmd.SenseLen = std::min<std::uint8_t>(srb.SRB_SenseLen, sizeof srb.SenseArea);
    cmd.TimeoutMs = kCommandTimeoutMs;

    const SgOutcome out = backend_.Execute(*d, cmd);
    if (out.Denied) {
        // It opened at the scan and does not now: no device to us either.
        Report(*out.Denied);
        return SS_NO_DEVICE;
    }
    if (!out.Done) {
        srb.SRB_HaStat = HASTAT_SEL_TO;
        return SS_ERR;
    }
    srb.SRB_HaStat = HaStatFromHostStatus(out.HostStatus);
    srb.SRB_TargStat = static_cast<std::uint8_t>(out.Status);
    const bool ok = out.HostStatus == 0 && (out.DriverStatus & ~kDriverSense) == 0 && out.Status == 0;
    return ok ? SS_COMP : SS_ERR;
}

std::uint8_t Bus::Reset(SRB_BusDeviceReset& srb)
{
    std::uint8_t status = SS_COMP;
    const SgDevice* d = Find(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, &status);
    if (!d) return status;
    return backend_.ResetDevice(*d) ? SS_COMP : SS_ERR;
}

std::uint32_t Bus::Send(void* srb)
{
    if (!srb) return SS_INVALID_SRB;
    auto* header = static_cast<SRB_Header*>(srb);
    std::uint8_t status;
    switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: status = HaInquiry(*static_cast<SRB_HAInquiry*>(srb)); break;
    case SC_GET_DEV_TYPE: status = GetDevType(*static_cast<SRB_GDEVBlock*>(srb)); break;
    case SC_EXEC_SCSI_CMD: status = Exec(*static_cast<SRB_ExecSCSICmd*>(srb)); break;
    // Nothing is ever left pending, so there is never anything to abort.
    case SC_ABORT_SRB: status = SS_COMP; break;
    case SC_RESET_DEV: status = Reset(*static_cast<SRB_BusDeviceReset*>(srb)); break;
    default: status = SS_INVALID_CMD; break;
    }
    PutStatus(srb, status);
    if (header->SRB_Cmd == SC_EXEC_SCSI_CMD) {
        auto* exec = static_cast<SRB_ExecSCSICmd*>(srb);
        // Posting: the completion routine is called with the finished block.
        if ((exec->SRB_Flags & SRB_POSTING) && exec->SRB_PostProc)
            reinterpret_cast<void (*)(void*)>(exec->SRB_PostProc)(srb);
    }
    return status;
}

std::uint32_t Bus::SupportInfo()
{
    Rescan();
    if (adapters_.empty()) return SS_NO_ADAPTERS << 8;
    return (SS_COMP << 8) | static_cast<std::uint32_t>(std::min<std::size_t>(adapters_.size(), 255));
}

} // namespace aspi
