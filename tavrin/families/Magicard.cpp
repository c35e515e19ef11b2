#include "Families.h"
#include "NotAvailable.h"

namespace tavrin {

bool MagicardCommand(const std::string&, const std::string&, const std::string& command, bool)
{
    return FamilyNotAvailable("MAGICARD", command);
}

} // namespace tavrin
