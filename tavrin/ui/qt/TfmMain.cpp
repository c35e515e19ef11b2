#include "TfmMain.h"

#include "SensorPictures.h"
#include "core/ConfigFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

namespace tavrin {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

constexpr int kWidth = 470;
constexpr int kLabelX = 10, kFieldX = 112, kRowHeight = 22;

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w = 100)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, kRowHeight);
    return label;
}

template <typename W>
W* Make(QWidget* parent, const char* name, int x, int y, int w, int h = kRowHeight)
{
    auto* widget = new W(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

bool IsUpper(const QString& type, const char* keyword) { return type == QLatin1String(keyword); }

} // namespace

void CentreOnScreen(QWidget& window)
{
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

int TrailingDigit(const QString& name)
{
    if (name.isEmpty()) return 1;
    bool ok = false;
    const int n = name.right(1).toInt(&ok);
    return ok ? n : 1;
}

QString NormaliseAnswerAddress(const QString& text)
{
    QString s = text.trimmed();
    s.remove(QLatin1Char(' '));
    if (s.isEmpty()) return s;
    while (s.size() < 5) s.insert(1, QLatin1Char('0'));
    return s.toUpper();
}

int PortNumber(const QString& portName)
{
    const qsizetype t = portName.indexOf(QLatin1Char('T'));
    const QString digits = t < 0 ? QString() : portName.mid(t + 1);
    bool ok = false;
    const int n = digits.toInt(&ok);
    if (!ok) throw std::runtime_error("'" + S(digits) + "' is not a valid integer value");
    return n;
}

TfmMain::TfmMain(TDialogHost& host, QWidget* parent) : QDialog(parent), host_(host)
{
    setObjectName(QStringLiteral("fmMain"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(false);

    int y = 10;
    MakeLabel(this, QStringLiteral("Printer name"), kLabelX, y);
    Cname = Make<QComboBox>(this, "Cname", kFieldX, y, 300);
    y += 30;
    MakeLabel(this, QStringLiteral("Tavrin file"), kLabelX, y);
    edtPrntFile = Make<QLineEdit>(this, "edtPrntFile", kFieldX, y, 316);
    edtPrntFile->setReadOnly(true);
    sbtnPrntFile = Make<QToolButton>(this, "sbtnPrntFile", kFieldX + 320, y, 26);
    sbtnPrntFile->setText(QStringLiteral("..."));
    y += 30;
    MakeLabel(this, QStringLiteral("Printer type"), kLabelX, y);
    Ctype = Make<QComboBox>(this, "Ctype", kFieldX, y, 150);
    CBflip = Make<QCheckBox>(this, "CBflip", kFieldX + 165, y, 90);
    CBflip->setText(QStringLiteral("Flip Card"));
    CbContact = Make<QCheckBox>(this, "CbContact", kFieldX + 260, y, 90);
    CbContact->setText(QStringLiteral("Contact"));
    CBMagiCardAPI = Make<QCheckBox>(this, "CBMagiCardAPI", kFieldX + 165, y, 150);
    CBMagiCardAPI->setText(QStringLiteral("Use Driver API"));
    y += 30;
    MakeLabel(this, QStringLiteral("Mode"), kLabelX, y);
    Cmode = Make<QComboBox>(this, "Cmode", kFieldX, y, 132);

    // The row below the mode: the driver library, the parallel port, or
    // the sensor positions, as the mode asks.
    y += 32;
    const int rowY = y;
    Ldriver = MakeLabel(this, QStringLiteral("Driver"), kLabelX, rowY);
    Ldriver->setObjectName(QStringLiteral("Ldriver"));
    Edriver = Make<QLineEdit>(this, "Edriver", kFieldX, rowY, 316);
    SBdriver = Make<QToolButton>(this, "SBdriver", kFieldX + 320, rowY, 26);
    SBdriver->setText(QStringLiteral("..."));
    LPort_No = MakeLabel(this, QStringLiteral("Port number"), kLabelX, rowY);
    LPort_No->setObjectName(QStringLiteral("LPort_No"));
    Port_No = Make<QComboBox>(this, "Port_No", kFieldX, rowY, 100);
    chkReceive = Make<QCheckBox>(this, "chkReceive", kFieldX + 115, rowY, 130);
    chkReceive->setText(QStringLiteral("Receive answer"));
    edtAnswerAdress = Make<QLineEdit>(this, "edtAnswerAdress", kFieldX + 250, rowY, 70);
    // "$" and four characters; blanks stand for the characters not typed.
    edtAnswerAdress->setInputMask(QStringLiteral("\\$nnnn; "));
    edtAnswerAdress->setMaxLength(5);
    edtAnswerAdress->setText(QStringLiteral("$    "));
    edtAnswerAdress->installEventFilter(this);

    PnMagicard = Make<QFrame>(this, "PnMagicard", kFieldX - 4, rowY - 6, 340, 60);
    static constexpr std::array<const char*, 4> imageNames = {"imgSensorTop", "imgSensorMidTop", "imgSensorMidBottom",
                                                              "imgSensorBottom"};
    for (int i = 0; i < 4; ++i) {
        const int x = 4 + i * 84;
        radSensor[i] = Make<QRadioButton>(PnMagicard, ("radSensor" + std::to_string(i + 1)).c_str(), x, 18, 20);
        imgSensor[i] = Make<QLabel>(PnMagicard, imageNames[i], x + 22, 2, 44, 56);
        imgSensor[i]->setPixmap(SensorPicture(i + 1));
        // The first position is the one selected from the start; only later
        // changes apply a position.
        if (i == 0) radSensor[i]->setChecked(true);
        connect(radSensor[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) radSensor1Click(radSensor[i]);
        });
    }

    Gcommands = Make<QGroupBox>(this, "Gcommands", 6, kTopShort, kWidth - 12, 158);
    Gcommands->setTitle(QStringLiteral(" Commands "));
    struct Row {
        QLineEdit** field;
        const char* name;
        const char* label;
        const char* explanation;
    };
    const std::array<Row, 6> rows = {{
        {&Einsert, "Einsert", "Insert", "Command to feed a card"},
        {&Epre, "Epre", "Pre", "Command before encoding"},
        {&Epost, "Epost", "Post", "Command before printing"},
        {&Eeject, "Eeject", "Eject", "Command to eject a card"},
        {&Eerror, "Eerror", "Error", "Command after an error"},
        {&Epause, "Epause", "Pause", "Timeout in milliseconds after command"},
    }};
    int ry = 20;
    for (const Row& r : rows) {
        MakeLabel(Gcommands, QString::fromLatin1(r.label), 8, ry, 50);
        *r.field = Make<QLineEdit>(Gcommands, r.name, 60, ry, 130);
        MakeLabel(Gcommands, QString::fromLatin1(r.explanation), 200, ry, 250);
        ry += 23;
    }

    Bsave = new QPushButton(QStringLiteral("Apply"), this);
    Bsave->setObjectName(QStringLiteral("Bsave"));
    Bexit = new QPushButton(QStringLiteral("Cancel"), this);
    Bexit->setObjectName(QStringLiteral("Bexit"));

    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setWindowTitle(QStringLiteral("Select Driver-DLL"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);

    // Only what a user does fires these; choosing from code does not.
    connect(Cname, &QComboBox::activated, this, [this] { CnameChange(); });
    connect(Ctype, &QComboBox::activated, this, [this] { CtypeChange(); });
    connect(Cmode, &QComboBox::activated, this, [this] { CmodeChange(); });
    connect(chkReceive, &QCheckBox::toggled, this, [this] { chkReceiveClick(); });
    connect(SBdriver, &QToolButton::clicked, this, [this] { SBdriverClick(); });
    connect(sbtnPrntFile, &QToolButton::clicked, this, [this] { sbtnPrntFileClick(); });
    connect(Bsave, &QPushButton::clicked, this, [this] { BsaveClick(); });
    connect(Bexit, &QPushButton::clicked, this, [this] { BexitClick(); });

    for (QWidget* w : std::initializer_list<QWidget*>{CBflip, CbContact, CBMagiCardAPI, Ldriver, Edriver, SBdriver,
                                                     LPort_No, Port_No, chkReceive, edtAnswerAdress, PnMagicard})
        w->hide();
    for (const auto& port : host_.ParallelPorts()) Port_No->addItem(Q(port));
    Port_No->setCurrentIndex(-1);
    SetLayoutRows(kHeightShort, kTopShort);
}

void TfmMain::SetLayoutRows(int height, int groupTop)
{
    setFixedSize(kWidth, height);
    Gcommands->move(Gcommands->x(), groupTop);
    Bsave->setGeometry(kWidth - 180, height - 34, 80, 26);
    Bexit->setGeometry(kWidth - 92, height - 34, 80, 26);
}

void TfmMain::SetCommandsActive(bool active)
{
    Gcommands->setEnabled(active);
    // Inactive: the caption takes the grey of inactive window captions.
    QPalette p = Gcommands->palette();
    p.setColor(QPalette::WindowText, active ? palette().color(QPalette::Active, QPalette::WindowText)
                                            : palette().color(QPalette::Disabled, QPalette::WindowText));
    Gcommands->setPalette(p);
}

QString TfmMain::PrinterText() const { return Cname->currentIndex() < 0 ? QString() : Cname->currentText(); }
QString TfmMain::TypeText() const { return Ctype->currentIndex() < 0 ? QString() : Ctype->currentText(); }
QString TfmMain::ModeText() const { return Cmode->currentIndex() < 0 ? QString() : Cmode->currentText(); }

void TfmMain::LoadSettings(const std::string& file)
{
    setWindowTitle(QStringLiteral("Tavrin configuration"));
    auto printers = host_.InstalledPrinters();
    std::stable_sort(printers.begin(), printers.end(), [](const std::string& a, const std::string& b) {
        return Q(a).compare(Q(b), Qt::CaseInsensitive) < 0;
    });
    Cname->clear();
    for (const auto& p : printers) Cname->addItem(Q(p));
    Cname->setCurrentIndex(-1);

    if (!file.empty() && host_.FileExists(file)) host_.ReplaceConfigFile(file);
    edtPrntFile->setText(Q(host_.ConfigFileName()));
    if (!host_.FileExists(host_.ConfigFileName())) {
        CnameChange();
        return;
    }

    // A missing key reads as "1" and so selects nothing; only a key that is
    // there with an empty value skips the selection.
    if (!host_.ReadString(kPrinterConfiguration, "PrinterName", "1").empty()) {
        const QString name = Q(host_.ReadString(kPrinterConfiguration, "PrinterName", ""));
        Cname->setCurrentIndex(name.isEmpty() ? -1 : Cname->findText(name, Qt::MatchFixedString));
        CnameChange();
    }

    if (PrinterText().isEmpty()) {
        CnameChange();
    } else {
        const QString type = Q(host_.ReadString(kPrinterConfiguration, "PrinterType", "")).toUpper();
        Ctype->setCurrentIndex(type.isEmpty() ? -1 : Ctype->findText(type, Qt::MatchExactly));
        CtypeChange();

        const bool dii = IsUpper(TypeText(), "DII");
        if (dii) {
            const int model = host_.ReadInteger(kPrinterConfiguration, "PrinterMode", 0);
            int found = -1;
            for (int i = 0; i < Cmode->count() && found < 0; ++i) {
                bool ok = false;
                const int digit = Cmode->itemText(i).left(1).toInt(&ok);
                if (ok && digit == model) found = i;
            }
            Cmode->setCurrentIndex(found);
        } else {
            const QString mode = Q(host_.ReadString(kPrinterConfiguration, "PrinterMode", ""));
            Cmode->setCurrentIndex(mode.isEmpty() ? -1 : Cmode->findText(mode, Qt::MatchExactly | Qt::MatchCaseSensitive));
        }

        if (dii || IsUpper(TypeText(), "VELTO")) CBflip->setChecked(host_.ReadBool(kPrinterConfiguration, "FlipCard", false));
        if (dii) {
            CbContact->setChecked(host_.ReadInteger(kPrinterConfiguration, "Contact", 1) == 0);
            if (ModeText().startsWith(QLatin1Char('3')))
                Edriver->setText(Q(host_.ReadString(kPrinterConfiguration, "DriverDLL", "")));
        }

        CmodeChange();
        if (IsUpper(TypeText(), "MAGICARD")) {
            CBMagiCardAPI->setChecked(host_.ReadBool(kPrinterConfiguration, "UseDriverAPI", false));
            if (ModeText() == QLatin1String("XXL Pro")) {
                const int sensor = host_.ReadInteger(kPrinterConfiguration, "SensorNo", 1);
                for (QRadioButton* r : radSensor)
                    if (TrailingDigit(r->objectName()) == sensor) {
                        r->setChecked(true);
                        break;
                    }
            }
        }

        // What the file holds wins over what the type proposed.
        Einsert->setText(Q(host_.ReadString(kControlCommands, "Insert", "")));
        Epre->setText(Q(host_.ReadString(kControlCommands, "Pre", "")));
        Epost->setText(Q(host_.ReadString(kControlCommands, "Post", "")));
        Eeject->setText(Q(host_.ReadString(kControlCommands, "Eject", "")));
        Eerror->setText(Q(host_.ReadString(kControlCommands, "Error", "")));
        Epause->setText(Q(host_.ReadString(kControlCommands, "Pause", "")));
    }

    if (ModeText() == QLatin1String("PARALLEL")) {
        const QString portNo = QString::number(host_.ReadInteger(kPortSection, "PortNo", 1));
        for (int i = 0; i < Port_No->count(); ++i)
            if (Port_No->itemText(i).contains(portNo)) {
                Port_No->setCurrentIndex(i);
                break;
            }
        if (host_.ReadString(kPortSection, "ReceiveData", "NO") == "YES") {
            chkReceive->setChecked(true);
            edtAnswerAdress->setText(Q(host_.ReadString(kPortSection, "PortAddress", "")));
        }
    }
}

void TfmMain::CnameChange()
{
    if (PrinterText().isEmpty()) {
        Ctype->setCurrentIndex(-1);
        Ctype->setEnabled(false);
        CtypeChange();
        SetCommandsActive(false);
        return;
    }
    Ctype->setEnabled(true);
    const TTypeGuess guess = host_.GuessPrinterTypes(S(PrinterText()));
    Ctype->clear();
    for (const auto& t : guess.types) Ctype->addItem(Q(t));
    Ctype->setCurrentIndex(Ctype->findText(Q(guess.preselected), Qt::MatchExactly | Qt::MatchCaseSensitive));
    CtypeChange();
}

void TfmMain::CtypeChange()
{
    const QString type = TypeText();
    if (type.isEmpty()) {
        // No type, no mode: a mode left from a file loaded before must not
        // be written with an empty type.
        Cmode->clear();
        Cmode->setEnabled(false);
        CmodeChange();
        return;
    }
    Cmode->setEnabled(true);
    CBMagiCardAPI->hide();
    const bool dii = IsUpper(type, "DII"), velto = IsUpper(type, "VELTO");
    CBflip->setVisible(dii || velto);
    CbContact->setVisible(dii);
    // Only the generic escape printers take their commands from the user;
    // the other types still keep and write what the fields hold.
    SetCommandsActive(IsUpper(type, "ESCPRINTERS"));

    const std::string printer = S(PrinterText());
    const TModeList modes = host_.ModesForType(S(type), printer, !host_.NoParallelPorts());
    Cmode->clear();
    for (const auto& m : modes.modes) Cmode->addItem(Q(m));
    Cmode->setCurrentIndex(modes.selected ? static_cast<int>(*modes.selected) : -1);

    const TTypeDefaults d = host_.TypeDefaults(S(type), printer);
    auto apply = [](QLineEdit* field, const std::optional<std::string>& value) {
        if (value) field->setText(Q(*value));
    };
    apply(Einsert, d.Insert);
    apply(Epre, d.Pre);
    apply(Epost, d.Post);
    apply(Eeject, d.Eject);
    apply(Eerror, d.Error);
    apply(Epause, d.Pause);
    if (IsUpper(type, "MAGICARD")) {
        PnMagicard->show();
        CBMagiCardAPI->show();
    }
    CmodeChange();
}

void TfmMain::CmodeChange()
{
    const QString mode = ModeText();
    const bool magicard = IsUpper(TypeText(), "MAGICARD");
    auto showRow = [this](bool driver, bool port, bool sensors) {
        Edriver->setVisible(driver);
        SBdriver->setVisible(driver);
        LPort_No->setVisible(port);
        Port_No->setVisible(port);
        PnMagicard->setVisible(sensors);
        chkReceive->setVisible(port);
        if (!port) edtAnswerAdress->hide();
    };

    if (mode.startsWith(QLatin1Char('3'))) {
        SetLayoutRows(kHeightRow, kTopRow);
        Ldriver->setText(QStringLiteral("Driver"));
        Ldriver->show();
        showRow(true, false, false);
        // A custom model is useless without its driver: ask for it at once.
        if (Edriver->text().isEmpty()) Edriver->setText(ExecuteOpenDialog().value_or(QString()));
    } else if (magicard && mode == QLatin1String("XXL Pro")) {
        SetLayoutRows(kHeightSensors, kTopSensors);
        Ldriver->setText(QStringLiteral("Position"));
        Ldriver->show();
        showRow(false, false, true);
        for (QRadioButton* r : radSensor)
            if (r->isChecked()) {
                radSensor1Click(r);
                break;
            }
    } else if (magicard && mode == QLatin1String("Standard")) {
        SetLayoutRows(kHeightShort, kTopShort);
        Ldriver->hide();
        showRow(false, false, false);
        Einsert->setText(QStringLiteral("GEM"));
    } else if (magicard) {
        // Any other Magicard mode leaves the window as it is.
    } else if (mode == QLatin1String("PARALLEL")) {
        SetLayoutRows(kHeightRow, kTopRow);
        Ldriver->hide();
        showRow(false, true, false);
        if (chkReceive->isChecked())
            chkReceive->setChecked(false);
        else
            edtAnswerAdress->hide();
    } else {
        SetLayoutRows(kHeightShort, kTopShort);
        Ldriver->hide();
        showRow(false, false, false);
    }
}

void TfmMain::radSensor1Click(QRadioButton* sender)
{
    Einsert->setText(Q(host_.SensorInsertCommand(TrailingDigit(sender ? sender->objectName() : QString()))));
}

void TfmMain::chkReceiveClick()
{
    if (!chkReceive->isChecked()) {
        edtAnswerAdress->hide();
        return;
    }
    edtAnswerAdress->show();
    edtAnswerAdress->selectAll();
    if (isVisible()) edtAnswerAdress->setFocus();
}

void TfmMain::edtAnswerAdressExit() { edtAnswerAdress->setText(NormaliseAnswerAddress(edtAnswerAdress->text())); }

void TfmMain::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edtAnswerAdress && event->type() == QEvent::FocusOut) edtAnswerAdressExit();
    return QDialog::eventFilter(watched, event);
}

std::optional<QString> TfmMain::ExecuteOpenDialog()
{
    if (OpenDialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = OpenDialog->selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

void TfmMain::ReportError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tavrin"), text, QMessageBox::Ok, this);
    box.exec();
}

void TfmMain::SBdriverClick()
{
    OpenDialog->setDirectory(Q(host_.DriverDirectory()));
    OpenDialog->setNameFilter(QStringLiteral("Driver-DLL (*.so)"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (const auto chosen = ExecuteOpenDialog()) Edriver->setText(*chosen);
}

void TfmMain::sbtnPrntFileClick()
{
    OpenDialog->setDirectory(QFileInfo(edtPrntFile->text()).absolutePath());
    OpenDialog->setNameFilter(QStringLiteral("Configuration file (*.ini)"));
    // A new file's name is welcome: it becomes the file on Apply.
    OpenDialog->setFileMode(QFileDialog::AnyFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    const auto chosen = ExecuteOpenDialog();
    if (!chosen || chosen->isEmpty()) return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty() && !path.endsWith(QLatin1Char('.'))) path += QStringLiteral(".ini");
    edtPrntFile->setText(path);
    if (host_.FileExists(S(path))) LoadSettings(S(path));
}

void TfmMain::SaveSettings()
{
    const QString type = TypeText();
    const QString mode = ModeText();
    const bool parallel = mode == QLatin1String("PARALLEL");
    // Settle the port number before anything is written, so a port name
    // without a number stops Apply with the file as it was.
    const int portNo = parallel && Port_No->currentIndex() >= 0 ? PortNumber(Port_No->currentText()) : 1;

    const std::string file = S(edtPrntFile->text().trimmed());
    if (file != host_.ConfigFileName()) host_.ReplaceConfigFile(file);

    host_.DeleteKey(kPrinterConfiguration, "FlipCard");
    host_.DeleteKey(kPrinterConfiguration, "Contact");
    host_.DeleteKey(kPrinterConfiguration, "DriverDLL");
    host_.DeleteKey(kPrinterConfiguration, "SensorNo");
    host_.DeleteKey(kPortSection, "PortNo");

    host_.WriteString(kPrinterConfiguration, "PrinterName", S(PrinterText()));
    host_.WriteString(kPrinterConfiguration, "PrinterType", S(type));
    const bool dii = IsUpper(type, "DII");
    host_.WriteString(kPrinterConfiguration, "PrinterMode", S(dii ? mode.left(1) : mode));

    if (dii || IsUpper(type, "VELTO")) {
        host_.WriteBool(kPrinterConfiguration, "FlipCard", CBflip->isChecked());
        if (dii) {
            host_.WriteInteger(kPrinterConfiguration, "Contact", CbContact->isChecked() ? 0 : 1);
            if (mode.startsWith(QLatin1Char('3'))) host_.WriteString(kPrinterConfiguration, "DriverDLL", S(Edriver->text()));
            if (!host_.ValueExists(kPrinterConfiguration, "CMDDelay"))
                host_.WriteInteger(kPrinterConfiguration, "CMDDelay", 17000);
        }
    } else if (IsUpper(type, "MAGICARD")) {
        host_.WriteBool(kPrinterConfiguration, "UseDriverAPI", CBMagiCardAPI->isChecked());
        if (mode == QLatin1String("XXL Pro")) {
            for (QRadioButton* r : radSensor)
                if (r->isChecked()) {
                    host_.WriteInteger(kPrinterConfiguration, "SensorNo", TrailingDigit(r->objectName()));
                    break;
                }
        }
    }

    host_.WriteString(kControlCommands, "Insert", S(Einsert->text()));
    host_.WriteString(kControlCommands, "Pre", S(Epre->text()));
    host_.WriteString(kControlCommands, "Post", S(Epost->text()));
    host_.WriteString(kControlCommands, "Eject", S(Eeject->text()));
    host_.WriteString(kControlCommands, "Error", S(Eerror->text()));
    host_.WriteString(kControlCommands, "Pause", S(Epause->text()));

    if (parallel) {
        host_.WriteInteger(kPortSection, "PortNo", portNo);
        if (chkReceive->isChecked()) {
            host_.WriteString(kPortSection, "PortAddress", S(edtAnswerAdress->text()));
            host_.WriteString(kPortSection, "ReceiveData", "YES");
        } else {
            host_.WriteString(kPortSection, "ReceiveData", "NO");
        }
    }
}

void TfmMain::BsaveClick()
{
    // Apply by the keyboard leaves the address field without a focus change.
    if (edtAnswerAdress->hasFocus()) edtAnswerAdressExit();
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ReportError(QString::fromStdString(e.what()));
        return;
    }
    accept();
}

void TfmMain::BexitClick() { reject(); }

} // namespace tavrin
