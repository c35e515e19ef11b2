#include "Info.h"

namespace tavrin {

const std::array<std::string_view, kInfoLineCount>& InfoLines()
{
    // Spelling kept as users of the program have always read it; lines 6
    // and 63 end in a blank.
    static constexpr std::array<std::string_view, kInfoLineCount> lines = {
        "Valid paramters:",
        "- each parameter can be combined with other",
        "  parameters",
        "- each parameter is seperated by a space",
        "",
        "/a: ",
        "Starts testmode:",
        "Feeds the card, waits 5 seconds and ejects it.",
        "",
        "/c:",
        "Starts the configuration routine.",
        "",
        "/d:",
        "Direct mode:",
        "Without appending any start- and stop-signs.",
        "ONLY for FARGO Printers!",
        "",
        "/e: + Command",
        "Command which should be executed.",
        "i.e.: /e:FEED",
        "It is needed to set the whole command",
        "in quotation marks, if a special sign is used.",
        "i.e.: /e:\"MM 300 1\"",
        "",
        "/f: + Filename incl. Directory",
        "Readout data from another INI-file.",
        "If no INI-file is defined or the INI-file is",
        "not found, then default will be taken,",
        "the Tavrin.ini in the program directory.",
        "",
        "/i:",
        "Opens this info window.",
        "",
        "/l:",
        "Sets language for the configuration. Default is english.",
        "i.e.: /l:German",
        "",
        "-------------------------------------------------------------------------------------------",
        "",
        "Valid Commands:",
        "",
        "FEED:",
        "The Card will be feeded into the printer.",
        "",
        "EJECT:",
        "Feeds the card to the output hopper.",
        "",
        "RETURN:",
        "Positions the card for printing (only possible with",
        "Eltron/Zebra, DII and Velto).",
        "",
        "REJECT:",
        "Drives the card into the reject box, assumed",
        "that there is a reject-box, in the active printer.",
        "(only with Eltron/Zebra)",
        "If there exists no reject-box in the active",
        "printer, then the card will be ejected by the",
        "output hopper, such as with the EJECT command.",
        "",
        "FLIP:",
        "Flips the card before printing (only with Velto SCSI).",
        "",
        "Additionally direct escape commands can be send to the ",
        "selected printer.",
    };
    return lines;
}

std::string InfoText()
{
    std::string text;
    for (auto line : InfoLines()) text.append(line).append("\n");
    return text;
}

} // namespace tavrin
