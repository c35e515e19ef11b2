#include "Ui.h"

#include "Info.h"
#include "core/ConfigFile.h"
#include "core/RunLog.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/DriverDirectory.h"
#include "platform/Spooler.h"

#include <cstdio>
#include <exception>

namespace tavrin {

std::string TUiHost::ConfigFileName() const { return ConfigFile().FileName(); }

void TUiHost::ReplaceConfigFile(const std::string& fileName) { tavrin::ReplaceConfigFile(fileName); }

std::string TUiHost::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    return ConfigFile().ReadString(section, key, def);
}

int TUiHost::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    return ConfigFile().ReadInteger(section, key, def);
}

bool TUiHost::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ConfigFile().ReadBool(section, key, def);
}

bool TUiHost::ValueExists(const std::string& section, const std::string& key) const
{
    return ConfigFile().ValueExists(section, key);
}

bool TUiHost::WriteString(const std::string& section, const std::string& key, const std::string& value,
                          std::string& error)
{
    try {
        ConfigFile().WriteString(section, key, value);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool TUiHost::DeleteKey(const std::string& section, const std::string& key, std::string& error)
{
    try {
        ConfigFile().DeleteKey(section, key);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool TUiHost::FileExists(const std::string& path) const { return platform::FileExists(path); }

std::vector<std::string> TUiHost::InstalledPrinters() const { return platform::InstalledPrinters(); }

std::string TUiHost::DriverDirectory() const { return platform::DriverChooserDir(); }

TTypeGuess TUiHost::GuessPrinterTypes(const std::string& printerName) const
{
    return tavrin::GuessPrinterTypes(printerName, catalogue_);
}

TModeList TUiHost::ModesForType(const std::string& type, const std::string& printerName, bool haveParallelPorts) const
{
    return tavrin::ModesForType(
        type, printerName, haveParallelPorts, [this](std::string_view name) { return LibraryExists(name); }, catalogue_);
}

TTypeDefaults TUiHost::TypeDefaults(const std::string& type, const std::string& printerName) const
{
    return tavrin::TypeDefaults(type, printerName, catalogue_);
}

std::string TUiHost::SensorInsertCommand(int sensorNo) const { return tavrin::SensorInsertCommand(sensorNo); }

void ShowConfigurationDialog(const std::vector<std::string>& parallelPorts, bool noParallelPorts)
{
    std::string why;
    auto dialog = reinterpret_cast<TavrinGuiConfigurationDialogFn>(
        platform::GuiEntryPoint("TavrinGuiConfigurationDialog", &why));
    if (dialog) {
        TUiHost host(parallelPorts, noParallelPorts);
        if (dialog(&host) != 0) return;
        why = "the display could not be opened";
    }
    // Without a display there is nothing to configure with; say so and end
    // the run as if the dialog had been cancelled.
    ShowMessage(platform::DisplayAvailable() ? kDialogNotLoaded + why : std::string(kDialogNeedsDisplay), "Tavrin",
                platform::MessageIcon::Information);
}

void ShowHelpWindow()
{
    const std::string text = InfoText();
    if (auto window = reinterpret_cast<TavrinGuiHelpWindowFn>(platform::GuiEntryPoint("TavrinGuiHelpWindow"))) {
        if (window(text.data(), text.size()) != 0) return;
    }
    // Without a display the list is what the user asked for: print it.
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace tavrin
