// wine-printers: the Windows spooler's printers as a Windows program sees
// them, for the black-box harness's Wine flavour.
//
//   wine-printers list              the installed printers, one name a line
//   wine-printers add NAME PORT     installs NAME on PORT (a vendor port such
//                                   as "VUSB3:") with a driver Wine has (one
//                                   it made for a CUPS queue)
//   wine-printers delete NAME       removes it again
//   wine-printers offline NAME 1|0  sets or clears "use printer offline"
//                                   (PRINTER_ATTRIBUTE_WORK_OFFLINE), as an
//                                   operator does from the printer's menu
//
// Exit status 0 when done, 1 when the spooler refused (its error code is
// written on standard error).
//
// Wine copies the CUPS queues into its own printer list only in a process
// that finds no other process of the prefix using the spooler; one that
// does takes the list as that one found it, which may predate a queue just
// added. The harness therefore runs its Windows programs one at a time and
// runs "list" after adding a queue until the queue is listed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace {

int Fail(const char* what)
{
    std::fprintf(stderr, "%s failed: error %lu\n", what, static_cast<unsigned long>(::GetLastError()));
    return 1;
}

int List()
{
    DWORD needed = 0, count = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed,
                         &count))
        return Fail("EnumPrintersA");
    const auto* info = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pPrinterName) std::printf("%s\n", info[i].pPrinterName);
    return 0;
}

// The first printer driver installed: Wine installs one for every queue it
// takes from CUPS, named after the queue.
std::string AnyDriver()
{
    DWORD needed = 0, count = 0;
    ::EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed ? needed : 1);
    if (!::EnumPrinterDriversA(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count) || count == 0) return {};
    const auto* info = reinterpret_cast<const DRIVER_INFO_1A*>(buffer.data());
    return info[0].pName ? info[0].pName : "";
}

int Add(std::string name, std::string port)
{
    std::string driver = AnyDriver();
    if (driver.empty()) return Fail("EnumPrinterDriversA");
    char processor[] = "WinPrint";
    char datatype[] = "RAW";
    PRINTER_INFO_2A info {};
    info.pPrinterName = name.data();
    info.pPortName = port.data();
    info.pDriverName = driver.data();
    info.pPrintProcessor = processor;
    info.pDatatype = datatype;
    const HANDLE printer = ::AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) return Fail("AddPrinterA");
    ::ClosePrinter(printer);
    return 0;
}

int Delete(std::string name)
{
    PRINTER_DEFAULTSA access {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!::OpenPrinterA(name.data(), &printer, &access)) return Fail("OpenPrinterA");
    const BOOL deleted = ::DeletePrinter(printer);
    ::ClosePrinter(printer);
    return deleted ? 0 : Fail("DeletePrinter");
}

int Offline(std::string name, bool offline)
{
    PRINTER_DEFAULTSA access {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!::OpenPrinterA(name.data(), &printer, &access)) return Fail("OpenPrinterA");
    DWORD needed = 0;
    ::GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed ? needed : 1);
    BOOL done = ::GetPrinterA(printer, 2, buffer.data(), needed, &needed);
    if (done) {
        auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        info->Attributes = offline ? info->Attributes | PRINTER_ATTRIBUTE_WORK_OFFLINE
                                   : info->Attributes & ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE);
        info->pSecurityDescriptor = nullptr;
        info->pDevMode = nullptr;
        done = ::SetPrinterA(printer, 2, buffer.data(), 0);
    }
    ::ClosePrinter(printer);
    return done ? 0 : Fail("SetPrinterA");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "list") == 0) return List();
    if (argc == 4 && std::strcmp(argv[1], "add") == 0) return Add(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "delete") == 0) return Delete(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "offline") == 0) return Offline(argv[2], std::strcmp(argv[3], "1") == 0);
    std::fprintf(stderr, "usage: wine-printers list | add NAME PORT | delete NAME | offline NAME 1|0\n");
    return 2;
}
