// The GUI module's entry points. The program and its libraries reach them
// by name after loading the module, and only when a window must be shown.
#include "TfmInfo.h"
#include "TfmMain.h"
#include "ui/DialogHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QStyle>

#include <cstdlib>
#include <memory>

#define TAVRIN_GUI_EXPORT extern "C" __attribute__((visibility("default")))

namespace tavrin {
namespace {

// The application object for one window's time, unless someone (a test)
// has one already. Windows are rare and short in this program, so each
// one connects to the display afresh and leaves nothing behind.
class TApplicationScope {
public:
    TApplicationScope()
    {
        if (QApplication::instance()) {
            usable_ = qobject_cast<QApplication*>(QApplication::instance()) != nullptr;
            return;
        }
        // A display that cannot be reached must not end the run: fall
        // through to the offscreen platform and report the window as not
        // shown, so the caller uses the console.
        if (displayUnreachable) return;  // tried once this run already
        const bool chosenByUser = IsSet("QT_QPA_PLATFORM");
        if (!chosenByUser) {
            if (IsSet("WAYLAND_DISPLAY")) platformList_ += "wayland;";
            if (IsSet("DISPLAY")) platformList_ += "xcb;";
            platformList_ += "offscreen";
            argv_[argc_++] = platformOption_;
            argv_[argc_++] = platformList_.data();
        }
        owned_ = std::make_unique<QApplication>(argc_, argv_);
        usable_ = chosenByUser || QApplication::platformName() != QLatin1String("offscreen");
        if (!usable_) {
            owned_.reset();
            displayUnreachable = true;
        }
    }

    bool Usable() const { return usable_; }

private:
    static bool IsSet(const char* name)
    {
        const char* v = std::getenv(name);
        return v && *v;
    }

    static inline bool displayUnreachable = false;
    int argc_ = 1;
    char programName_[7] = "tavrin";
    char platformOption_[10] = "-platform";
    std::string platformList_;
    char* argv_[4] = {programName_, nullptr, nullptr, nullptr};
    std::unique_ptr<QApplication> owned_;
    bool usable_ = false;
};

QMessageBox::Icon ToQtIcon(int icon)
{
    switch (icon) {
    case 1: return QMessageBox::Information;
    case 2: return QMessageBox::Warning;
    case 3: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
    }
}

// Texts break lines with a carriage return; the window wants line feeds.
QString MessageText(const char* text, std::size_t length)
{
    QString s = QString::fromUtf8(text, static_cast<qsizetype>(length));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace
} // namespace tavrin

TAVRIN_GUI_EXPORT int TavrinGuiMessageBox(const char* text, std::size_t textLength, const char* caption,
                                          std::size_t captionLength, int icon)
{
    tavrin::TApplicationScope app;
    if (!app.Usable()) return 0;
    QMessageBox box(tavrin::ToQtIcon(icon), QString::fromUtf8(caption, static_cast<qsizetype>(captionLength)),
                    tavrin::MessageText(text, textLength), QMessageBox::Ok);
    box.exec();
    return 1;
}

TAVRIN_GUI_EXPORT int TavrinGuiConfigurationDialog(tavrin::TDialogHost* host)
{
    if (!host) return 0;
    tavrin::TApplicationScope app;
    if (!app.Usable()) return 0;
    tavrin::TfmMain fmMain(*host);
    fmMain.LoadSettings("");
    fmMain.exec();
    return 1;
}

TAVRIN_GUI_EXPORT int TavrinGuiHelpWindow(const char* text, std::size_t textLength)
{
    tavrin::TApplicationScope app;
    if (!app.Usable()) return 0;
    tavrin::TfmInfo fmInfo(QString::fromUtf8(text, static_cast<qsizetype>(textLength)));
    fmInfo.exec();
    return 1;
}
