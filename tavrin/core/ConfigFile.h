#pragma once
// The run's configuration file and the control-command record read from it.
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

// An INI file named by a path, which need not exist (reads then give the
// caller's default; the first write creates it). The object keeps nothing
// but the path; reads go through the platform's profile reader
// (platform/Profile.h), which keeps the text of the last few files it read
// and reads a file again when its stamp has changed or is not settled yet,
// and after any write made through it, so a read sees the file as it is.
// Every write is one read-modify-write of the file; one that cannot be done
// raises "Unable to write to <path>".
class TConfigFile {
public:
    explicit TConfigFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value) const;
    void WriteInteger(const std::string& section, const std::string& key, int value) const;
    void WriteBool(const std::string& section, const std::string& key, bool value) const;
    void DeleteKey(const std::string& section, const std::string& key) const;

private:
    std::string fileName_;
};

// The run's one configuration-file object. Starts on the default file (the
// program's path with the extension ".ini"); ReplaceConfigFile points it
// at another file.
TConfigFile& ConfigFile();
void ReplaceConfigFile(const std::string& fileName);
std::string DefaultConfigFileName();

// Section and key names used by more than one unit.
inline const std::string kPrinterConfiguration = "PrinterConfiguration";
inline const std::string kControlCommands = "ControlCommands";
inline const std::string kPortSection = "Port";
inline const std::string kStatusWindow = "StatusWindow";

// The seven [ControlCommands] texts, process-wide. Empty at start; filled
// only by LoadControlCommands.
struct TMyIniCmd {
    std::string Insert, Pre, Post, Eject, Error, Pause, PauseAfterPrint;
};
TMyIniCmd& MyIniCmd();

// The control commands: one row per key of [ControlCommands], in the order
// LoadControlCommands reads them. The only place their keys are spelled;
// the run's record and the configuration dialog both go by it. The
// dialog's field for a key bears the key as its label and the row's label
// as its explanation; PauseAfterPrint has no field (the dialog neither
// shows nor writes it).
struct TControlCommand {
    std::string TMyIniCmd::*field;
    const char* key;
    const char* runDefault;  // LoadControlCommands' default (the dialog reads "")
    const char* control;     // the dialog's field, nullptr for none
    const char* label;       // what the command is for
};
inline constexpr std::array<TControlCommand, 7> kControlCommandTable = {{
    {&TMyIniCmd::Insert, "Insert", "", "Einsert", "Command to feed a card"},
    {&TMyIniCmd::Pre, "Pre", "", "Epre", "Command before encoding"},
    {&TMyIniCmd::Post, "Post", "", "Epost", "Command before printing"},
    {&TMyIniCmd::Eject, "Eject", "", "Eeject", "Command to eject a card"},
    {&TMyIniCmd::Error, "Error", "", "Eerror", "Command after an error"},
    {&TMyIniCmd::Pause, "Pause", "0", "Epause", "Timeout in milliseconds after command"},
    {&TMyIniCmd::PauseAfterPrint, "PauseAfterPrint", "0", nullptr, nullptr},
}};
// The rows the dialog shows, the first ones of the table.
inline constexpr std::size_t kDialogCommandCount = 6;

// Reads the section from ConfigFile into MyIniCmd; always true.
bool LoadControlCommands();

// A wait held as text: a whole number of milliseconds ("$" marks
// hexadecimal); anything else, and a negative count, is 0.
unsigned WaitMilliseconds(const std::string& text);

} // namespace tavrin
