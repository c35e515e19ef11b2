#pragma once
// What the configuration dialog needs from the program: the run's
// configuration file, the installed printers, the parallel ports and the
// printer catalogue. The dialog lives in the GUI module, which is loaded
// only when a window must be shown and links none of the program's code;
// it reaches all of this through this one interface, so the rules stay in
// one place.
//
// Also the entry points the GUI module exports, with their C signatures.
#include "core/Catalogue.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavrin {

class TDialogHost {
public:
    virtual ~TDialogHost() = default;

    // The configuration file. A write that cannot be done returns false
    // with the error's text ("Unable to write to <path>") in error. Nothing
    // is thrown across this interface: the module has a C++ runtime of its
    // own (on Windows always, each DLL linking it in), and an exception
    // must be caught by the runtime that threw it.
    virtual std::string ConfigFileName() const = 0;
    virtual void ReplaceConfigFile(const std::string& fileName) = 0;
    virtual std::string ReadString(const std::string& section, const std::string& key,
                                   const std::string& def) const = 0;
    virtual int ReadInteger(const std::string& section, const std::string& key, int def) const = 0;
    virtual bool ReadBool(const std::string& section, const std::string& key, bool def) const = 0;
    virtual bool ValueExists(const std::string& section, const std::string& key) const = 0;
    virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                             std::string& error) = 0;
    virtual bool DeleteKey(const std::string& section, const std::string& key, std::string& error) = 0;
    virtual bool FileExists(const std::string& path) const = 0;

    // The printing system and the machine.
    virtual std::vector<std::string> InstalledPrinters() const = 0;
    virtual const std::vector<std::string>& ParallelPorts() const = 0;
    virtual bool NoParallelPorts() const = 0;
    // Where the driver chooser starts.
    virtual std::string DriverDirectory() const = 0;

    // The catalogue.
    virtual TTypeGuess GuessPrinterTypes(const std::string& printerName) const = 0;
    virtual TModeList ModesForType(const std::string& type, const std::string& printerName,
                                   bool haveParallelPorts) const = 0;
    virtual TTypeDefaults TypeDefaults(const std::string& type, const std::string& printerName) const = 0;
    virtual std::string SensorInsertCommand(int sensorNo) const = 0;
};

} // namespace tavrin

// The GUI module's entry points. Which file holds them (the Qt module on
// Linux, the Win32 one on Windows) and where it is looked for is the
// platform layer's to know (platform::GuiEntryPoint, MessageBox.h).
extern "C" {
// Shows one modal message box; icon as platform::MessageIcon. Returns 1
// when a window was shown, 0 when none could be (the caller falls back to
// the console).
using TavrinGuiMessageBoxFn = int (*)(const char* text, std::size_t textLength, const char* caption,
                                      std::size_t captionLength, int icon);
// Loads the settings into the configuration dialog and shows it until it
// closes. Returns 1 when the dialog was shown.
using TavrinGuiConfigurationDialogFn = int (*)(tavrin::TDialogHost* host);
// Shows the help window with the given text until it closes. Returns 1
// when the window was shown.
using TavrinGuiHelpWindowFn = int (*)(const char* text, std::size_t textLength);
}
