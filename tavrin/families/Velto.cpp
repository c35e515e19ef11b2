#include "Families.h"
#include "NotAvailable.h"

namespace tavrin {

bool VeltoCommand(const std::string&, const std::string&, const std::string& command, int, std::string&)
{
    return FamilyNotAvailable("VELTO", command);
}

} // namespace tavrin
