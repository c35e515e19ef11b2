#pragma once
// The ASPI request blocks carried out on Linux's generic SCSI devices.
//
// Host adapters: every distinct (SCSI host, channel) pair among the /dev/sg*
// devices is one ASPI host adapter, numbered from 0 in ascending order of
// host and channel. A request for (SRB_HaId, SRB_Target, SRB_Lun) runs on
// the sg device whose host, channel, target ID and LUN match.
//
// Every request is carried out before SendASPI32Command returns (SG_IO is
// synchronous, with the 3000 ms limit as the command's time-out), so the
// layer never writes into a request block or its buffer after returning.
//
// A device that is there but cannot be opened for reading and writing is
// no device to ASPI (it is not listed; a command for it ends SS_NO_DEVICE),
// and is named once per process on standard error with what it lacks, e.g.
// "/dev/sg3: no read/write permission (EACCES)": an empty bus and a bus we
// may not use look alike to the caller otherwise.
#include "aspi/wnaspi32.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace aspi {

// Longest time one command may take on the bus, in milliseconds.
constexpr unsigned kCommandTimeoutMs = 3000;

struct SgDevice {
    std::string Path;
    int Host = 0;
    int Channel = 0;
    int Id = 0;
    int Lun = 0;
    int Type = 0;  // SCSI peripheral device type
};

// A device node that is there but would not open for reading and writing.
struct SgDenied {
    std::string Path;
    int Error = 0;          // errno of that open
    bool CanRead = false;   // it opens for reading alone
    bool CanWrite = false;  // it opens for writing alone
};

// The devices found, and those that would not open.
struct SgScan {
    std::vector<SgDevice> Devices;
    std::vector<SgDenied> Denied;
};

enum class SgDirection { None, ToDevice, FromDevice };

struct SgCommand {
    const std::uint8_t* Cdb = nullptr;
    std::uint8_t CdbLen = 0;
    SgDirection Direction = SgDirection::None;
    std::uint8_t* Data = nullptr;
    std::uint32_t DataLen = 0;
    std::uint8_t* Sense = nullptr;
    std::uint8_t SenseLen = 0;
    unsigned TimeoutMs = kCommandTimeoutMs;
};

// What the kernel reported for one command.
struct SgOutcome {
    bool Done = false;          // the request reached the device driver
    int HostStatus = 0;         // DID_*
    int DriverStatus = 0;       // DRIVER_* (the sense flag included)
    int Status = 0;             // the target's status byte
    std::optional<SgDenied> Denied;  // the device would not open
};

// The operating system's side, replaced by a fake in tests.
class SgBackend {
public:
    virtual ~SgBackend() = default;
    virtual SgScan Scan() = 0;
    virtual SgOutcome Execute(const SgDevice& device, SgCommand& command) = 0;
    virtual bool ResetDevice(const SgDevice& device) = 0;
};

// Linux host status (DID_*) as ASPI's SRB_HaStat.
std::uint8_t HaStatFromHostStatus(int hostStatus);

// The line that names a device that would not open.
std::string DeniedMessage(const SgDenied& denied);

class Bus {
public:
    // report gets each line for standard error (default: written there).
    explicit Bus(SgBackend& backend, std::function<void(const std::string&)> report = {});

    // SendASPI32Command: carries out the request, writes its SRB_Status
    // last, and returns that status.
    std::uint32_t Send(void* srb);
    // GetASPI32SupportInfo: SS_COMP and the adapter count, or SS_NO_ADAPTERS.
    std::uint32_t SupportInfo();

    const std::vector<std::pair<int, int>>& Adapters();

private:
    void Rescan();
    // Names a device that would not open, the first time only.
    void Report(const SgDenied& denied);
    const SgDevice* Find(std::uint8_t haId, std::uint8_t target, std::uint8_t lun, std::uint8_t* status);
    std::uint8_t HaInquiry(SRB_HAInquiry& srb);
    std::uint8_t GetDevType(SRB_GDEVBlock& srb);
    std::uint8_t Exec(SRB_ExecSCSICmd& srb);
    std::uint8_t Reset(SRB_BusDeviceReset& srb);

    SgBackend& backend_;
    std::function<void(const std::string&)> report_;
    std::set<std::string> reported_;
    bool scanned_ = false;
    std::vector<SgDevice> devices_;
    std::vector<std::pair<int, int>> adapters_;
};

} // namespace aspi
