#pragma once
// The record of one run: what it was asked, which configuration and printer
// it used, what each printer family and vendor library answered, what the
// user was shown, and how long it took. Kept in memory as the run goes and
// written as one line when it ends, so that a station without a desktop
// can tell afterwards what a run did:
//
//     TAVRIN_LOG unset or "syslog"   the system log (ident "tavrin",
//                                    facility user; journald picks it up)
//     TAVRIN_LOG=stderr              standard error, "tavrin: " first
//     TAVRIN_LOG=off                 nowhere
//
// The line is key=value pairs; a list repeats its key. A value is written
// bare when it has no blank, quote, backslash, '=' or control character,
// otherwise in double quotes with \" \\ \r \n \t and \xHH escapes:
//
//     arg=/e:FEED action=command config=/opt/tavrin/tavrin.ini
//     printer=Zebra_P330i type=ZEBRA mode=USB command=FEED job=17
//     job-state=completed job-reasons=job-completed-successfully job-ms=31
//     family=done outcome=ok exit=0 ms=412
//
// The run also decides the exit status: 0 always, unless
// TAVRIN_EXIT_STATUS=1 asks for 0 on success, 1 when a command failed or
// any message was shown, 2 for an invalid parameter or a missing file.
#include "platform/MessageBox.h"
#include "platform/Spooler.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

class TRunLog {
public:
    enum class TAction { None, Command, Test, Dialog, Help };
    enum class TRefusal { None, InvalidParameter, FileNotFound };

    // A new run with the program's arguments (argv[0] the program).
    void Start(const std::vector<std::string>& argv);

    void Action(TAction action) { action_ = action; }
    void ConfigFile(const std::string& path) { config_ = path; }
    void Printer(const std::string& name, const std::string& type, const std::string& mode);
    // One command handed to a printer family, and what the family said.
    void Command(const std::string& text);
    void Family(bool done);
    // A vendor library's answer to one call: "Velkit_EncodeTransfer=10
    // VELTO_ERROR_PRINTER". detail (a name, a printer message) is optional.
    void Vendor(std::string_view call, std::int64_t code, std::string_view detail = {});
    // A call whose answer is no number ("Velkit_OpenA=NULL").
    void Vendor(std::string_view call, std::string_view result);
    // One raw spooler job: its id, final state and reasons, and the time
    // from handing it over to its delivery (or to giving up).
    void Job(const platform::SpoolOutcome& job);
    // Why the run could not do what it was asked, where no message says
    // it ("print system unreachable: ...").
    void Cause(std::string_view text);
    void Shown(std::string_view text);
    void Refused(TRefusal refusal) { refusal_ = refusal; }

    // 0 success, 1 a command failed or a message was shown, 2 an invalid
    // parameter or a missing file.
    int Outcome() const;

    // The line for a run that ends with the given exit status.
    std::string Line(int exitStatus) const;

    // Writes the line where TAVRIN_LOG says and gives the process's exit
    // status (Outcome() when TAVRIN_EXIT_STATUS=1, otherwise 0).
    int Finish();

    // A key the run wrote only for its own sake and could not write; the
    // run goes on, and the line says which key and why:
    // unwritten="StatusWindow/Visible: Permission denied".
    void KeyNotWritten(std::string_view section, std::string_view key, std::string_view why);

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::vector<std::string> args_;
    TAction action_ = TAction::None;
    TRefusal refusal_ = TRefusal::None;
    std::string config_;
    std::string printer_;  // "printer=... type=... mode=..." once read
    std::string steps_;    // command, vendor and family entries, in order
    std::vector<std::string> shown_;
    bool familyFailed_ = false;
};

// The run of this process.
TRunLog& RunLog();

// Every message box the program shows goes through these, so that the
// run's line holds what the user was told.
void ShowMessage(std::string_view text, std::string_view caption, platform::MessageIcon icon);
// The error box: caption "Error", error symbol.
void ShowError(std::string_view text);

// Appends key=value to line (with a blank before it unless line is empty),
// the value bare or quoted as the log line's rules say.
void AppendField(std::string& line, std::string_view key, std::string_view value);

} // namespace tavrin
