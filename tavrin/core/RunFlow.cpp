#include "RunFlow.h"

#include "Catalogue.h"
#include "ConfigFile.h"
#include "RunLog.h"
#include "platform/Clock.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/ParallelPorts.h"
#include "platform/Process.h"
#include "platform/Spooler.h"
#include "platform/Text.h"
#include "ui/Ui.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tavrin {

using platform::Contains;

namespace {

// Markers that are recognised in lower case only; "/e:" is matched in any case.
constexpr std::array<std::string_view, 7> kOtherMarkers = {"/a:", "/c:", "/d:", "/f:", "/i:", "/l:", "/m:"};

bool HasOtherMarker(std::string_view p)
{
    return std::any_of(kOtherMarkers.begin(), kOtherMarkers.end(), [p](auto m) { return Contains(p, m); });
}

std::string AfterFirstColon(const std::string& s)
{
    const auto colon = s.find(':');
    return colon == std::string::npos ? std::string() : s.substr(colon + 1);
}

constexpr unsigned kTestModeWaitMs = 5000;

class TRun {
public:
    explicit TRun(const std::vector<std::string>& argv) : argv_(argv) {}
    void Execute();

private:
    std::string ParamStr(size_t i) const { return i < argv_.size() ? argv_[i] : std::string(); }
    bool Collect();
    void ExecutionPass();
    void InvalidParameter(const std::string& p) const;
    bool SwitchConfigFile(const std::string& entry) const;
    void CommandPath(const std::string& entry) const;
    void TestMode() const;
    void ConfigurationDialog() const { ShowConfigurationDialog(ports_, noParallelPorts_); }

    std::vector<std::string> argv_;
    std::vector<std::string> slots_;
    std::vector<std::string> ports_;
    bool noParallelPorts_ = false;
    bool direct_ = false;
};

void TRun::Execute()
{
    // The configuration file comes first; the dialog and the help window
    // are only loaded when one of them is shown.
    ReplaceConfigFile(DefaultConfigFileName());
    RunLog().ConfigFile(ConfigFile().FileName());

    ports_ = ListParallelPorts();
    noParallelPorts_ = ports_.empty();

    if (argv_.size() <= 1) {
        RunLog().Action(TRunLog::TAction::Dialog);
        ConfigurationDialog();
        return;
    }
    if (Collect()) ExecutionPass();
}

bool TRun::Collect()
{
    std::string refused;
    auto slots = CollectParameters({argv_.begin() + 1, argv_.end()}, refused);
    if (!slots) {
        InvalidParameter(refused);
        return false;
    }
    slots_ = std::move(*slots);
    return true;
}

void TRun::ExecutionPass()
{
    for (const std::string& entry : slots_) {
        const std::string low = platform::LowerCase(entry);
        if (Contains(low, "/a:")) {
            RunLog().Action(TRunLog::TAction::Test);
            TestMode();
            return;
        }
        if (Contains(low, "/d:")) {
            direct_ = true;
            continue;
        }
        if (Contains(low, "/i:")) {
            RunLog().Action(TRunLog::TAction::Help);
            ShowHelpWindow();
            return;
        }
        if (Contains(low, "/l:") || Contains(low, "/m:")) continue;
        if (Contains(low, "/f:")) {
            if (!SwitchConfigFile(entry)) return;
            continue;
        }
        if (Contains(low, "/e:")) {
            RunLog().Action(TRunLog::TAction::Command);
            CommandPath(entry);
            return;
        }
        RunLog().Action(TRunLog::TAction::Dialog);
        ConfigurationDialog();
        return;
    }
}

void TRun::InvalidParameter(const std::string& p) const
{
    std::string text = "Invalid parameter: " + p + "\r\r" + platform::ProgramPath();
    for (size_t i = 1; i <= 6; ++i) text += " " + ParamStr(i);
    RunLog().Refused(TRunLog::TRefusal::InvalidParameter);
    ShowError(text);
}

// Linux file names distinguish case, so the path is taken as written
// rather than upper-cased; a file whose name differs only in case is still
// found, as it was on a case-blind file system.
bool TRun::SwitchConfigFile(const std::string& entry) const
{
    // An empty file is taken for none: it holds no configuration.
    const auto find = [](const std::string& path) {
        std::optional<std::string> found = platform::FindFileIgnoringCase(path);
        if (found && !platform::FileHasContent(*found)) found.reset();
        return found;
    };
    std::string path = AfterFirstColon(Unquote(platform::Trim(entry), '\''));
    std::string tried = path;
    std::optional<std::string> found = find(path);
    if (!found && platform::ExtractFilePath(path).empty()) {
        tried = platform::ProgramDir() + path;
        found = find(tried);
    }
    if (!found) {
        RunLog().Refused(TRunLog::TRefusal::FileNotFound);
        ShowError("File not found:\r" + tried);
        return false;
    }
    ReplaceConfigFile(*found);
    RunLog().ConfigFile(*found);
    return true;
}

void TRun::CommandPath(const std::string& entry) const
{
    const std::string command = NormaliseCommand(entry);
    const TConfigFile& config = ConfigFile();
    if (!platform::FileHasContent(config.FileName())) {
        RunLog().Refused(TRunLog::TRefusal::FileNotFound);
        return;
    }

    const std::string name = config.ReadString(kPrinterConfiguration, "PrinterName", "");
    std::string unreachable;
    if (!platform::PrinterInstalled(name, &unreachable)) {
        RunLog().Printer(name, "", "");
        // The message stays the one callers know; the log and standard
        // error say when it is the print system that is missing.
        if (!unreachable.empty()) {
            RunLog().Cause(unreachable);
            std::fprintf(stderr, "tavrin: %s\n", unreachable.c_str());
        }
        ShowError("Printer \"" + name + "\" was not found!");
        return;
    }
    const std::string type = platform::UpperCase(config.ReadString(kPrinterConfiguration, "PrinterType", "ESCPRINTERS"));
    if (!IsPrinterType(type)) {
        RunLog().Printer(name, type, "");
        ShowError("\"" + type + "\" is an invalid printertype!");
        return;
    }
    const std::string mode = config.ReadString(kPrinterConfiguration, "PrinterMode", "PARALLEL");
    RunLog().Printer(name, type, mode);

    RunLog().Command(command);
    const bool done = ExecutePrinterCommand(mode, type, name, command, direct_);
    RunLog().Family(done);
    // Pause holds a value only when the family loaded the control commands.
    platform::Sleep(WaitMilliseconds(MyIniCmd().Pause));
    if (!done) ShowError("Error while execute command");
}

void TRun::TestMode() const
{
    const TConfigFile& config = ConfigFile();
    if (!platform::FileHasContent(config.FileName())) {
        RunLog().Refused(TRunLog::TRefusal::FileNotFound);
        return;
    }
    const std::string mode = config.ReadString(kPrinterConfiguration, "PrinterMode", "PARALLEL");
    const std::string type = config.ReadString(kPrinterConfiguration, "PrinterType", "ESCPRINTERS");
    const std::string name = config.ReadString(kPrinterConfiguration, "PrinterName", "");
    RunLog().Printer(name, type, mode);
    // The results change nothing here; the log and the exit status tell them.
    RunLog().Command("FEED");
    RunLog().Family(ExecutePrinterCommand(mode, type, name, "FEED", direct_));
    platform::Sleep(kTestModeWaitMs);
    RunLog().Command("EJECT");
    RunLog().Family(ExecutePrinterCommand(mode, type, name, "EJECT", direct_));
}

} // namespace

std::vector<std::string> ListParallelPorts()
{
    auto names = platform::ParallelPortNames();
    if (!names) throw platform::Error("Fehler Registry auslesen!");
    std::stable_sort(names->begin(), names->end(),
                     [](const std::string& a, const std::string& b) { return platform::CompareText(a, b) < 0; });
    return *names;
}

std::optional<std::vector<std::string>> CollectParameters(const std::vector<std::string>& parameters,
                                                          std::string& refused)
{
    const size_t count = parameters.size();
    std::vector<std::string> slots(count);
    bool commandSeen = false;
    for (size_t i = 1; i <= count; ++i) {
        const std::string& p = parameters[i - 1];
        if (!commandSeen) {
            if (Contains(platform::LowerCase(p), "/e:")) {
                slots[count - 1] = p;
                slots[i - 1] = p;
                commandSeen = true;
            } else if (HasOtherMarker(p)) {
                slots[i - 1] = p;
            } else {
                refused = p;
                return std::nullopt;
            }
        } else {
            slots[i - 2] = p;
            if (!HasOtherMarker(p)) {
                refused = p;
                return std::nullopt;
            }
        }
    }
    return slots;
}

std::string Unquote(std::string_view text, char q)
{
    if (text.empty() || text.front() != q) return std::string(text);
    std::string result;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] != q) {
            result += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == q) {
            result += q;
            ++i;
            continue;
        }
        return result.empty() ? std::string(text) : result;
    }
    return std::string(text);  // never closed
}

std::string NormaliseCommand(std::string_view parameter)
{
    std::string p(parameter);
    static constexpr std::array<std::string_view, 5> words = {"feed", "eject", "reject", "return", "flip"};
    if (std::any_of(words.begin(), words.end(), [&](auto w) { return Contains(p, w); })) p = platform::UpperCase(p);
    p = platform::Trim(p);
    p = Unquote(Unquote(p, '\''), '"');
    return AfterFirstColon(p);
}

void Run(const std::vector<std::string>& argv)
{
    RunLog().Start(argv);
    // Counting stops at the first empty parameter.
    std::vector<std::string> args;
    for (const auto& a : argv) {
        if (!args.empty() && a.empty()) break;
        args.push_back(a);
    }
    TRun(args).Execute();
}

} // namespace tavrin
