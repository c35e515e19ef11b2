#pragma once
// The run's configuration file and the control-command record read from it.
#include <memory>
#include <string>
#include <vector>

namespace tavrin {

// An INI file named by a path. Nothing is cached: every operation goes to
// the file, which need not exist (reads then give the caller's default; the
// first write creates it). Writes that cannot be done raise
// "Unable to write to <path>".
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

// Reads the section from ConfigFile into MyIniCmd; always true.
bool LoadControlCommands();

// A wait held as text: a whole number of milliseconds ("$" marks
// hexadecimal); anything else, and a negative count, is 0.
unsigned WaitMilliseconds(const std::string& text);

} // namespace tavrin
