// Velkit's result codes as callers keep them in their own code and logs:
// each value and the name printed for it, written out here once as numbers
// (the one place they are pinned). Both lookups, the C function of the
// header and the C++ one the program shows names with, must give exactly
// these names, and no other value may have one. (Which value each call
// returns is checked through the probe.)
#include "velkit/ResultCodes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Pinned {
    int code;
    const char* name;
};

constexpr Pinned kPinned[] = {
    {0, "VELTO_SUCCESS"},
    {1, "VELTO_ERROR_WINDOWSERROR"},
    {2, "VELTO_ERROR_PRINTERNOTFOUND"},
    {3, "VELTO_ERROR_NOTSUPPORTEDBYDRIVER"},
    {4, "VELTO_ERROR_DOCALREADYATTACHED"},
    {5, "VELTO_ERROR_DOCNOTATTACHED"},
    {7, "VELTO_ERROR_NOTIMPLEMENTED"},
    {8, "VELTO_ERROR_FILENOTFOUND"},
    {9, "VELTO_ERROR_TIMEOUT"},
    {10, "VELTO_ERROR_PRINTER"},
    {11, "VELTO_ERROR_CMDFAILURE"},
    {16, "VELTO_ERROR_PRINTERNOTREADY"},
    {17, "VELTO_ERROR_LIBNOTFOUND"},
    {18, "VELTO_ERROR_MISSINGENTRYPOINT"},
    {100, "VELTO_INVALID_CALLLOCATION"},
    {101, "VELTO_INVALID_PRINTERMODE"},
    {102, "VELTO_INVALID_PARAMETER"},
    {103, "VELTO_INVALID_DEVICECONTEXT"},
    {104, "VELTO_INVALID_DEVICEHANDLE"},
    {105, "VELTO_INVALID_PRINTERHANDLE"},
    {106, "VELTO_INVALID_UVGRAPHIC"},
    {107, "VELTO_INVALID_PRINTERPORT"},
    {108, "VELTO_INVALID_DEVMODE"},
    {109, "VELTO_INVALID_HARDWARE"},
    {400, "VELTO_ERROR_IC_ABORTED"},
    {500, "VELTO_ERROR_HID24_ALREADYOPEN"},
    {501, "VELTO_ERROR_HID24_LOADFAILED"},
    {502, "VELTO_ERROR_HID24_UNKNOWN"},
    {503, "VELTO_ERROR_HID24_SYNTAXERROR"},
    {504, "VELTO_ERROR_HID24_CMDFAILURE"},
    {505, "VELTO_ERROR_HID24_CMDTIMEOUT"},
    {550, "VELTO_ERROR_MIFARE24_ALREADYOPEN"},
    {551, "VELTO_ERROR_MIFARE24_LOADFAILED"},
    {552, "VELTO_ERROR_MIFARE24_UNKNOWN"},
    {553, "VELTO_ERROR_MIFARE24_COMPORTFAILED"},
    {554, "VELTO_ERROR_MIFARE24_SENDFAILED"},
    {555, "VELTO_ERROR_MIFARE24_RECEIVEFAILED"},
    {556, "VELTO_ERROR_MIFARE24_INVALIDREPLY"},
    {557, "VELTO_ERROR_MIFARE24_HEADER"},
    {558, "VELTO_ERROR_MIFARE24_FOOTER"},
    {559, "VELTO_ERROR_MIFARE24_CRC"},
    {560, "VELTO_ERROR_MIFARE24_NODATA"},
    {561, "VELTO_ERROR_MIFARE24_INVALIDPARAMETER"},
    {562, "VELTO_ERROR_MIFARE24_INVALIDCOM"},
    {563, "VELTO_ERROR_MIFARE24_BAUDRATE"},
    {564, "VELTO_ERROR_MIFARE24_PARITY"},
    {565, "VELTO_ERROR_MIFARE24_DATABIT"},
    {566, "VELTO_ERROR_MIFARE24_STOPBIT"},
    {600, "VELTO_ERROR_ICLASS24_ALREADYOPEN"},
    {601, "VELTO_ERROR_ICLASS24_LOADFAILED"},
    {602, "VELTO_ERROR_ICLASS24_UNKNOWN"},
    {603, "VELTO_ERROR_ICLASS24_COMPORTFAILED"},
    {604, "VELTO_ERROR_ICLASS24_SENDFAILED"},
    {605, "VELTO_ERROR_ICLASS24_RECEIVEFAILED"},
    {606, "VELTO_ERROR_ICLASS24_INVALIDREPLY"},
    {607, "VELTO_ERROR_ICLASS24_HEADER"},
    {608, "VELTO_ERROR_ICLASS24_FOOTER"},
    {609, "VELTO_ERROR_ICLASS24_CRC"},
    {610, "VELTO_ERROR_ICLASS24_NODATA"},
    {611, "VELTO_ERROR_ICLASS24_INVALIDPARAMETER"},
    {612, "VELTO_ERROR_ICLASS24_INVALIDCOM"},
    {613, "VELTO_ERROR_ICLASS24_BAUDRATE"},
    {614, "VELTO_ERROR_ICLASS24_PARITY"},
    {615, "VELTO_ERROR_ICLASS24_DATABIT"},
    {616, "VELTO_ERROR_ICLASS24_STOPBIT"},
};

const char* PinnedName(int code)
{
    for (const Pinned& p : kPinned)
        if (p.code == code) return p.name;
    return nullptr;
}

} // namespace

TEST(VelkitResultCodes, EachValueHasItsPinnedNameAndNoOtherValueHasOne)
{
    for (int code = -10; code <= 1000; ++code) {
        const char* pinned = PinnedName(code);
        const char* c = Velkit_ResultName(code);
        EXPECT_EQ(std::string(c ? c : "(none)"), pinned ? pinned : "(none)") << "C lookup of " << code;
        EXPECT_EQ(std::string(velkit::ResultCodeName(code)), pinned ? pinned : "") << "C++ lookup of " << code;
    }
    // The header's list of names holds the pinned ones and no more.
    EXPECT_EQ(std::size(velkit::kResultCodes), std::size(kPinned));
}
