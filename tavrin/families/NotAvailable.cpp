#include "NotAvailable.h"

#include "platform/MessageBox.h"

#include <string>

namespace tavrin {

bool FamilyNotAvailable(std::string_view family, std::string_view command)
{
    platform::ShowErrorBox("The " + std::string(family) + " printer family is not available in this build yet (command " +
                           std::string(command) + ").");
    return false;
}

} // namespace tavrin
