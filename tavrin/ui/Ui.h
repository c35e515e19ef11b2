#pragma once
// The program's windows: the configuration dialog and the parameter help
// window, both modal.
#include <string>
#include <vector>

namespace tavrin {

// Loads the settings of the current configuration file into the dialog
// and shows it until it is closed.
void ShowConfigurationDialog(const std::vector<std::string>& parallelPorts, bool noParallelPorts);

// Shows the list of valid parameters and commands until it is closed.
void ShowHelpWindow();

} // namespace tavrin
