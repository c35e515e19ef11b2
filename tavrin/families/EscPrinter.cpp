#include "Families.h"
#include "NotAvailable.h"

namespace tavrin {

bool EscPrinterCommand(const std::string&, const std::string&, const std::string& command, bool)
{
    return FamilyNotAvailable("ESC command", command);
}

bool ZebraCommand(const std::string&, const std::string&, const std::string& command)
{
    return FamilyNotAvailable("ZEBRA", command);
}

bool FargoCommand(const std::string&, const std::string&, const std::string& command)
{
    return FamilyNotAvailable("FARGO", command);
}

} // namespace tavrin
