#include "Magicard.h"

#include "EscPrinter.h"
#include "MagAPI.h"
#include "core/ConfigFile.h"
#include "core/RunLog.h"
#include "platform/Clock.h"
#include "platform/DeviceContext.h"
#include "platform/DynamicLibrary.h"
#include "platform/Environment.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace tavrin {
namespace {

// A library that never reports a terminal state must not hold the station
// forever: polls are spaced a little and end after two minutes
// (TAVRIN_MAGICARD_WAIT_LIMIT_MS sets another bound).
constexpr std::uint32_t kWaitPollMs = 10;

std::uint32_t WaitLimitMs()
{
    constexpr unsigned long kDefaultMs = 120000;
    const unsigned long ms = platform::EnvironmentNumber("TAVRIN_MAGICARD_WAIT_LIMIT_MS", kDefaultMs, platform::kOneDayMs);
    return static_cast<std::uint32_t>(ms > 0 ? ms : kDefaultMs);
}

std::string WithoutBlanks(const std::string& s)
{
    std::string r = s;
    r.erase(std::remove(r.begin(), r.end(), ' '), r.end());
    return r;
}

} // namespace

std::string MagicardFrame(const std::string& text) { return "\x01,NOC0,BBB1,MAG1,%" + text + "\x1C\x03"; }

bool MagicardCommand(const std::string&, const std::string& name, const std::string& command, bool)
{
    LoadControlCommands();
    const bool useApi = (ConfigFile().ReadInteger(kPrinterConfiguration, "UseDriverAPI", 0) & 0xFF) != 0;
    const std::string text = WithoutBlanks(command);
    const std::string word = platform::UpperCase(text);
    const TMyIniCmd& r = MyIniCmd();
    if (word == "FEED") {
        const bool done = useApi ? MagicardApiCommand(name, text) : SpoolRawCommand(name, MagicardFrame(r.Insert), true);
        platform::Sleep(WaitMilliseconds(r.PauseAfterPrint));
        return done;
    }
    if (word == "EJECT") return useApi ? MagicardApiCommand(name, text) : SpoolRawCommand(name, MagicardFrame(r.Eject), true);
    return SpoolRawCommand(name, MagicardFrame(text), true);
}

bool MagicardApiCommand(const std::string& name, const std::string& command)
{
    // The library lives only for this command.
    auto lib = platform::DynamicLibrary::Load("MagAPI.DLL");
    if (!lib) {
        RunLog().Vendor("MagAPI.DLL", "not loaded");
        return false;
    }
    const auto enable = lib->Function<MagEnableStatusReporting>("EnableStatusReporting");
    const auto disable = lib->Function<MagDisableStatusReporting>("DisableStatusReporting");
    const auto feed = lib->Function<MagFeedCardA>("FeedCardA");
    const auto eject = lib->Function<MagEjectCardA>("EjectCardA");
    const auto wait = lib->Function<MagWaitForPrinter>("WaitForPrinter");
    const auto lastMessage = lib->Function<MagGetLastPrinterMessage>("GetLastPrinterMessage");
    if (!enable) return false;

    const platform::UniqueDC dc(platform::CreateDCA(name, nullptr));
    if (!dc) return false;

    std::array<char, 128> message {};
    auto readMessage = [&](void* handle) {
        std::uint32_t size = message.size();
        if (!lastMessage) return;
        lastMessage(handle, message.data(), &size);
        message.back() = '\0';
        RunLog().Vendor("GetLastPrinterMessage", message.data());
    };

    void* handle = nullptr;
    const std::int32_t enabled = enable(dc.get(), &handle, 1);
    RunLog().Vendor("EnableStatusReporting", enabled);
    if (enabled != 0) {
        readMessage(handle);
        return false;
    }
    bool done = false;
    const std::string word = platform::UpperCase(command);
    std::int32_t accepted = -1;
    if (word == "FEED" && feed) {
        accepted = feed(handle, 2, 0, "MAGICARD FEED");
        RunLog().Vendor("FeedCardA", accepted);
    } else if (word == "EJECT" && eject) {
        accepted = eject(handle, "MAGICARD EJECT");
        RunLog().Vendor("EjectCardA", accepted);
    }
    if (accepted == 0 && wait) {
        const std::uint32_t start = platform::GetTickCount();
        const std::uint32_t limit = WaitLimitMs();
        for (;;) {
            const std::int32_t state = wait(handle);
            if (state == 0) {
                RunLog().Vendor("WaitForPrinter", state);
                done = true;
                break;
            }
            if (state == -2) readMessage(handle);
            if (state == -1 || state == -2 || state == -3) {
                RunLog().Vendor("WaitForPrinter", state);
                break;
            }
            if (platform::GetTickCount() - start >= limit) {
                RunLog().Vendor("WaitForPrinter", state, "still busy");
                break;
            }
            platform::Sleep(kWaitPollMs);
        }
    }
    // Status reporting ends before its library goes.
    if (disable) disable(handle);
    return done;
}

} // namespace tavrin
