// Renders the configuration dialog in its main states and the help window
// on a real display and saves each window as a PNG file. Run by
// scripts/screenshots.sh under Xvfb; not a test.
#include "DialogSupport.h"
#include "ScreenshotStates.h"
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

namespace {

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

    bool ok = true;
    for (const auto& s : tavrin::uitest::ScreenshotStates("/usr/lib/tavrin/printer-drivers/libxid8300.so")) {
        QFile::remove(QString::fromStdString(ini));
        if (!s.config.empty()) tavrin::uitest::WriteText(ini, s.config);
        tavrin::ReplaceConfigFile(ini);
        tavrin::uitest::TTestHost host(tavrin::uitest::kOfficePrinters, {"LPT1", "LPT2"});
        tavrin::TfmMain fm(host);
        fm.LoadSettings("");
        ok = Save(fm, out + "/" + QString::fromStdString(s.name) + ".png") && ok;
    }
    tavrin::TfmInfo info(QString::fromStdString(tavrin::InfoText()));
    ok = Save(info, out + "/help-window.png") && ok;
    return ok ? 0 : 1;
}
