#include "TfmMain.h"

#include "SensorPictures.h"
#include "core/ConfigFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>
#include <utility>

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
W* Make(QWidget* parent, const TControl& control, int x, int y, int w, int h = kRowHeight)
{
    auto* widget = new W(parent);
    widget->setObjectName(Q(control.name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QCheckBox* MakeCheck(QWidget* parent, const TCheckControl& control, int x, int y, int w)
{
    auto* box = Make<QCheckBox>(parent, control, x, y, w);
    box->setText(Q(control.caption));
    return box;
}

// The answer address as the model holds it: a position not typed is a
// blank, where the field shows the mask's placeholder.
std::string AddressOfField(const QLineEdit& field)
{
    std::string text = S(field.displayText());
    std::replace(text.begin(), text.end(), kAnswerAddressPlaceholder, ' ');
    return text;
}

void SetList(QComboBox& box, const TListControl& list)
{
    bool same = box.count() == static_cast<int>(list.items.size());
    for (int i = 0; same && i < box.count(); ++i) same = S(box.itemText(i)) == list.items[static_cast<std::size_t>(i)];
    if (!same) {
        box.clear();
        for (const auto& item : list.items) box.addItem(Q(item));
    }
    box.setCurrentIndex(list.itemIndex);
    box.setEnabled(list.enabled);
    box.setVisible(list.visible);
}

void SetText(QLineEdit& field, const TEditControl& edit)
{
    if (S(field.text()) != edit.text) field.setText(Q(edit.text));
    field.setEnabled(edit.enabled);
    field.setVisible(edit.visible);
}

void SetCheck(QAbstractButton& box, const TCheckControl& check)
{
    box.setChecked(check.checked);
    box.setEnabled(check.enabled);
    box.setVisible(check.visible);
}

} // namespace

void CentreOnScreen(QWidget& window)
{
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

TfmMain::TfmMain(TDialogHost& host, QWidget* parent) : QDialog(parent), model_(host, *this)
{
    setObjectName(QStringLiteral("fmMain"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(false);
    BuildPrinterRows();
    BuildCommands();
    BuildButtons();
    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    ConnectEvents();
    Render();
}

void TfmMain::BuildPrinterRows()
{
    int y = 10;
    MakeLabel(this, QStringLiteral("Printer name"), kLabelX, y);
    Cname = Make<QComboBox>(this, model_.Cname, kFieldX, y, 300);
    y += 30;
    MakeLabel(this, QStringLiteral("Tavrin file"), kLabelX, y);
    edtPrntFile = Make<QLineEdit>(this, model_.edtPrntFile, kFieldX, y, 316);
    edtPrntFile->setReadOnly(true);
    sbtnPrntFile = Make<QToolButton>(this, model_.sbtnPrntFile, kFieldX + 320, y, 26);
    sbtnPrntFile->setText(QStringLiteral("..."));
    y += 30;
    MakeLabel(this, QStringLiteral("Printer type"), kLabelX, y);
    Ctype = Make<QComboBox>(this, model_.Ctype, kFieldX, y, 150);
    CBflip = MakeCheck(this, model_.CBflip, kFieldX + 165, y, 90);
    CbContact = MakeCheck(this, model_.CbContact, kFieldX + 260, y, 90);
    CBMagiCardAPI = MakeCheck(this, model_.CBMagiCardAPI, kFieldX + 165, y, 150);
    y += 30;
    MakeLabel(this, QStringLiteral("Mode"), kLabelX, y);
    Cmode = Make<QComboBox>(this, model_.Cmode, kFieldX, y, kModeListWidth);
    // The closed list shows the entry in full too (see FitModeList). Qt
    // sizes a list that adjusts to its contents again a moment after each
    // change, to its size hint: the least width keeps it from shrinking
    // below its own.
    Cmode->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Cmode->setMinimumWidth(kModeListWidth);
    BuildModeRow(y + 32);
}

// The row below the mode: the driver library, the parallel port, or the
// sensor positions, as the mode asks.
void TfmMain::BuildModeRow(int y)
{
    Ldriver = MakeLabel(this, Q(model_.Ldriver.caption), kLabelX, y);
    Ldriver->setObjectName(Q(model_.Ldriver.name));
    Edriver = Make<QLineEdit>(this, model_.Edriver, kFieldX, y, 316);
    SBdriver = Make<QToolButton>(this, model_.SBdriver, kFieldX + 320, y, 26);
    SBdriver->setText(QStringLiteral("..."));
    LPort_No = MakeLabel(this, Q(model_.LPort_No.caption), kLabelX, y);
    LPort_No->setObjectName(Q(model_.LPort_No.name));
    Port_No = Make<QComboBox>(this, model_.Port_No, kFieldX, y, 100);
    chkReceive = MakeCheck(this, model_.chkReceive, kFieldX + 115, y, 130);
    edtAnswerAdress = Make<QLineEdit>(this, model_.edtAnswerAdress, kFieldX + 250, y, 70);
    // "$" and four letters or digits, each optional; the mask's
    // placeholder shows where nothing is typed yet.
    edtAnswerAdress->setInputMask(QStringLiteral("\\$nnnn;") + QChar::fromLatin1(kAnswerAddressPlaceholder));
    edtAnswerAdress->setMaxLength(static_cast<int>(kAnswerAddressLength));
    edtAnswerAdress->installEventFilter(this);
    BuildSensorPanel(y);
}

void TfmMain::BuildSensorPanel(int y)
{
    PnMagicard = Make<QFrame>(this, model_.PnMagicard, kFieldX - 4, y - 6, 340, 60);
    static constexpr std::array<const char*, 4> imageNames = {"imgSensorTop", "imgSensorMidTop", "imgSensorMidBottom",
                                                              "imgSensorBottom"};
    for (std::size_t i = 0; i < radSensor.size(); ++i) {
        const int x = 4 + static_cast<int>(i) * 84;
        radSensor[i] = Make<QRadioButton>(PnMagicard, model_.radSensor[i], x, 18, 20);
        imgSensor[i] = new QLabel(PnMagicard);
        imgSensor[i]->setObjectName(QString::fromLatin1(imageNames[i]));
        imgSensor[i]->setGeometry(x + 22, 2, 44, 56);
        imgSensor[i]->setPixmap(SensorPicture(static_cast<int>(i) + 1));
    }
}

void TfmMain::BuildCommands()
{
    Gcommands = Make<QGroupBox>(this, model_.Gcommands, 6, kTopShort, kWidth - 12, 158);
    Gcommands->setTitle(QStringLiteral(" Commands "));
    int y = 20;
    for (std::size_t i = 0; i < commandFields.size(); ++i) {
        const TControlCommand& row = kControlCommandTable[i];
        MakeLabel(Gcommands, QString::fromLatin1(row.key), 8, y, 50);
        commandFields[i] = Make<QLineEdit>(Gcommands, model_.commands[i], 60, y, 130);
        MakeLabel(Gcommands, QString::fromLatin1(row.label), 200, y, 250);
        y += 23;
    }
    Einsert = commandFields[0];
    Epre = commandFields[1];
    Epost = commandFields[2];
    Eeject = commandFields[3];
    Eerror = commandFields[4];
    Epause = commandFields[5];
}

void TfmMain::BuildButtons()
{
    Bsave = new QPushButton(QStringLiteral("Apply"), this);
    Bsave->setObjectName(Q(model_.Bsave.name));
    Bexit = new QPushButton(QStringLiteral("Cancel"), this);
    Bexit->setObjectName(Q(model_.Bexit.name));
}

void TfmMain::ConnectEvents()
{
    // Only what a user does fires these; choosing from code does not.
    connect(Cname, &QComboBox::activated, this, [this] { Forward([this] { model_.CnameChange(); }); });
    connect(Ctype, &QComboBox::activated, this, [this] { Forward([this] { model_.CtypeChange(); }); });
    connect(Cmode, &QComboBox::activated, this, [this] { Forward([this] { model_.CmodeChange(); }); });
    connect(chkReceive, &QCheckBox::toggled, this, [this] { Forward([this] { model_.chkReceiveClick(); }); });
    connect(SBdriver, &QToolButton::clicked, this, [this] { SBdriverClick(); });
    connect(sbtnPrntFile, &QToolButton::clicked, this, [this] { sbtnPrntFileClick(); });
    connect(Bsave, &QPushButton::clicked, this, [this] { BsaveClick(); });
    connect(Bexit, &QPushButton::clicked, this, [this] { BexitClick(); });
    for (std::size_t i = 0; i < radSensor.size(); ++i)
        connect(radSensor[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) Forward([this, i] { model_.radSensor1Click(i); });
        });
}

template <typename Handler>
void TfmMain::Forward(Handler&& handler)
{
    // Events the view causes itself while a handler runs or while it draws
    // (a focus change as a field is hidden or a chooser opens) are no
    // user's.
    if (busy_) return;
    busy_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{busy_};
    Collect();
    handler();
    Render();
}

void TfmMain::LoadSettings(const std::string& file)
{
    Forward([&] { model_.LoadSettings(file); });
}
void TfmMain::edtAnswerAdressExit() { Forward([this] { model_.edtAnswerAdressExit(); }); }
void TfmMain::SBdriverClick() { Forward([this] { model_.SBdriverClick(); }); }
void TfmMain::sbtnPrntFileClick() { Forward([this] { model_.sbtnPrntFileClick(); }); }
void TfmMain::BsaveClick() { Forward([this] { model_.BsaveClick(); }); }
void TfmMain::BexitClick() { Forward([this] { model_.BexitClick(); }); }

void TfmMain::Collect()
{
    model_.Cname.itemIndex = Cname->currentIndex();
    model_.Ctype.itemIndex = Ctype->currentIndex();
    model_.Cmode.itemIndex = Cmode->currentIndex();
    model_.Port_No.itemIndex = Port_No->currentIndex();
    model_.CBflip.checked = CBflip->isChecked();
    model_.CbContact.checked = CbContact->isChecked();
    model_.CBMagiCardAPI.checked = CBMagiCardAPI->isChecked();
    model_.chkReceive.checked = chkReceive->isChecked();
    for (std::size_t i = 0; i < radSensor.size(); ++i) model_.radSensor[i].checked = radSensor[i]->isChecked();
    model_.edtPrntFile.text = S(edtPrntFile->text());
    model_.Edriver.text = S(Edriver->text());
    model_.edtAnswerAdress.text = AddressOfField(*edtAnswerAdress);
    for (std::size_t i = 0; i < commandFields.size(); ++i) model_.commands[i].text = S(commandFields[i]->text());
}

void TfmMain::Render()
{
    const bool wasBusy = std::exchange(busy_, true);
    const QSignalBlocker blockers[] = {QSignalBlocker(Cname), QSignalBlocker(Ctype), QSignalBlocker(Cmode),
                                       QSignalBlocker(Port_No), QSignalBlocker(chkReceive), QSignalBlocker(radSensor[0]),
                                       QSignalBlocker(radSensor[1]), QSignalBlocker(radSensor[2]),
                                       QSignalBlocker(radSensor[3])};
    setWindowTitle(Q(model_.Caption));
    RenderLists();
    RenderChecks();
    RenderTexts();
    RenderLayout();
    if (const auto request = std::exchange(model_.selectRequest, std::nullopt)) {
        edtAnswerAdress->selectAll();
        if (request->focus) edtAnswerAdress->setFocus();
    }
    busy_ = wasBusy;
}

void TfmMain::RenderLists()
{
    SetList(*Cname, model_.Cname);
    SetList(*Ctype, model_.Ctype);
    SetList(*Cmode, model_.Cmode);
    SetList(*Port_No, model_.Port_No);
    FitModeList();
}

// The mode list is as wide as its longest entry needs in the font in use,
// never narrower than its own width; the entry shown is its tool tip too.
void TfmMain::FitModeList()
{
    Cmode->setToolTip(Cmode->currentText());
    Cmode->resize(std::max(kModeListWidth, Cmode->sizeHint().width()), Cmode->height());
}

void TfmMain::RenderChecks()
{
    SetCheck(*CBflip, model_.CBflip);
    SetCheck(*CbContact, model_.CbContact);
    SetCheck(*CBMagiCardAPI, model_.CBMagiCardAPI);
    SetCheck(*chkReceive, model_.chkReceive);
    for (std::size_t i = 0; i < radSensor.size(); ++i) SetCheck(*radSensor[i], model_.radSensor[i]);
}

void TfmMain::RenderTexts()
{
    SetText(*edtPrntFile, model_.edtPrntFile);
    SetText(*Edriver, model_.Edriver);
    if (AddressOfField(*edtAnswerAdress) != model_.edtAnswerAdress.text)
        edtAnswerAdress->setText(Q(model_.edtAnswerAdress.text));
    edtAnswerAdress->setVisible(model_.edtAnswerAdress.visible);
    for (std::size_t i = 0; i < commandFields.size(); ++i) SetText(*commandFields[i], model_.commands[i]);
    Ldriver->setText(Q(model_.Ldriver.caption));
    Ldriver->setVisible(model_.Ldriver.visible);
    LPort_No->setVisible(model_.LPort_No.visible);
    SBdriver->setVisible(model_.SBdriver.visible);
    PnMagicard->setVisible(model_.PnMagicard.visible);
}

void TfmMain::RenderLayout()
{
    setFixedSize(kWidth, model_.Height);
    Gcommands->move(Gcommands->x(), model_.GroupTop);
    Bsave->setGeometry(kWidth - 180, model_.Height - 34, 80, 26);
    Bexit->setGeometry(kWidth - 92, model_.Height - 34, 80, 26);
    // Inactive: the group and its caption take the grey of inactive text.
    const bool active = model_.Gcommands.enabled;
    Gcommands->setEnabled(active);
    QPalette p = Gcommands->palette();
    p.setColor(QPalette::WindowText, palette().color(active ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    Gcommands->setPalette(p);
}

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

void TfmMain::ShowMessage(const std::string& text) { ReportError(Q(text)); }

std::optional<std::string> TfmMain::ChooseFile(const TOpenDialog& setup)
{
    OpenDialog->setWindowTitle(Q(setup.title));
    if (!setup.initialDir.empty()) OpenDialog->setDirectory(Q(setup.initialDir));
    if (!setup.filterPattern.empty())
        OpenDialog->setNameFilter(Q(setup.filterName + " (" + setup.filterPattern + ")"));
    OpenDialog->setFileMode(setup.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    const auto chosen = ExecuteOpenDialog();
    if (!chosen) return std::nullopt;
    return S(*chosen);
}

bool TfmMain::OnScreen() const { return isVisible(); }

bool TfmMain::HasFocus(std::string_view control) const
{
    const QWidget* focused = focusWidget();
    return focused && focused->hasFocus() && S(focused->objectName()) == control;
}

void TfmMain::CloseDialog(bool applied)
{
    if (applied)
        accept();
    else
        reject();
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

} // namespace tavrin
