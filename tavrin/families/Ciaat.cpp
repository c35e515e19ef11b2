#include "Families.h"
#include "NotAvailable.h"

namespace tavrin {

bool CiaatCommand(const std::string&, const std::string&, const std::string& command)
{
    return FamilyNotAvailable("CIAAT", command);
}

} // namespace tavrin
