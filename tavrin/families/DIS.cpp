#include "Families.h"
#include "NotAvailable.h"

namespace tavrin {

bool DiiCommand(int, const std::string&, const std::string& command, bool)
{
    return FamilyNotAvailable("DII", command);
}

} // namespace tavrin
