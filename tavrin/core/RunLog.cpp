#include "RunLog.h"

#include "platform/SystemLog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tavrin {
namespace {

bool Bare(std::string_view value)
{
    if (value.empty()) return false;
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || c == '"' || c == '\\' || c == '=') return false;
    }
    return true;
}

void AppendQuoted(std::string& line, std::string_view value)
{
    line += '"';
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\r': line += "\\r"; break;
        case '\n': line += "\\n"; break;
        case '\t': line += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7F) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                line += "\\x";
                line += kHex[u >> 4];
                line += kHex[u & 0xF];
            } else {
                line += c;  // UTF-8 text stays as it is
            }
        }
    }
    line += '"';
}

const char* ActionName(TRunLog::TAction action)
{
    switch (action) {
    case TRunLog::TAction::Command: return "command";
    case TRunLog::TAction::Test: return "test";
    case TRunLog::TAction::Dialog: return "dialog";
    case TRunLog::TAction::Help: return "help";
    case TRunLog::TAction::None: break;
    }
    return "none";
}

bool EnvironmentIs(const char* name, const char* value)
{
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

} // namespace

void AppendField(std::string& line, std::string_view key, std::string_view value)
{
    if (!line.empty()) line += ' ';
    line.append(key).append("=");
    if (Bare(value)) line.append(value);
    else AppendQuoted(line, value);
}

void TRunLog::Start(const std::vector<std::string>& argv)
{
    *this = TRunLog();
    if (argv.size() > 1) args_.assign(argv.begin() + 1, argv.end());
}

void TRunLog::Printer(const std::string& name, const std::string& type, const std::string& mode)
{
    printer_.clear();
    AppendField(printer_, "printer", name);
    // What the run had not read yet when it stopped is left out.
    if (!type.empty()) AppendField(printer_, "type", type);
    if (!mode.empty()) AppendField(printer_, "mode", mode);
}

void TRunLog::Command(const std::string& text) { AppendField(steps_, "command", text); }

void TRunLog::Family(bool done)
{
    AppendField(steps_, "family", done ? "done" : "failed");
    if (!done) familyFailed_ = true;
}

void TRunLog::Vendor(std::string_view call, std::int64_t code, std::string_view detail)
{
    std::string result = std::to_string(code);
    if (!detail.empty()) result.append(" ").append(detail);
    Vendor(call, result);
}

void TRunLog::Vendor(std::string_view call, std::string_view result)
{
    std::string value(call);
    value.append("=").append(result);
    AppendField(steps_, "vendor", value);
}

void TRunLog::Job(const platform::SpoolOutcome& job)
{
    if (!job.jobId.empty()) AppendField(steps_, "job", job.jobId);
    if (!job.state.empty()) AppendField(steps_, "job-state", job.state);
    if (!job.reasons.empty()) AppendField(steps_, "job-reasons", job.reasons);
    if (!job.jobId.empty()) AppendField(steps_, "job-ms", std::to_string(job.ms));
    if (job.cancelled) AppendField(steps_, "job-cancelled", "yes");
}

void TRunLog::Cause(std::string_view text) { AppendField(steps_, "cause", text); }

void TRunLog::Shown(std::string_view text) { shown_.emplace_back(text); }

int TRunLog::Outcome() const
{
    if (refusal_ != TRefusal::None) return 2;
    return familyFailed_ || !shown_.empty() ? 1 : 0;
}

std::string TRunLog::Line(int exitStatus) const
{
    std::string line;
    for (const auto& a : args_) AppendField(line, "arg", a);
    AppendField(line, "action", ActionName(action_));
    if (!config_.empty()) AppendField(line, "config", config_);
    if (!printer_.empty()) line.append(line.empty() ? "" : " ").append(printer_);
    if (!steps_.empty()) line.append(line.empty() ? "" : " ").append(steps_);
    for (const auto& s : shown_) AppendField(line, "shown", s);
    static constexpr const char* kOutcomes[] = {"ok", "failed"};
    const int outcome = Outcome();
    const char* name = outcome < 2 ? kOutcomes[outcome]
                       : refusal_ == TRefusal::InvalidParameter ? "invalid-parameter"
                                                                 : "file-not-found";
    AppendField(line, "outcome", name);
    AppendField(line, "exit", std::to_string(exitStatus));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    AppendField(line, "ms", std::to_string(ms.count()));
    return line;
}

int TRunLog::Finish()
{
    const int status = EnvironmentIs("TAVRIN_EXIT_STATUS", "1") ? Outcome() : 0;
    if (EnvironmentIs("TAVRIN_LOG", "off")) return status;
    const std::string line = Line(status);
    if (EnvironmentIs("TAVRIN_LOG", "stderr")) {
        const std::string out = "tavrin: " + line + "\n";
        std::fwrite(out.data(), 1, out.size(), stderr);
        std::fflush(stderr);
    } else {
        platform::WriteSystemLog(line, Outcome() != 0);
    }
    return status;
}

TRunLog& RunLog()
{
    static TRunLog log;
    return log;
}

void ShowMessage(std::string_view text, std::string_view caption, platform::MessageIcon icon)
{
    RunLog().Shown(text);
    platform::ShowMessageBox(text, caption, icon);
}

void ShowError(std::string_view text) { ShowMessage(text, "Error", platform::MessageIcon::Error); }

void TRunLog::KeyNotWritten(std::string_view section, std::string_view key, std::string_view why)
{
    std::string value(section);
    value.append("/").append(key).append(": ").append(why);
    AppendField(steps_, "unwritten", value);
}

} // namespace tavrin
