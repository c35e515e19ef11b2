#include "Velto.h"

#include "FamilyMessages.h"
#include "platform/Text.h"
#include "scorpa/Scorpa.h"
#include "velkit/ResultCodes.h"
#include "velkit/Velkit.h"

#include <array>
#include <vector>

namespace tavrin {
namespace {

// The one Velkit handle of the run: kept from a successful open until a
// successful close, so test mode's FEED and EJECT share it.
VelkitHandle* gHandle = nullptr;

void ShowVeltoError(std::int32_t code) { ShowFamilyMessage("ERROR: \r\n" + VeltoResultName(code)); }

// A Velkit call's code, for the run's record.
std::int32_t Noted(const char* call, std::int32_t code)
{
    RunLog().Vendor(call, code, VeltoResultName(code));
    return code;
}

bool SetDirectMode()
{
    const std::int32_t code = Noted("Velkit_PrinterSetMode", Velkit_PrinterSetMode(gHandle, VELKIT_MODE_DIRECT));
    if (code == 0) return true;
    ShowVeltoError(code);  // the handle stays held for the next command
    return false;
}

// A failing card movement closes the handle and forgets it.
bool Moved(std::int32_t code)
{
    if (code == 0) return true;
    ShowVeltoError(code);
    Noted("Velkit_Close", Velkit_Close(gHandle));
    gHandle = nullptr;
    return false;
}

// A Scorpa export's result for the run's record; a failure with Scorpa's
// reason for it ("SCSIRFEject=0 The printer reported an error ...").
void NoteScorpa(const char* call, ScorpaBool done)
{
    if (done) {
        RunLog().Vendor(call, done);
        return;
    }
    std::array<char, 512> reason {};
    SCSIGetLastErrorText(reason.data(), static_cast<std::int32_t>(reason.size()));
    RunLog().Vendor(call, 0, reason.data());
}

// A Scorpa export and its name, for the run's record.
struct ScorpaStep {
    const char* name;
    ScorpaBool(SCORPA_CALL* call)();
};
#define SCORPA_STEP(f) ScorpaStep {#f, f}

bool Step(const ScorpaStep& step)
{
    const ScorpaBool done = step.call();
    NoteScorpa(step.name, done);
    return done != 0;
}

bool RunSteps(const std::vector<ScorpaStep>& steps)
{
    for (const ScorpaStep& step : steps)
        if (!Step(step)) return false;
    return true;
}

} // namespace

std::string VeltoResultName(std::int32_t code)
{
    // The names shown are those of the codes the program knows; anything
    // else, 6 and 12 to 15 included, is unknown to it.
    struct Range {
        std::int32_t from, to;
    };
    static constexpr std::array<Range, 8> named = {
        {{0, 5}, {7, 11}, {16, 18}, {100, 109}, {400, 400}, {500, 505}, {550, 566}, {600, 616}}};
    for (const Range r : named) {
        if (code < r.from || code > r.to) continue;
        const std::string_view name = velkit::ResultCodeName(code);
        if (!name.empty()) return std::string(name);
    }
    return "Unknown Error!";
}

bool VeltoCommand(const std::string& mode, const std::string& name, const std::string& command, int trackNo,
                  std::string& encodeData)
{
    if (mode == "USB") return VeltoUsbCommand(name, command);
    if (mode == "SCSI") return VeltoScsiCommand(name, command, trackNo, encodeData);
    return false;
}

bool VeltoUsbCommand(const std::string& name, const std::string& command)
{
    if (!gHandle) {
        gHandle = Velkit_OpenA(3, name.c_str());
        if (!gHandle) {
            RunLog().Vendor("Velkit_OpenA", "NULL");
            // Linux keeps no Windows last-error value behind a failed open;
            // what such a value gave on Windows is what is shown.
            ShowFamilyMessage("ERROR: \r\nUnknown Error!");
            return false;
        }
    }
    const std::string word = platform::UpperCase(command);
    bool moved = false;
    if (word == "FEED") {
        if (!SetDirectMode()) return false;
        if (!Moved(Noted("Velkit_EncodeTransfer", Velkit_EncodeTransfer(gHandle)))) return false;
        moved = true;
    } else if (word == "EJECT" || word == "RETURN") {
        if (!SetDirectMode()) return false;
        if (!Moved(Noted("Velkit_EncodeEject", Velkit_EncodeEject(gHandle, word == "EJECT" ? 2 : 1)))) return false;
        moved = true;
    }
    if (Noted("Velkit_Close", Velkit_Close(gHandle)) == 0) gHandle = nullptr;
    return moved;
}

bool VeltoScsiCommand(const std::string&, const std::string& command, int trackNo, std::string& encodeData)
{
    // Compared exactly: "feed" is no command here.
    const ScorpaStep open = SCORPA_STEP(SCSIOpen);
    if (command == "WRITEM") {
        if (!Step(open)) return false;
        const ScorpaBool written = SCSITransEncodeData(trackNo, encodeData.c_str());
        NoteScorpa("SCSITransEncodeData", written);
        return written != 0;
    }
    if (command == "READM") {
        if (!Step(open)) return false;
        std::array<char, SCORPA_ENCODE_TEXT_SIZE> buffer {};
        const ScorpaBool read = SCSIReadEncode(trackNo, buffer.data());
        NoteScorpa("SCSIReadEncode", read);
        buffer.back() = '\0';
        encodeData = buffer.data();
        return read != 0;
    }
    std::vector<ScorpaStep> steps;
    if (command == "FEED") {
        steps = {SCORPA_STEP(SCSISetRFProc), SCORPA_STEP(SCSIFlipTurn), SCORPA_STEP(SCSIPrintStart)};
    } else if (command == "EJECT") {
        steps = {SCORPA_STEP(SCSIRFEject), SCORPA_STEP(SCSIEject), SCORPA_STEP(SCSIPrintStart)};
    } else if (command == "RETURN") {
        steps = {SCORPA_STEP(SCSIRFEject)};
    } else if (command == "FLIP") {
        steps = {SCORPA_STEP(SCSIRFEject), SCORPA_STEP(SCSISetRFProc), SCORPA_STEP(SCSIFlipTurn),
                 SCORPA_STEP(SCSIPrintStart)};
    } else {
        return false;
    }
    if (!Step(open)) return false;
    const bool done = RunSteps(steps);
    SCSIClose();
    return done;
}

} // namespace tavrin
