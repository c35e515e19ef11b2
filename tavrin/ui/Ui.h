#pragma once
// The program's windows: the configuration dialog and the parameter help
// window, both modal. They live in the GUI module, loaded from the program
// directory only when one of them is shown on a graphical display; a card
// movement never loads it.
#include "DialogHost.h"

#include <string>
#include <vector>

namespace tavrin {

// Loads the settings of the current configuration file into the dialog
// and shows it until it is closed. Without a display the user is told that
// the dialog needs one, and the run ends.
void ShowConfigurationDialog(const std::vector<std::string>& parallelPorts, bool noParallelPorts);

// Shows the list of valid parameters and commands until it is closed.
// Without a display the list goes to standard output.
void ShowHelpWindow();

// The texts shown when the configuration dialog cannot be.
inline constexpr const char* kDialogNeedsDisplay =
    "The configuration dialog needs a graphical display (DISPLAY or WAYLAND_DISPLAY is not set).";
inline constexpr const char* kDialogNotLoaded = "The configuration dialog could not be shown: ";

// The dialog's view of the run: the run's ConfigFile, the printing system,
// the parallel ports found at start-up and the catalogue (the program's own
// unless another is given).
class TUiHost : public TDialogHost {
public:
    TUiHost(std::vector<std::string> parallelPorts, bool noParallelPorts,
            const TCatalogue& catalogue = BuiltInCatalogue())
        : ports_(std::move(parallelPorts)), noParallelPorts_(noParallelPorts), catalogue_(catalogue) {}

    std::string ConfigFileName() const override;
    void ReplaceConfigFile(const std::string& fileName) override;
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const override;
    int ReadInteger(const std::string& section, const std::string& key, int def) const override;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const override;
    bool ValueExists(const std::string& section, const std::string& key) const override;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value,
                     std::string& error) override;
    bool DeleteKey(const std::string& section, const std::string& key, std::string& error) override;
    bool FileExists(const std::string& path) const override;

    std::vector<std::string> InstalledPrinters() const override;
    const std::vector<std::string>& ParallelPorts() const override { return ports_; }
    bool NoParallelPorts() const override { return noParallelPorts_; }
    std::string DriverDirectory() const override;

    TTypeGuess GuessPrinterTypes(const std::string& printerName) const override;
    TModeList ModesForType(const std::string& type, const std::string& printerName,
                           bool haveParallelPorts) const override;
    TTypeDefaults TypeDefaults(const std::string& type, const std::string& printerName) const override;
    std::string SensorInsertCommand(int sensorNo) const override;

protected:
    // Whether a vendor library or driver file is there (decides the modes
    // offered for DII and VELTO).
    virtual bool LibraryExists(std::string_view windowsName) const { return DefaultFileExists(windowsName); }

private:
    std::vector<std::string> ports_;
    bool noParallelPorts_;
    const TCatalogue& catalogue_;
};

} // namespace tavrin
