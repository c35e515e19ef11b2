// The configuration dialog driven through its handlers, as a user would
// drive it, with the file each Apply writes compared key by key.
#include "core/ConfigFile.h"
#include "ui/Ui.h"
#include "ui/qt/TfmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QFrame>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

using tavrin::TfmMain;

namespace {

using Ini = std::map<std::string, std::map<std::string, std::string>>;

// The file as sections of keys, exactly as written.
Ini ReadIni(const std::string& path)
{
    Ini ini;
    std::ifstream in(path);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos) ini[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return ini;
}

std::string Describe(const Ini& ini)
{
    std::ostringstream s;
    for (const auto& [section, keys] : ini) {
        s << "[" << section << "]\n";
        for (const auto& [k, v] : keys) s << "  " << k << "=" << v << "\n";
    }
    return s.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::trunc | std::ios::binary) << text;
}

// The run's view with the printing system and the vendor files replaced.
class TTestHost : public tavrin::TUiHost {
public:
    TTestHost(std::vector<std::string> printers, std::vector<std::string> ports, std::set<std::string> libraries = {})
        : TUiHost(ports, ports.empty()), printers_(std::move(printers)), libraries_(std::move(libraries))
    {}
    std::vector<std::string> InstalledPrinters() const override { return printers_; }

protected:
    bool LibraryExists(std::string_view name) const override { return libraries_.count(std::string(name)) != 0; }

private:
    std::vector<std::string> printers_;
    std::set<std::string> libraries_;
};

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

// What a user's pick does: the entry is chosen and its handler runs.
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

bool Shown(const QWidget* w) { return w->isVisibleTo(w->window()); }

const std::string PC = "PrinterConfiguration", CC = "ControlCommands";

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

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        tavrin::ReplaceConfigFile(Path());
    }

    void aMissingFileShowsANewConfigurationAndApplyWritesItsEmptyValues()
    {
        TTestHost host({"Zebra ZXP Series 3", "Office laser"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.windowTitle(), QStringLiteral("Tavrin configuration"));
        QCOMPARE(fm.edtPrntFile->text(), QString::fromStdString(Path()));
        QCOMPARE(Items(fm.Cname), QStringList({"Office laser", "Zebra ZXP Series 3"}));
        QCOMPARE(fm.Cname->currentIndex(), -1);
        QVERIFY(!fm.Ctype->isEnabled());
        QVERIFY(!fm.Gcommands->isEnabled());
        QCOMPARE(fm.height(), TfmMain::kHeightShort);

        fm.BsaveClick();
        QVERIFY(fm.errors.isEmpty());
        QCOMPARE(fm.result(), int(QDialog::Accepted));
        ExpectFile({{PC, {{"PrinterName", ""}, {"PrinterType", ""}, {"PrinterMode", ""}}},
                    {CC, {{"Insert", ""}, {"Pre", ""}, {"Post", ""}, {"Eject", ""}, {"Error", ""}, {"Pause", ""}}}});
    }

    void anEmptyFileLoadsLikeNoFile()
    {
        WriteText(Path(), "");
        TTestHost host({"Zebra ZXP Series 3"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.Cname->currentIndex(), -1);
        QVERIFY(!fm.Ctype->isEnabled());
        QVERIFY(!fm.Gcommands->isEnabled());
    }

    void aPrinterNoLongerInstalledLoadsAsNoPrinter()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n");
        TTestHost host({"Zebra ZXP Series 3"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.Cname->currentIndex(), -1);
        QCOMPARE(fm.Ctype->currentIndex(), -1);
        QVERIFY(!fm.Ctype->isEnabled());
        QVERIFY(!fm.Gcommands->isEnabled());
    }

    void zebraThenUsbWritesTheTypeDefaultsThoughTheCommandsAreGreyed()
    {
        TTestHost host({"Zebra ZXP Series 3"}, {"LPT1", "LPT2"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Zebra ZXP Series 3");
        QCOMPARE(Items(fm.Ctype), QStringList({"ESCPRINTERS", "ZEBRA"}));
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("ZEBRA"));
        QCOMPARE(Items(fm.Cmode), QStringList({"PARALLEL", "USB"}));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("PARALLEL"));
        QCOMPARE(fm.height(), TfmMain::kHeightRow);
        QCOMPARE(fm.Gcommands->y(), TfmMain::kTopRow);
        QVERIFY(Shown(fm.Port_No) && Shown(fm.chkReceive) && !Shown(fm.edtAnswerAdress));

        Pick(fm.Cmode, "USB");
        QCOMPARE(fm.height(), TfmMain::kHeightShort);
        QCOMPARE(fm.Gcommands->y(), TfmMain::kTopShort);
        QVERIFY(!Shown(fm.Port_No) && !Shown(fm.chkReceive));
        QVERIFY(!fm.Gcommands->isEnabled());

        fm.BsaveClick();
        ExpectFile({{PC, {{"PrinterName", "Zebra ZXP Series 3"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "USB"}}},
                    {CC,
                     {{"Insert", "MS"}, {"Pre", "MS 2"}, {"Post", "MI"}, {"Eject", "ME"}, {"Error", "ME"},
                      {"Pause", "5000"}}}});
    }

    void escPrintersKeepWhatTheUserTypedAndWriteThePort()
    {
        TTestHost host({"Plain card printer"}, {"LPT1", "LPT3"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Plain card printer");
        QCOMPARE(Items(fm.Ctype), QStringList({"CIAAT", "DATACARD", "DII", "ESCPRINTERS", "EVOLIS", "FARGO", "MAGICARD",
                                               "VELTO", "ZEBRA"}));
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("ESCPRINTERS"));
        QVERIFY(fm.Gcommands->isEnabled());
        fm.Einsert->setText("IN");
        fm.Epause->setText("250");
        Pick(fm.Port_No, "LPT3");
        fm.chkReceive->setChecked(true);
        QVERIFY(Shown(fm.edtAnswerAdress));
        fm.edtAnswerAdress->setText("$278");
        fm.edtAnswerAdressExit();
        fm.BsaveClick();
        ExpectFile({{PC, {{"PrinterName", "Plain card printer"}, {"PrinterType", "ESCPRINTERS"}, {"PrinterMode", "PARALLEL"}}},
                    {CC, {{"Insert", "IN"}, {"Pre", ""}, {"Post", ""}, {"Eject", ""}, {"Error", ""}, {"Pause", "250"}}},
                    {"Port", {{"PortNo", "3"}, {"PortAddress", "$0278"}, {"ReceiveData", "YES"}}}});
    }

    void diiToEvolisRemovesTheDiiKeysButKeepsCMDDelay()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Card desk printer\nPrinterType=DII\nPrinterMode=3\n"
                          "FlipCard=1\nContact=0\nDriverDLL=/opt/dii/libcustom.so\nCMDDelay=17000\n"
                          "[ControlCommands]\nInsert=FEED\nPause=45000\n[Port]\nPortNo=1\nReceiveData=NO\n");
        TTestHost host({"Card desk printer"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("DII"));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("3       Custom"));
        QCOMPARE(fm.Edriver->text(), QStringLiteral("/opt/dii/libcustom.so"));
        QCOMPARE(fm.chooserOpened, 0);
        QVERIFY(fm.CBflip->isChecked() && Shown(fm.CBflip));
        QVERIFY(fm.CbContact->isChecked() && Shown(fm.CbContact));
        QCOMPARE(fm.Ldriver->text(), QStringLiteral("Driver"));
        QVERIFY(Shown(fm.Ldriver) && Shown(fm.Edriver) && Shown(fm.SBdriver));
        QCOMPARE(fm.height(), TfmMain::kHeightRow);
        QCOMPARE(fm.Gcommands->y(), TfmMain::kTopRow);

        // Applied unchanged first: the DII keys come back as they were.
        fm.BsaveClick();
        ExpectFile({{PC,
                     {{"PrinterName", "Card desk printer"}, {"PrinterType", "DII"}, {"PrinterMode", "3"}, {"FlipCard", "1"},
                      {"Contact", "0"}, {"DriverDLL", "/opt/dii/libcustom.so"}, {"CMDDelay", "17000"}}},
                    {CC, {{"Insert", "FEED"}, {"Pre", ""}, {"Post", ""}, {"Eject", ""}, {"Error", ""}, {"Pause", "45000"}}},
                    {"Port", {{"ReceiveData", "NO"}}}});

        Pick(fm.Ctype, "EVOLIS");
        QVERIFY(!Shown(fm.CBflip) && !Shown(fm.CbContact) && !Shown(fm.Edriver));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("USB"));
        fm.BsaveClick();
        ExpectFile({{PC,
                     {{"PrinterName", "Card desk printer"}, {"PrinterType", "EVOLIS"}, {"PrinterMode", "USB"},
                      {"CMDDelay", "17000"}}},
                    {CC, {{"Insert", "Sis"}, {"Pre", ""}, {"Post", "Si"}, {"Eject", "Se"}, {"Error", "Se"}, {"Pause", "5000"}}},
                    {"Port", {{"ReceiveData", "NO"}}}});
    }

    void aNewDiiConfigurationWritesCMDDelayOnce()
    {
        TTestHost host({"Ultra XID8300"}, {}, {"PCP23CT.DLL"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Ultra XID8300");
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("DII"));
        QCOMPARE(Items(fm.Cmode), QStringList({"0       CX210", "1       DIGID XID440", "2       DII IDX380",
                                               "3       Custom", "6       XID8300"}));
        QCOMPARE(fm.Cmode->currentIndex(), -1);
        Pick(fm.Cmode, "6       XID8300");
        fm.CBflip->setChecked(true);
        fm.BsaveClick();
        ExpectFile({{PC,
                     {{"PrinterName", "Ultra XID8300"}, {"PrinterType", "DII"}, {"PrinterMode", "6"}, {"FlipCard", "1"},
                      {"Contact", "1"}, {"CMDDelay", "17000"}}},
                    {CC,
                     {{"Insert", "FEED"}, {"Pre", ""}, {"Post", "RETURN"}, {"Eject", "EJECT"}, {"Error", "EJECT"},
                      {"Pause", "45000"}}}});
    }

    void receiveDataYesLoadsTickedWithTheAddress()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=zebra\nPrinterMode=PARALLEL\n"
                          "[Port]\nPortNo=2\nReceiveData=YES\nPortAddress=$0378\n");
        TTestHost host({"Zebra P330i"}, {"LPT1", "LPT2"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("ZEBRA"));
        QCOMPARE(fm.Port_No->currentText(), QStringLiteral("LPT2"));
        QVERIFY(fm.chkReceive->isChecked());
        QVERIFY(Shown(fm.edtAnswerAdress));
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$0378"));

        // Unticking hides the address and Apply says NO but keeps the old
        // address in the file.
        fm.chkReceive->setChecked(false);
        QVERIFY(!Shown(fm.edtAnswerAdress));
        fm.BsaveClick();
        const Ini ini = ReadIni(Path());
        QCOMPARE(ini.at("Port"), (std::map<std::string, std::string>{
                                     {"PortNo", "2"}, {"ReceiveData", "NO"}, {"PortAddress", "$0378"}}));
    }

    void theAnswerAddressIsTidiedWhenTheFieldIsLeft()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.edtAnswerAdress->text().trimmed(), QStringLiteral("$"));
        fm.edtAnswerAdress->setText("$3 78");
        fm.edtAnswerAdressExit();
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$0378"));
        fm.edtAnswerAdress->setText("$3bc");
        fm.edtAnswerAdressExit();
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$03BC"));

        // The mask takes at most four characters after the "$".
        fm.edtAnswerAdress->setText("");
        fm.edtAnswerAdress->setCursorPosition(0);
        QTest::keyClicks(fm.edtAnswerAdress, "378ab");
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$378a"));

        // Leaving the field tidies it, as does Apply while it has the focus.
        Pick(fm.Cname, "Zebra P330i");
        fm.show();
        QVERIFY(QTest::qWaitForWindowActive(&fm));
        fm.chkReceive->setChecked(true);
        QCOMPARE(QApplication::focusWidget(), fm.edtAnswerAdress);  // on screen: the field takes the focus
        fm.edtAnswerAdress->setText("$2 78");
        fm.Cname->setFocus();
        QCOMPARE(fm.edtAnswerAdress->text(), QStringLiteral("$0278"));
        fm.edtAnswerAdress->setFocus();
        fm.edtAnswerAdress->setText("$3bc ");
        fm.BsaveClick();
        QCOMPARE(ReadIni(Path()).at("Port").at("PortAddress"), std::string("$03BC"));

        QCOMPARE(tavrin::NormaliseAnswerAddress(" $ 3 "), std::string("$0003"));
        QCOMPARE(tavrin::NormaliseAnswerAddress("$0378"), std::string("$0378"));
    }

    void magicardXxlProThirdSensorGivesGem20AndSensorNo3()
    {
        TTestHost host({"Magicard Rio Pro"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Magicard Rio Pro");
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("MAGICARD"));
        QCOMPARE(Items(fm.Cmode), QStringList({"Standard", "XXL Pro"}));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("Standard"));
        QCOMPARE(fm.Einsert->text(), QStringLiteral("GEM"));
        QVERIFY(Shown(fm.CBMagiCardAPI) && !Shown(fm.PnMagicard));
        QCOMPARE(fm.height(), TfmMain::kHeightShort);

        Pick(fm.Cmode, "XXL Pro");
        QCOMPARE(fm.height(), TfmMain::kHeightSensors);
        QCOMPARE(fm.Gcommands->y(), TfmMain::kTopSensors);
        QVERIFY(Shown(fm.PnMagicard));
        QCOMPARE(fm.Ldriver->text(), QStringLiteral("Position"));
        QCOMPARE(fm.Einsert->text(), QStringLiteral("GEM40"));
        QCOMPARE(fm.radSensor[2]->objectName(), QStringLiteral("radSensor3"));
        for (int i = 0; i < 4; ++i) QVERIFY(!fm.imgSensor[i]->pixmap().isNull());

        fm.radSensor[2]->setChecked(true);
        QCOMPARE(fm.Einsert->text(), QStringLiteral("GEM20"));
        fm.CBMagiCardAPI->setChecked(true);
        fm.BsaveClick();
        ExpectFile({{PC,
                     {{"PrinterName", "Magicard Rio Pro"}, {"PrinterType", "MAGICARD"}, {"PrinterMode", "XXL Pro"},
                      {"UseDriverAPI", "1"}, {"SensorNo", "3"}}},
                    {CC, {{"Insert", "GEM20"}, {"Pre", ""}, {"Post", ""}, {"Eject", "EJT"}, {"Error", "EJT"}, {"Pause", ""}}}});

        // And it comes back as it was written.
        TTestDialog again(host);
        again.LoadSettings("");
        QVERIFY(again.radSensor[2]->isChecked());
        QVERIFY(again.CBMagiCardAPI->isChecked());
        QCOMPARE(again.Einsert->text(), QStringLiteral("GEM20"));
    }

    void diiCustomWithAnEmptyDriverOpensTheChooserAtOnce()
    {
        TTestHost host({"Card XID printer"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Card XID printer");
        QCOMPARE(fm.chooserOpened, 0);
        Pick(fm.Cmode, "3       Custom");
        QCOMPARE(fm.chooserOpened, 1);
        QCOMPARE(fm.Edriver->text(), QString());

        // The driver button sets the chooser up for shared objects in the
        // driver directory.
        qputenv("TAVRIN_PRINTER_DRIVER_DIR", dir_->path().toUtf8());
        fm.chooserAnswer = QStringLiteral("/usr/lib/tavrin/printer-drivers/libcx.so");
        fm.SBdriverClick();
        QCOMPARE(fm.chooserOpened, 2);
        QCOMPARE(fm.Edriver->text(), *fm.chooserAnswer);
        QCOMPARE(fm.OpenDialog->nameFilters(), QStringList({"Driver-DLL (*.so)"}));
        QCOMPARE(fm.OpenDialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(fm.OpenDialog->windowTitle(), QStringLiteral("Select Driver-DLL"));
        QCOMPARE(QDir(fm.OpenDialog->directory()).absolutePath(),
                 dir_->path());

        fm.BsaveClick();
        const Ini ini = ReadIni(Path());
        QCOMPARE(ini.at(PC).at("PrinterMode"), std::string("3"));
        QCOMPARE(ini.at(PC).at("DriverDLL"), std::string("/usr/lib/tavrin/printer-drivers/libcx.so"));
        qunsetenv("TAVRIN_PRINTER_DRIVER_DIR");
    }

    void aStoredCustomModeWithoutDriverAsksForItWhileLoading()
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

    void withoutParallelPortsNoTypeOffersParallel()
    {
        TTestHost host({"Zebra ZXP Series 7", "Plain card printer"}, {});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Zebra ZXP Series 7");
        QCOMPARE(Items(fm.Cmode), QStringList({"USB"}));
        QCOMPARE(fm.Cmode->currentIndex(), -1);
        QCOMPARE(fm.height(), TfmMain::kHeightShort);
        Pick(fm.Ctype, "ESCPRINTERS");
        QCOMPARE(Items(fm.Cmode), QStringList({"USB"}));
        QCOMPARE(fm.Cmode->currentIndex(), -1);
        Pick(fm.Cname, "Plain card printer");
        for (const char* type : {"ESCPRINTERS", "ZEBRA", "EVOLIS", "DII", "VELTO", "MAGICARD"}) {
            Pick(fm.Ctype, type);
            QVERIFY2(!Items(fm.Cmode).contains("PARALLEL"), type);
        }
    }

    void veltoOffersTheModesOfTheLibrariesThatArePresent()
    {
        TTestHost host({"Velto USB 200"}, {"LPT1"}, {"Scorpa.dll", "Velkit.dll"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Velto USB 200");
        QCOMPARE(fm.Ctype->currentText(), QStringLiteral("VELTO"));
        QCOMPARE(Items(fm.Cmode), QStringList({"SCSI", "USB"}));
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("USB"));
        QVERIFY(Shown(fm.CBflip) && !Shown(fm.CbContact));
        fm.BsaveClick();
        const Ini ini = ReadIni(Path());
        QCOMPARE(ini.at(PC), (std::map<std::string, std::string>{{"PrinterName", "Velto USB 200"},
                                                                  {"PrinterType", "VELTO"},
                                                                  {"PrinterMode", "USB"},
                                                                  {"FlipCard", "0"}}));
    }

    void aNonParallelModeDeletesOnlyPortNo()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=PARALLEL\n"
                          "[Port]\nPortNo=1\nReceiveData=YES\nPortAddress=$0378\n");
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cmode, "USB");
        fm.BsaveClick();
        QCOMPARE(ReadIni(Path()).at("Port"),
                 (std::map<std::string, std::string>{{"ReceiveData", "YES"}, {"PortAddress", "$0378"}}));
    }

    void theFileButtonSwitchesToAnExistingFileAndKeepsANewName()
    {
        const std::string other = Path("other.ini");
        WriteText(other, "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        fm.chooserAnswer = QString::fromStdString(Path("other"));
        fm.sbtnPrntFileClick();
        QCOMPARE(fm.OpenDialog->nameFilters(), QStringList({"Configuration file (*.ini)"}));
        QCOMPARE(fm.edtPrntFile->text(), QString::fromStdString(other));
        QCOMPARE(tavrin::ConfigFile().FileName(), other);
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("USB"));

        // A file that does not exist yet becomes the file on Apply.
        fm.chooserAnswer = QString::fromStdString(Path("fresh.ini"));
        fm.sbtnPrntFileClick();
        QCOMPARE(tavrin::ConfigFile().FileName(), other);
        fm.BsaveClick();
        QCOMPARE(ReadIni(Path("fresh.ini")).at(PC).at("PrinterType"), std::string("ZEBRA"));
        // The file chosen first is left alone.
        QCOMPARE(ReadIni(other).count(CC), size_t(0));
    }

    void switchingToAFileWithoutPrinterLeavesNoModeOfTheFileBefore()
    {
        WriteText(Path(), "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n");
        const std::string other = Path("other.ini");
        WriteText(other, "[PrinterConfiguration]\nPrinterName=Gone\nPrinterType=ZEBRA\nPrinterMode=USB\n");
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.Cmode->currentText(), QStringLiteral("USB"));
        fm.chooserAnswer = QString::fromStdString(other);
        fm.sbtnPrntFileClick();
        QCOMPARE(fm.Cname->currentIndex(), -1);
        QCOMPARE(fm.Cmode->currentIndex(), -1);
        QVERIFY(!fm.Cmode->isEnabled());
        fm.BsaveClick();
        const Ini ini = ReadIni(other);
        QCOMPARE(ini.at(PC), (std::map<std::string, std::string>{
                                 {"PrinterName", ""}, {"PrinterType", ""}, {"PrinterMode", ""}}));
    }

    void aFailedWriteIsReportedAndTheDialogStaysOpen()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        const std::string unwritable = Path("no-such-folder/tavrin.ini");
        fm.chooserAnswer = QString::fromStdString(unwritable);
        fm.sbtnPrntFileClick();
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        fm.BsaveClick();
        QCOMPARE(fm.errors, QStringList({QString::fromStdString("Unable to write to " + unwritable)}));
        QVERIFY(fm.isVisible());
        QCOMPARE(fm.result(), int(QDialog::Rejected));
    }

    void aPortNameWithoutNumberStopsApplyBeforeAnythingIsWritten()
    {
        const std::string before = "[PrinterConfiguration]\nPrinterName=Zebra P330i\nPrinterType=ZEBRA\nPrinterMode=USB\n";
        WriteText(Path(), before);
        TTestHost host({"Zebra P330i"}, {"LPTX"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cmode, "PARALLEL");
        Pick(fm.Port_No, "LPTX");
        fm.BsaveClick();
        QCOMPARE(fm.errors, QStringList({"'X' is not a valid integer value"}));
        std::ifstream in(Path());
        std::stringstream now;
        now << in.rdbuf();
        QCOMPARE(now.str(), before);
    }

    void theAnswerAddressShowsTheMasksPlaceholder()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$____"));
        QCOMPARE(fm.Model().edtAnswerAdress.text, std::string("$    "));
        fm.edtAnswerAdress->setText("$37");
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$37__"));
        fm.edtAnswerAdressExit();
        QCOMPARE(fm.edtAnswerAdress->displayText(), QStringLiteral("$0037"));
    }

    void theModeListShowsItsLongestEntryWhole()
    {
        TTestHost host({"Ultra XID8300"}, {}, {"PCP23CT.DLL"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        const QRect before = fm.Cmode->geometry();
        QCOMPARE(before.width(), tavrin::kModeListWidth);
        QList<QRect> others;
        for (QWidget* w : fm.findChildren<QWidget*>())
            if (w != fm.Cmode && w->parentWidget() == &fm) others << w->geometry();
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
        QList<QRect> after;
        for (QWidget* w : fm.findChildren<QWidget*>())
            if (w != fm.Cmode && w->parentWidget() == &fm) after << w->geometry();
        // Nothing else moved (the commands group moves with the mode alone).
        for (int i = 0; i < others.size(); ++i)
            if (after[i].width() != fm.Gcommands->width() || after[i].height() != fm.Gcommands->height())
                QCOMPARE(after[i], others[i]);
        QVERIFY(!fm.Cmode->geometry().intersects(fm.PnMagicard->geometry()) || !fm.PnMagicard->isVisible());
    }

    void escClosesLikeCancelAndWritesNothing()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Zebra P330i");
        fm.show();
        QVERIFY(QTest::qWaitForWindowActive(&fm));
        QTest::keyClick(fm.Einsert, Qt::Key_Escape);
        QVERIFY(!fm.isVisible());
        QCOMPARE(fm.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(QString::fromStdString(Path())));
    }

    void enterAppliesAndTidiesTheAddressItLeavesFocused()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Zebra P330i");
        fm.show();
        QVERIFY(QTest::qWaitForWindowActive(&fm));
        fm.chkReceive->setChecked(true);
        QCOMPARE(QApplication::focusWidget(), fm.edtAnswerAdress);
        QTest::keyClicks(fm.edtAnswerAdress, "3bc");
        QTest::keyClick(fm.edtAnswerAdress, Qt::Key_Return);
        QCOMPARE(fm.result(), int(QDialog::Accepted));
        QCOMPARE(ReadIni(Path()).at("Port").at("PortAddress"), std::string("$03BC"));
    }

    void cancelWritesNothing()
    {
        TTestHost host({"Zebra P330i"}, {"LPT1"});
        TTestDialog fm(host);
        fm.LoadSettings("");
        Pick(fm.Cname, "Zebra P330i");
        fm.BexitClick();
        QCOMPARE(fm.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(QString::fromStdString(Path())));
    }
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
