// The Qt view of the configuration dialog on Qt's offscreen platform: the
// widgets show the model's state after every event, what the user does in
// the widgets reaches the model through their own signals and Apply writes
// it; the masked address field, the file chooser, the keyboard, the error
// box and the mode list's width are the view's own. What the model decides
// is checked without a toolkit in ModelTest.cpp.
#include "DialogSupport.h"
#include "core/ConfigFile.h"
#include "ui/qt/TfmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <functional>

using namespace tavrin;
using namespace tavrin::uitest;

namespace {

// The dialog with its file chooser and error box answered by the test.
class TTestDialog : public TfmMain {
public:
    using TfmMain::TfmMain;
    std::optional<QString> chooserAnswer;  // nullopt: the user cancels
    int chooserOpened = 0;
    bool chooserOpenedWhileVisible = false;
    QStringList errors;

protected:
    std::optional<QString> ExecuteOpenDialog() override
    {
        ++chooserOpened;
        chooserOpenedWhileVisible = isVisible();
        return chooserAnswer;
    }
    void ReportError(const QString& text) override { errors << text; }
};

// The dialog on a host of its own, loaded from the run's file.
struct TOpened {
    TOpened(std::vector<std::string> printers, std::vector<std::string> ports, std::set<std::string> libraries = {})
        : host(std::move(printers), std::move(ports), std::move(libraries)), fm(host)
    {
        fm.LoadSettings("");
    }
    TTestHost host;
    TTestDialog fm;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a user's pick does: the entry is chosen and the list says so.
void Pick(QComboBox* box, const QString& text)
{
    const int i = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    QVERIFY2(i >= 0, qPrintable("no entry " + text + " in " + box->objectName()));
    box->setCurrentIndex(i);
    emit box->activated(i);
}

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

// Shown where it sits (the sensor buttons in their panel).
bool Shown(const QWidget* w) { return w->isVisibleTo(w->parentWidget()); }

// The controls that do not show the model's state (empty: all do).
QString NotAsTheModel(const TfmMain& fm)
{
    const TDialogModel& m = fm.Model();
    QStringList wrong;
    auto expect = [&](bool same, const std::string& what) {
        if (!same) wrong << Q(what);
    };
    auto list = [&](const QComboBox* box, const TListControl& l) {
        QStringList items;
        for (const auto& item : l.items) items << Q(item);
        expect(Items(box) == items && box->currentIndex() == l.itemIndex && box->isEnabled() == l.enabled &&
                   Shown(box) == l.visible,
               l.name);
    };
    auto check = [&](const QAbstractButton* box, const TCheckControl& c) {
        expect(box->isChecked() == c.checked && Shown(box) == c.visible, c.name);
    };
    auto edit = [&](const QLineEdit* field, const TEditControl& e) {
        expect(field->text() == Q(e.text) && Shown(field) == e.visible, e.name);
    };
    expect(fm.windowTitle() == Q(m.Caption), "caption");
    list(fm.Cname, m.Cname);
    list(fm.Ctype, m.Ctype);
    list(fm.Cmode, m.Cmode);
    list(fm.Port_No, m.Port_No);
    check(fm.CBflip, m.CBflip);
    check(fm.CbContact, m.CbContact);
    check(fm.CBMagiCardAPI, m.CBMagiCardAPI);
    check(fm.chkReceive, m.chkReceive);
    for (std::size_t i = 0; i < m.radSensor.size(); ++i) check(fm.radSensor[i], m.radSensor[i]);
    edit(fm.edtPrntFile, m.edtPrntFile);
    edit(fm.Edriver, m.Edriver);
    for (std::size_t i = 0; i < m.commands.size(); ++i) edit(fm.commandFields[i], m.commands[i]);
    // Where the model holds a blank the field shows the mask's placeholder.
    expect(fm.edtAnswerAdress->displayText() == Q(m.edtAnswerAdress.text).replace(QLatin1Char(' '), QLatin1Char('_')) &&
               Shown(fm.edtAnswerAdress) == m.edtAnswerAdress.visible,
           m.edtAnswerAdress.name);
    expect(fm.Ldriver->text() == Q(m.Ldriver.caption) && Shown(fm.Ldriver) == m.Ldriver.visible, m.Ldriver.name);
    expect(Shown(fm.LPort_No) == m.LPort_No.visible, m.LPort_No.name);
    expect(Shown(fm.SBdriver) == m.SBdriver.visible, m.SBdriver.name);
    expect(Shown(fm.PnMagicard) == m.PnMagicard.visible, m.PnMagicard.name);
    expect(fm.Gcommands->isEnabled() == m.Gcommands.enabled, m.Gcommands.name);
    expect(fm.height() == m.Height && fm.Gcommands->y() == m.GroupTop, "layout");
    return wrong.join(", ");
}

// A user's way through the dialog: the file it opens on, what the user does
// (each step ends in an event the dialog handles), what is set last and
// collected by Apply itself, and the file Apply writes.
struct TScenario {
    const char* name;
    const char* file;  // nullptr: none
    std::vector<std::string> printers, ports;
    std::set<std::string> libraries;
    std::vector<std::function<void(TTestDialog&)>> steps;
    std::function<void(TTestDialog&)> lastly;
    Ini written;
};

const std::vector<TScenario>& Scenarios()
{
    static const std::vector<TScenario> scenarios = {
        {"a new Zebra on USB", nullptr, {"Zebra ZXP Series 3", "Office laser"}, {"LPT1", "LPT2"}, {},
         {[](TTestDialog& fm) { Pick(fm.Cname, "Zebra ZXP Series 3"); },
          [](TTestDialog& fm) { Pick(fm.Cmode, "USB"); }},
         nullptr,
         {{PC, {{"PrinterName", "Zebra ZXP Series 3"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "USB"}}},
          {CC, Commands("MS", "MS 2", "MI", "ME", "ME", "5000")}}},
        {"typed commands and a parallel port that answers", nullptr, {"Plain card printer"}, {"LPT1", "LPT3"}, {},
         {[](TTestDialog& fm) { Pick(fm.Cname, "Plain card printer"); },
          [](TTestDialog& fm) {
              for (std::size_t i = 0; i < fm.commandFields.size(); ++i)
                  fm.commandFields[i]->setText(QStringLiteral("C%1").arg(i));
              Pick(fm.Port_No, "LPT3");
              fm.chkReceive->setChecked(true);
          }},
         [](TTestDialog& fm) {
             fm.edtAnswerAdress->setText("$278");
             fm.edtAnswerAdressExit();
         },
         {{PC, {{"PrinterName", "Plain card printer"}, {"PrinterType", "ESCPRINTERS"}, {"PrinterMode", "PARALLEL"}}},
          {CC, Commands("C0", "C1", "C2", "C3", "C4", "C5")},
          {"Port", {{"PortNo", "3"}, {"PortAddress", "$0278"}, {"ReceiveData", "YES"}}}}},
        {"a stored DII custom driver changed to Evolis",
         "[PrinterConfiguration]\nPrinterName=Card desk printer\nPrinterType=DII\nPrinterMode=3\nFlipCard=1\n"
         "Contact=0\nDriverDLL=/opt/dii/libcustom.so\nCMDDelay=9000\n"
         "[ControlCommands]\nInsert=FEED\nPause=45000\n[Port]\nPortNo=1\nReceiveData=NO\n",
         {"Card desk printer"}, {"LPT1"}, {},
         {[](TTestDialog& fm) { Pick(fm.Ctype, "EVOLIS"); }},
         nullptr,
         {{PC,
           {{"PrinterName", "Card desk printer"}, {"PrinterType", "EVOLIS"}, {"PrinterMode", "USB"},
            {"CMDDelay", "9000"}}},
          {CC, Commands("Sis", "", "Si", "Se", "Se", "5000")},
          {"Port", {{"ReceiveData", "NO"}}}}},
        {"a new DII with the card flipped", nullptr, {"Ultra XID8300"}, {}, {"PCP23CT.DLL"},
         {[](TTestDialog& fm) { Pick(fm.Cname, "Ultra XID8300"); },
          [](TTestDialog& fm) { Pick(fm.Cmode, "6       XID8300"); }},
         [](TTestDialog& fm) { fm.CBflip->setChecked(true); },
         {{PC,
           {{"PrinterName", "Ultra XID8300"}, {"PrinterType", "DII"}, {"PrinterMode", "6"}, {"FlipCard", "1"},
            {"Contact", "1"}, {"CMDDelay", "17000"}}},
          {CC, Commands("FEED", "", "RETURN", "EJECT", "EJECT", "45000")}}},
        {"a Magicard XXL Pro at the third sensor", nullptr, {"Magicard Rio Pro"}, {"LPT1"}, {},
         {[](TTestDialog& fm) { Pick(fm.Cname, "Magicard Rio Pro"); },
          [](TTestDialog& fm) {
              Pick(fm.Cmode, "XXL Pro");
              for (const QLabel* picture : fm.imgSensor) QVERIFY(!picture->pixmap().isNull());
          },
          [](TTestDialog& fm) { fm.radSensor[2]->setChecked(true); }},
         [](TTestDialog& fm) { fm.CBMagiCardAPI->setChecked(true); },
         {{PC,
           {{"PrinterName", "Magicard Rio Pro"}, {"PrinterType", "MAGICARD"}, {"PrinterMode", "XXL Pro"},
            {"UseDriverAPI", "1"}, {"SensorNo", "3"}}},
          {CC, Commands("GEM20", "", "", "EJT", "EJT", "")}}},
        {"a stored answering port unticked",
         "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=zebra\nPrinterMode=PARALLEL\n"
         "[Port]\nPortNo=2\nReceiveData=YES\nPortAddress=$0378\n",
         {"Zebra P330i"}, {"LPT1", "LPT2"}, {},
         {[](TTestDialog& fm) { fm.chkReceive->setChecked(false); }},
         nullptr,
         {{PC, {{"PrinterName", "Zebra P330i"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "PARALLEL"}}},
          {CC, Commands("", "", "", "", "", "")},
          {"Port", {{"PortNo", "2"}, {"ReceiveData", "NO"}, {"PortAddress", "$0378"}}}}},
    };
    return scenarios;
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::string Path(const std::string& name = "tavrin.ini") const { return dir_->path().toStdString() + "/" + name; }

    void ExpectFile(const Ini& expected, const std::string& path = "")
    {
        const Ini actual = ReadIni(path.empty() ? Path() : path);
        QVERIFY2(actual == expected, ("written:\n" + Describe(actual) + "expected:\n" + Describe(expected)).c_str());
    }

    // The dialog on the screen with a printer chosen, active.
    static void ShowWithPrinter(TTestDialog& fm)
    {
        Pick(fm.Cname, fm.Cname->itemText(0));
        fm.show();
        QVERIFY(QTest::qWaitForWindowActive(&fm));
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        ReplaceConfigFile(Path());
    }

    void theWidgetsShowTheModelAndApplyWritesWhatWasSet_data()
    {
        QTest::addColumn<int>("scenario");
        for (std::size_t i = 0; i < Scenarios().size(); ++i) QTest::newRow(Scenarios()[i].name) << int(i);
    }

    void theWidgetsShowTheModelAndApplyWritesWhatWasSet()
    {
        QFETCH(int, scenario);
        const TScenario& s = Scenarios()[static_cast<std::size_t>(scenario)];
        if (s.file) WriteText(Path(), s.file);
        TOpened d(s.printers, s.ports, s.libraries);
        QVERIFY2(NotAsTheModel(d.fm).isEmpty(), qPrintable("loaded: " + NotAsTheModel(d.fm)));
        for (std::size_t i = 0; i < s.steps.size(); ++i) {
            s.steps[i](d.fm);
            if (QTest::currentTestFailed()) return;
            const QString wrong = NotAsTheModel(d.fm);
            QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(i + 1).arg(wrong)));
        }
        if (s.lastly) s.lastly(d.fm);
        d.fm.Bsave->click();
        QCOMPARE(d.fm.errors, QStringList());
        QCOMPARE(d.fm.result(), int(QDialog::Accepted));
        ExpectFile(s.written);
    }

    void theAnswerAddressIsMaskedAndTidiedWhenLeftOrAppliedWithEnter()
    {
        TOpened d({"Zebra P330i"}, {"LPT1"});
        TTestDialog& fm = d.fm;
        // A position not typed shows the placeholder and is a blank to the
        // model.
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$____"));
        QCOMPARE(fm.Model().edtAnswerAdress.text, std::string("$    "));
        fm.edtAnswerAdress->setText("$37");
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$37__"));
        fm.edtAnswerAdressExit();
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$0037"));

        // The mask takes at most four characters after the "$".
        fm.edtAnswerAdress->setText("");
        fm.edtAnswerAdress->setCursorPosition(0);
        QTest::keyClicks(fm.edtAnswerAdress, "378ab");
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$378a"));

        // On screen, ticking gives the field the focus; losing it tidies.
        ShowWithPrinter(fm);
        fm.chkReceive->setChecked(true);
        QCOMPARE(QApplication::focusWidget(), fm.edtAnswerAdress);
        fm.edtAnswerAdress->setText("$2 78");
        fm.Cname->setFocus();
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$0278"));

        // Enter applies, and the field that has the focus is tidied first.
        fm.edtAnswerAdress->setFocus();
        fm.edtAnswerAdress->setText("");
        fm.edtAnswerAdress->setCursorPosition(0);
        QTest::keyClicks(fm.edtAnswerAdress, "3bc");
        QTest::keyClick(fm.edtAnswerAdress, Qt::Key_Return);
        QCOMPARE(fm.result(), int(QDialog::Accepted));
        QCOMPARE(ReadIni(Path()).at("Port").at("PortAddress"), std::string("$03BC"));
    }

    void theFileChooserIsSetUpForTheButtonThatOpensIt()
    {
        // The driver button: shared objects that exist, in the driver
        // directory. Custom asks for the driver at once; cancelled here.
        qputenv("TAVRIN_PRINTER_DRIVER_DIR", dir_->path().toUtf8());
        TOpened d({"Card XID printer", "Zebra P330i"}, {"LPT1"});
        TTestDialog& fm = d.fm;
        Pick(fm.Cname, "Card XID printer");
        Pick(fm.Cmode, "3       Custom");
        QCOMPARE(fm.chooserOpened, 1);
        fm.chooserAnswer = QStringLiteral("/usr/lib/tavrin/printer-drivers/libcx.so");
        fm.SBdriver->click();
        qunsetenv("TAVRIN_PRINTER_DRIVER_DIR");
        QCOMPARE(fm.chooserOpened, 2);
        QCOMPARE(fm.OpenDialog->windowTitle(), QStringLiteral("Select Driver-DLL"));
        QCOMPARE(fm.OpenDialog->nameFilters(), QStringList({"Driver-DLL (*.so)"}));
        QCOMPARE(fm.OpenDialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(QDir(fm.OpenDialog->directory()).absolutePath(), dir_->path());
        QCOMPARE(fm.Edriver->text(), *fm.chooserAnswer);

        // The file button: configuration files, a new name taken too.
        WriteText(Path("other.ini"), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
        fm.chooserAnswer = QString::fromStdString(Path("other"));
        fm.sbtnPrntFile->click();
        QCOMPARE(fm.OpenDialog->nameFilters(), QStringList({"Configuration file (*.ini)"}));
        QCOMPARE(fm.OpenDialog->fileMode(), QFileDialog::AnyFile);
        QCOMPARE(QDir(fm.OpenDialog->directory()).absolutePath(), dir_->path());
        QCOMPARE(fm.edtPrntFile->text(), QString::fromStdString(Path("other.ini")));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("USB"));

        // A name that does not exist yet is the file Apply writes.
        fm.chooserAnswer = QString::fromStdString(Path("fresh.ini"));
        fm.sbtnPrntFile->click();
        fm.Bsave->click();
        QCOMPARE(ReadIni(Path("fresh.ini")).at(PC).at("PrinterType"), std::string("ZEBRA"));
    }

    void aStoredCustomModeWithoutDriverAsksForItBeforeTheDialogIsShown()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Card XID printer\nPrinterType=DII\nPrinterMode=3\n");
        TTestHost host({"Card XID printer"}, {"LPT1"});
        TTestDialog fm(host);
        fm.chooserAnswer = QStringLiteral("/opt/libpicked.so");
        fm.LoadSettings("");
        QCOMPARE(fm.chooserOpened, 1);
        QVERIFY(!fm.chooserOpenedWhileVisible);
        QCOMPARE(fm.Edriver->text(), QStringLiteral("/opt/libpicked.so"));
    }

    void aRefusedApplyIsReportedAndTheDialogStaysOpen_data()
    {
        QTest::addColumn<QString>("chosenFile");  // empty: the run's file
        QTest::addColumn<QString>("port");        // empty: USB
        QTest::addColumn<QString>("error");       // %1: the file
        QTest::newRow("a file that cannot be written") << "no-such-folder/tavrin.ini" << "" << "Unable to write to %1";
        QTest::newRow("a port without a number") << "" << "LPTX" << "'X' is not a valid integer value";
    }

    void aRefusedApplyIsReportedAndTheDialogStaysOpen()
    {
        QFETCH(QString, chosenFile);
        QFETCH(QString, port);
        QFETCH(QString, error);
        const std::string before = "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n";
        WriteText(Path(), before);
        TOpened d({"Zebra P330i"}, {port.isEmpty() ? "LPT1" : port.toStdString()});
        if (!chosenFile.isEmpty()) {
            d.fm.chooserAnswer = QString::fromStdString(Path(chosenFile.toStdString()));
            d.fm.sbtnPrntFile->click();
        }
        if (!port.isEmpty()) {
            Pick(d.fm.Cmode, "PARALLEL");
            Pick(d.fm.Port_No, port);
        }
        d.fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.fm));
        d.fm.Bsave->click();
        QCOMPARE(d.fm.errors, QStringList({error.replace("%1", QString::fromStdString(Path(chosenFile.toStdString())))}));
        QVERIFY(d.fm.isVisible());
        QCOMPARE(d.fm.result(), int(QDialog::Rejected));
        QCOMPARE(ReadText(Path()), before);
    }

    void theModeListShowsItsLongestEntryWhole()
    {
        TOpened d({"Ultra XID8300"}, {}, {"PCP23CT.DLL"});
        TTestDialog& fm = d.fm;
        const QRect before = fm.Cmode->geometry();
        QCOMPARE(before.width(), kModeListWidth);
        auto others = [&] {
            QList<QRect> rects;
            for (QWidget* w : fm.findChildren<QWidget*>())
                if (w != fm.Cmode && w != fm.Gcommands && w->parentWidget() == &fm) rects << w->geometry();
            return rects;
        };
        const QList<QRect> othersBefore = others();
        Pick(fm.Cname, "Ultra XID8300");
        Pick(fm.Cmode, "1       DIGID XID440");
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        // The text area the style gives the closed list holds the entry.
        QStyleOptionComboBox option;
        option.initFrom(fm.Cmode);
        option.editable = false;
        const QRect textArea =
            fm.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, fm.Cmode);
        const int needed = fm.Cmode->fontMetrics().horizontalAdvance(fm.Cmode->currentText());
        QVERIFY2(textArea.width() >= needed, qPrintable(QStringLiteral("%1 < %2").arg(textArea.width()).arg(needed)));
        QCOMPARE(fm.Cmode->toolTip(), QStringLiteral("1       DIGID XID440"));
        QCOMPARE(fm.Cmode->pos(), before.topLeft());
        // Nothing else moved (the commands group moves with the mode alone).
        QCOMPARE(others(), othersBefore);
        QVERIFY(!fm.Cmode->geometry().intersects(fm.PnMagicard->geometry()) || !fm.PnMagicard->isVisible());
    }

    // The width on screen, after Qt has sized the list to its contents
    // again (it does so a moment after each change): 132 while the longest
    // entry fits the text area of a list that wide, otherwise as wide as
    // that entry needs. Each row follows the one before in one dialog.
    void theModeListKeepsItsWidthOnScreen()
    {
        TOpened d({"Ultra XID8300", "Zebra P330i"}, {"LPT1"}, {"PCP23CT.DLL"});
        TTestDialog& fm = d.fm;
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        auto textArea = [&](int width) {
            QStyleOptionComboBox option;
            option.initFrom(fm.Cmode);
            option.rect.setWidth(width);
            return fm.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, fm.Cmode).width();
        };
        const struct {
            const char* printer;
            const char* mode;
            bool wider;  // the longest entry needs more than 132
        } steps[] = {
            {"Zebra P330i", "PARALLEL", false},
            {"Ultra XID8300", "6       XID8300", true},
            {"Zebra P330i", "USB", false},
        };
        for (const auto& step : steps) {
            Pick(fm.Cname, step.printer);
            Pick(fm.Cmode, step.mode);
            QTest::qWait(200);
            int longest = 0;
            for (const QString& item : Items(fm.Cmode))
                longest = std::max(longest, fm.Cmode->fontMetrics().horizontalAdvance(item));
            const int width = fm.Cmode->width();
            const QString at = QStringLiteral("%1 %2: width %3").arg(step.printer, step.mode).arg(width);
            QCOMPARE(textArea(kModeListWidth) < longest, step.wider);
            if (step.wider) {
                QVERIFY2(textArea(width) >= longest, qPrintable(at));
                QVERIFY2(textArea(width - 8) < longest, qPrintable(at));
            } else {
                QVERIFY2(width == kModeListWidth, qPrintable(at));
            }
        }
    }

    void closingWithoutApplyWritesNothing_data()
    {
        QTest::addColumn<bool>("esc");
        QTest::newRow("Esc") << true;
        QTest::newRow("Cancel") << false;
    }

    void closingWithoutApplyWritesNothing()
    {
        QFETCH(bool, esc);
        TOpened d({"Zebra P330i"}, {"LPT1"});
        ShowWithPrinter(d.fm);
        if (esc)
            QTest::keyClick(d.fm.Einsert, Qt::Key_Escape);
        else
            d.fm.Bexit->click();
        QVERIFY(!d.fm.isVisible());
        QCOMPARE(d.fm.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(QString::fromStdString(Path())));
    }
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
