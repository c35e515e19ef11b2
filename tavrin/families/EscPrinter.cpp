#include "EscPrinter.h"

#include "LPTPort.h"
#include "Magicard.h"
#include "_Ports.h"
#include "core/ConfigFile.h"
#include "core/RunLog.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Spooler.h"
#include "platform/Text.h"

#include <array>

namespace tavrin {
namespace {

const std::string kEsc = "\x1B";

void WaitAfterPrint() { platform::Sleep(WaitMilliseconds(MyIniCmd().PauseAfterPrint)); }

bool IsBlank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

} // namespace

bool IsCommandWord(std::string_view text)
{
    static constexpr std::array<std::string_view, 5> words = {"FEED", "EJECT", "RETURN", "REJECT", "FLIP"};
    const std::string upper = platform::UpperCase(text);
    for (const auto w : words)
        if (upper == w) return true;
    return false;
}

bool SpoolRawCommand(const std::string& printerName, const std::string& data, bool alreadyFramed)
{
    const std::string bytes = alreadyFramed ? data : kEsc + data + "\r\n";
    const platform::SpoolOutcome job =
        platform::SpoolRawJob(printerName, "Printer command",
                              {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                              platform::SpoolWaitLimitMs());
    RunLog().Job(job);
    if (!job.done) ShowError(job.cause);
    return job.done;
}

bool SendParallelCommand(const std::string& text)
{
    const TConfigFile& config = ConfigFile();
    if (!platform::FileExists(config.FileName())) return false;
    const int portNo = config.ReadInteger(kPortSection, "PortNo", 1);
    const std::string receive = config.ReadString(kPortSection, "ReceiveData", "NO");
    if (receive == "YES") {
        const int address = config.ReadInteger(kPortSection, "PortAddress", 0);
        if (address == 0) {
            ShowError("No Portadress found!");
            return false;
        }
        std::string answer = text;  // replaced by the printer's answer, not used further
        return T_LPT_Port(static_cast<std::uint32_t>(address)).SendAndReceive(answer) == kLptReady;
    }
    return SendLptDeviceCommand(portNo, kEsc + text + "\r");
}

bool SendLptDeviceCommand(int portNo, const std::string& framed)
{
    TLptPort port;
    if (!port.OpenLpt(portNo)) return false;
    bool written;
    if (framed.size() >= 2 && framed[1] == '$') {
        // 1B "$" digits 0D: only the payload goes out.
        const std::string digits = framed.size() > 3 ? framed.substr(2, framed.size() - 3) : std::string();
        const std::string bytes = HexToBytes(digits);
        written = port.WriteBuffer({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    } else {
        written = port.WriteString(framed);
    }
    port.Close();
    return written;
}

std::string HexToBytes(std::string_view text)
{
    std::string digits;
    for (const char c : text)
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) digits += c;
    auto value = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    std::string bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes += static_cast<char>(value(digits[i]) * 16 + value(digits[i + 1]));
    return bytes;
}

bool EscPrinterCommand(const std::string& mode, const std::string& name, const std::string& command, bool direct)
{
    std::string text = command;
    if (IsCommandWord(command)) {
        LoadControlCommands();
        const TMyIniCmd& r = MyIniCmd();
        const std::string word = platform::UpperCase(command);
        if (word == "FEED") text = r.Insert;
        else if (word == "EJECT") text = r.Eject;
        else if (word == "REJECT") text = r.Error;
        else if (word == "RETURN") text = r.Post;
    }
    const TMyIniCmd& r = MyIniCmd();
    if (mode == "USB") {
        if (platform::Contains(platform::UpperCase(name), "MAGICARD")) return MagicardCommand(mode, name, text, direct);
        if (!SpoolRawCommand(name, text, false)) return false;
        if (text == r.Insert && !IsBlank(r.Pre)) {
            // Pre only follows a card the printer has taken.
            WaitAfterPrint();
            return SpoolRawCommand(name, r.Pre, false);
        }
        return true;
    }
    if (mode == "PARALLEL") {
        bool done = SendParallelCommand(text);
        if (text == r.Insert) {
            WaitAfterPrint();
            done = SendParallelCommand(r.Pre) && done;
        }
        return done;
    }
    return false;
}

bool ZebraCommand(const std::string& mode, const std::string& name, const std::string& command)
{
    const std::string word = platform::UpperCase(command);
    std::string text = command;
    if (word == "FEED") text = "MS";
    else if (word == "EJECT") text = "ME";
    else if (word == "REJECT") text = "MRB";
    else if (word == "RETURN") text = "MI";
    if (mode == "USB") return SpoolRawCommand(name, text, false);
    if (mode == "PARALLEL") return SendParallelCommand(text);
    return false;
}

bool FargoCommand(const std::string& mode, const std::string& name, const std::string& command)
{
    if (mode != "USB") return false;
    LoadControlCommands();
    const TMyIniCmd& r = MyIniCmd();
    const std::string start("\x1B\x00\x02", 3);
    const std::string word = platform::UpperCase(command);
    if (word == "FEED") {
        const bool done = SpoolRawCommand(name, start + r.Insert + start + r.Pre, true);
        WaitAfterPrint();
        return done;
    }
    if (word == "EJECT") return SpoolRawCommand(name, start + r.Eject, true);
    return SpoolRawCommand(name, start + command, true);
}

} // namespace tavrin
