#include "Ui.h"

#include "platform/MessageBox.h"

namespace tavrin {

void ShowConfigurationDialog(const std::vector<std::string>&, bool)
{
    platform::ShowMessageBox("The configuration dialog is not available in this build yet.", "Tavrin",
                             platform::MessageIcon::Information);
}

void ShowHelpWindow()
{
    platform::ShowMessageBox("The parameter help window is not available in this build yet.", "Tavrin",
                             platform::MessageIcon::Information);
}

} // namespace tavrin
