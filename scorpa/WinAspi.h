#pragma once
// The ASPI layer ("wnaspi32.dll", libwnaspi32.so here), loaded at run time,
// and one SCSI command run through it synchronously.
#include "aspi/wnaspi32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scorpa {

// Longest wait for one request, in milliseconds.
constexpr std::uint32_t TIME_OUT = 3000;

// Loads the layer and resolves SendASPI32Command; false when it was loaded
// already (nothing changes then) or cannot be loaded. Tests name another
// file.
bool ASPI_LoadModule(std::string_view file = "wnaspi32.dll");
// Forgets the entry point and unloads the layer, unless the layer was left
// holding a request that had timed out: that one stays loaded until the
// process ends, since it may still complete the request on a thread of its
// own.
void ASPI_FreeModule();
// True while an entry point is there to call.
bool ASPI_IsLoaded();
// Why the last ASPI_LoadModule could not load the layer (empty when it did).
const std::string& ASPI_LoadError();

// The adapter's HA_SCSI_ID byte, or -1.
int SCSI_HostAdapterInquiry();

// Runs one CDB on (nHostID, nScsiID, LUN 0) with a data buffer in the
// direction of nFlag (SRB_DIR_IN or SRB_DIR_OUT); true when it completed
// with SS_COMP within TIME_OUT. aBuf is only read and written during the
// call: the layer works on a copy owned by the request.
bool SCSI_ExecCommand(std::uint8_t nScsiID, void* aBuf, int nBufLen, std::uint8_t nFlag, int nCDBLen,
                      const std::uint8_t* pCDBBuf, int nHostID);

// The same for data going to the device (SRB_DIR_OUT) that the caller
// hands over instead of lending: the first length bytes of buffer are sent
// from buffer's own memory, without a copy. buffer comes back once the
// layer is done with it; when the layer is left holding the request (see
// ASPI_HeldRequests) it keeps the memory, and buffer comes back empty.
bool SCSI_ExecCommandOut(std::uint8_t nScsiID, std::vector<std::uint8_t>& buffer, std::size_t length, int nCDBLen,
                         const std::uint8_t* pCDBBuf, int nHostID);

// Polls the request's SRB_Status until it is no longer SS_PENDING or
// TIME_OUT has passed; returns it (still 0 after a time-out).
std::uint8_t SCSI_WaitForResponse(void* pSRB);

// What the last request left, for diagnosis.
struct TAspiLastStatus {
    std::uint32_t Result = 0;
    std::uint8_t SRB_Status = 0;
    std::uint8_t SRB_HaStat = 0;
    std::uint8_t SRB_TargetStat = 0;
};
const TAspiLastStatus& ASPI_LastStatus();

// Requests given up after a time-out whose memory is still held because
// the layer may yet write into it.
int ASPI_HeldRequests();

// Tests: a SendASPI32Command of this process stands in for the library
// (nullptr: none).
void ASPI_UseEntryPoint(SendASPI32CommandFn fn);
// Tests: the longest wait for one request, in place of TIME_OUT (0: TIME_OUT
// again), so that a request that never completes need not be waited for
// three seconds.
void ASPI_UseTimeOut(std::uint32_t ms);

} // namespace scorpa
