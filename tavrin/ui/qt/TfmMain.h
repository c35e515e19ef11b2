#pragma once
// The configuration dialog: one card printer's settings, shown from the
// run's configuration file and written back to it on Apply.
//
// Controls bear the names the program has always used for them (they are
// also the widgets' object names): Cname, edtPrntFile, sbtnPrntFile, Ctype,
// Cmode, CBflip, CbContact, CBMagiCardAPI, Port_No, chkReceive,
// edtAnswerAdress, Ldriver, Edriver, SBdriver, PnMagicard with radSensor1..4,
// Gcommands with Einsert, Epre, Epost, Eeject, Eerror, Epause, Bsave, Bexit.
//
// Choosing an entry from code fires no change handler (LoadSettings calls
// them itself); ticking a check box or a sensor button from code does fire
// its click handler, as a user's click would.
#include "ui/DialogHost.h"

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace tavrin {

class TfmMain : public QDialog {
public:
    explicit TfmMain(TDialogHost& host, QWidget* parent = nullptr);

    void LoadSettings(const std::string& file);
    // Writes the dialog's values into the configuration file; raises the
    // write's own error when one fails.
    void SaveSettings();

    // Handlers.
    void CnameChange();
    void CtypeChange();
    void CmodeChange();
    void radSensor1Click(QRadioButton* sender);
    void chkReceiveClick();
    void edtAnswerAdressExit();
    void SBdriverClick();
    void sbtnPrntFileClick();
    void BsaveClick();
    void BexitClick();

    // Controls.
    QComboBox* Cname;
    QLineEdit* edtPrntFile;
    QToolButton* sbtnPrntFile;
    QComboBox* Ctype;
    QComboBox* Cmode;
    QCheckBox* CBflip;
    QCheckBox* CbContact;
    QCheckBox* CBMagiCardAPI;
    QLabel* LPort_No;
    QComboBox* Port_No;
    QCheckBox* chkReceive;
    QLineEdit* edtAnswerAdress;
    QLabel* Ldriver;
    QLineEdit* Edriver;
    QToolButton* SBdriver;
    QFrame* PnMagicard;
    std::array<QRadioButton*, 4> radSensor;  // radSensor1 .. radSensor4
    std::array<QLabel*, 4> imgSensor;        // imgSensorTop .. imgSensorBottom
    QGroupBox* Gcommands;
    QLineEdit* Einsert;
    QLineEdit* Epre;
    QLineEdit* Epost;
    QLineEdit* Eeject;
    QLineEdit* Eerror;
    QLineEdit* Epause;
    QPushButton* Bsave;
    QPushButton* Bexit;

    // The one file chooser both file buttons set up and open.
    QFileDialog* OpenDialog;

    // Window heights and commands-group tops of the three layouts.
    static constexpr int kHeightShort = 334, kTopShort = 131;
    static constexpr int kHeightRow = 366, kTopRow = 163;
    static constexpr int kHeightSensors = 389, kTopSensors = 192;

protected:
    // Opens OpenDialog as it is set up; the chosen file, or nullopt when
    // the user cancelled.
    virtual std::optional<QString> ExecuteOpenDialog();
    // Reports an error raised while applying; the dialog stays open.
    virtual void ReportError(const QString& text);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetLayoutRows(int height, int groupTop);
    void SetCommandsActive(bool active);
    QString ModeText() const;
    QString TypeText() const;
    QString PrinterText() const;

    TDialogHost& host_;
};

// Puts a window in the middle of its screen.
void CentreOnScreen(QWidget& window);

// The number that ends a control's name ("radSensor3" gives 3), default 1.
int TrailingDigit(const QString& name);

// The answer address as it is stored: trimmed, without blanks, padded with
// zeros after its first character to five characters, upper case
// ("$3 78" gives "$0378").
QString NormaliseAnswerAddress(const QString& text);

// The LPT number of a port name: the number after its first letter T.
// Raises "'<text>' is not a valid integer value" when there is none.
int PortNumber(const QString& portName);

} // namespace tavrin
