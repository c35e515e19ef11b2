#pragma once
// What the screenshots of both builds show: the printers of a small card
// office and the configuration files the dialog is opened on.
#include <string>
#include <vector>

namespace tavrin::uitest {

inline const std::vector<std::string> kOfficePrinters = {"Office card printer", "Zebra P330i", "Card desk XID8300",
                                                         "Magicard Rio Pro", "Velto USB 200"};

struct TScreenshotState {
    std::string name;    // the picture's file name, without extension
    std::string config;  // empty: no configuration file
};

// driverDll: the DII custom driver shown, as a path of the build's system.
inline std::vector<TScreenshotState> ScreenshotStates(const std::string& driverDll)
{
    return {
        {"dialog-no-printer", ""},
        {"dialog-escprinters",
         "[PrinterConfiguration]\nPrinterName=Office card printer\nPrinterType=ESCPRINTERS\nPrinterMode=USB\n"
         "[ControlCommands]\nInsert=MI\nPre=MS\nPost=MP\nEject=ME\nError=MR\nPause=2000\n"},
        {"dialog-zebra-parallel-receive",
         "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n"
         "[ControlCommands]\nInsert=MS\nPre=MS 2\nPost=MI\nEject=ME\nError=ME\nPause=5000\n"
         "[Port]\nPortNo=1\nReceiveData=YES\nPortAddress=$0378\n"},
        {"dialog-dii-custom",
         "[PrinterConfiguration]\nPrinterName=Card desk XID8300\nPrinterType=DII\nPrinterMode=3\nFlipCard=1\n"
         "Contact=0\nDriverDLL=" + driverDll + "\n"
         "[ControlCommands]\nInsert=FEED\nPost=RETURN\nEject=EJECT\nError=EJECT\nPause=45000\n"},
        {"dialog-magicard-xxl-pro",
         "[PrinterConfiguration]\nPrinterName=Magicard Rio Pro\nPrinterType=MAGICARD\nPrinterMode=XXL Pro\n"
         "UseDriverAPI=1\nSensorNo=3\n[ControlCommands]\nInsert=GEM20\nEject=EJT\nError=EJT\n"},
    };
}

} // namespace tavrin::uitest
