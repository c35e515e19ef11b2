// Renders the configuration dialog in its main states and the help window
// on a real display and saves each window as a PNG file. Run by
// scripts/screenshots.sh under Xvfb; not a test.
#include "core/ConfigFile.h"
#include "ui/Info.h"
#include "ui/Ui.h"
#include "ui/qt/TfmInfo.h"
#include "ui/qt/TfmMain.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>

namespace {

// The printers of a small card office, and two parallel ports.
class TDemoHost : public tavrin::TUiHost {
public:
    TDemoHost() : TUiHost({"LPT1", "LPT2"}, false) {}
    std::vector<std::string> InstalledPrinters() const override
    {
        return {"Office card printer", "Zebra P330i", "Card desk XID8300", "Magicard Rio Pro", "Velto USB 200"};
    }

protected:
    bool LibraryExists(std::string_view) const override { return false; }
};

bool Save(QWidget& window, const QString& file)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    QTest::qWait(200);  // let the window system paint it
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    if (!shot.save(file, "PNG")) return false;
    std::printf("%s\n", qPrintable(file));
    window.hide();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    QTemporaryDir work;
    const std::string ini = work.path().toStdString() + "/tavrin.ini";

    struct State {
        const char* file;
        const char* config;  // nullptr: no configuration file
    };
    const State states[] = {
        {"dialog-no-printer.png", nullptr},
        {"dialog-escprinters.png",
         "[PrinterConfiguration]\nPrinterName=Office card printer\nPrinterType=ESCPRINTERS\nPrinterMode=USB\n"
         "[ControlCommands]\nInsert=MI\nPre=MS\nPost=MP\nEject=ME\nError=MR\nPause=2000\n"},
        {"dialog-zebra-parallel-receive.png",
         "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n"
         "[ControlCommands]\nInsert=MS\nPre=MS 2\nPost=MI\nEject=ME\nError=ME\nPause=5000\n"
         "[Port]\nPortNo=1\nReceiveData=YES\nPortAddress=$0378\n"},
        {"dialog-dii-custom.png",
         "[PrinterConfiguration]\nPrinterName=Card desk XID8300\nPrinterType=DII\nPrinterMode=3\nFlipCard=1\n"
         "Contact=0\nDriverDLL=/usr/lib/tavrin/printer-drivers/libxid8300.so\n"
         "[ControlCommands]\nInsert=FEED\nPost=RETURN\nEject=EJECT\nError=EJECT\nPause=45000\n"},
        {"dialog-magicard-xxl-pro.png",
         "[PrinterConfiguration]\nPrinterName=Magicard Rio Pro\nPrinterType=MAGICARD\nPrinterMode=XXL Pro\n"
         "UseDriverAPI=1\nSensorNo=3\n[ControlCommands]\nInsert=GEM20\nEject=EJT\nError=EJT\n"},
    };
    bool ok = true;
    for (const State& s : states) {
        QFile::remove(QString::fromStdString(ini));
        if (s.config) std::ofstream(ini, std::ios::trunc) << s.config;
        tavrin::ReplaceConfigFile(ini);
        TDemoHost host;
        tavrin::TfmMain fm(host);
        fm.LoadSettings("");
        ok = Save(fm, out + "/" + s.file) && ok;
    }
    tavrin::TfmInfo info(QString::fromStdString(tavrin::InfoText()));
    ok = Save(info, out + "/help-window.png") && ok;
    return ok ? 0 : 1;
}
