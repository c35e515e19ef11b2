// The GUI module's entry points as the program calls them: each shows its
// window modally and reports that it did.
#include "core/ConfigFile.h"
#include "ui/Info.h"
#include "ui/Ui.h"
#include "ui/qt/TfmInfo.h"
#include "ui/qt/TfmMain.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

extern "C" int TavrinGuiMessageBox(const char*, std::size_t, const char*, std::size_t, int);
extern "C" int TavrinGuiConfigurationDialog(tavrin::TDialogHost*);
extern "C" int TavrinGuiHelpWindow(const char*, std::size_t);

namespace {

// Runs f on the modal window once it is up (the entry point under test is
// blocked in it meanwhile).
void WhenModal(std::function<void(QWidget*)> f)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            f(w);
        }
    });
    timer->start(10);
}

class TOnePrinterHost : public tavrin::TUiHost {
public:
    TOnePrinterHost() : TUiHost({"LPT1"}, false) {}
    std::vector<std::string> InstalledPrinters() const override { return {"Zebra P330i"}; }
};

} // namespace

class ModuleTest : public QObject {
    Q_OBJECT

private slots:
    void aMessageBoxShowsTheTextWithItsLineBreaksAndOneOkButton()
    {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        const std::string message = "File not found:\r/cards/x.ini";
        QCOMPARE(TavrinGuiMessageBox(message.data(), message.size(), "Error", 5, 3), 1);
        QCOMPARE(title, QStringLiteral("Error"));
        QCOMPARE(text, QStringLiteral("File not found:\n/cards/x.ini"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, 1);
    }

    void theHelpWindowClosesWithEsc()
    {
        QString shown;
        WhenModal([&](QWidget* w) {
            auto* info = dynamic_cast<tavrin::TfmInfo*>(w);
            QVERIFY(info);
            shown = info->Memo1->toPlainText();
            QTest::keyClick(info->Memo1, Qt::Key_Escape);
        });
        const std::string text = tavrin::InfoText();
        QCOMPARE(TavrinGuiHelpWindow(text.data(), text.size()), 1);
        QCOMPARE(shown + "\n", QString::fromStdString(text));
    }

    void theDialogIsLoadedFromTheRunsFileAndApplyWritesIt()
    {
        QTemporaryDir dir;
        const std::string ini = dir.path().toStdString() + "/tavrin.ini";
        tavrin::ReplaceConfigFile(ini);
        TOnePrinterHost host;
        QString title, printer;
        WhenModal([&](QWidget* w) {
            auto* fm = dynamic_cast<tavrin::TfmMain*>(w);
            QVERIFY(fm);
            title = fm->windowTitle();
            printer = fm->Cname->itemText(0);
            fm->Cname->setCurrentIndex(0);
            emit fm->Cname->activated(0);
            fm->Bsave->click();
        });
        QCOMPARE(TavrinGuiConfigurationDialog(&host), 1);
        QCOMPARE(title, QStringLiteral("Tavrin configuration"));
        QCOMPARE(printer, QStringLiteral("Zebra P330i"));
        QCOMPARE(tavrin::ConfigFile().ReadString("PrinterConfiguration", "PrinterType", ""), std::string("ZEBRA"));
        QCOMPARE(tavrin::ConfigFile().ReadString("Port", "PortNo", ""), std::string("1"));
        QCOMPARE(TavrinGuiConfigurationDialog(nullptr), 0);
    }
};

QTEST_MAIN(ModuleTest)
#include "ModuleTest.moc"
