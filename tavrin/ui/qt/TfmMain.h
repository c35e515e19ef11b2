#pragma once
// The configuration dialog on Qt: a view of the dialog's model
// (ui/DialogModel.h), which decides everything the dialog does. Each
// widget bears the name of the control it draws (also as its object name):
// Cname, edtPrntFile, sbtnPrntFile, Ctype, Cmode, CBflip, CbContact,
// CBMagiCardAPI, Port_No, chkReceive, edtAnswerAdress, Ldriver, Edriver,
// SBdriver, PnMagicard with radSensor1..4, Gcommands with Einsert, Epre,
// Epost, Eeject, Eerror, Epause, Bsave, Bexit.
//
// What a user does reaches the model as the handler it fires, after the
// widgets' values have been copied into the model; the model's state is
// then drawn again. Choosing an entry from code fires nothing; ticking a
// check box or a sensor button from code fires its click handler, as a
// user's click would. Esc and the close box close the dialog as Cancel does.
#include "ui/DialogModel.h"

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

class TfmMain : public QDialog, private TDialogView {
public:
    explicit TfmMain(TDialogHost& host, QWidget* parent = nullptr);

    // The model's operations and handlers that the module, the focus and
    // the tests start from here; the lists' changes, the check box and the
    // sensor buttons reach the model straight from their signals.
    void LoadSettings(const std::string& file);
    void edtAnswerAdressExit();
    void SBdriverClick();
    void sbtnPrntFileClick();
    void BsaveClick();
    void BexitClick();

    const TDialogModel& Model() const { return model_; }

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
    std::array<QLineEdit*, kDialogCommandCount> commandFields;  // in the order of the model's
    QLineEdit *Einsert, *Epre, *Epost, *Eeject, *Eerror, *Epause;
    QPushButton* Bsave;
    QPushButton* Bexit;

    // The one file chooser both file buttons set up and open.
    QFileDialog* OpenDialog;

    static constexpr int kHeightShort = tavrin::kHeightShort, kTopShort = tavrin::kTopShort;
    static constexpr int kHeightRow = tavrin::kHeightRow, kTopRow = tavrin::kTopRow;
    static constexpr int kHeightSensors = tavrin::kHeightSensors, kTopSensors = tavrin::kTopSensors;

protected:
    // Opens OpenDialog as it is set up; the chosen file, or nullopt when
    // the user cancelled.
    virtual std::optional<QString> ExecuteOpenDialog();
    // Reports an error raised while applying; the dialog stays open.
    virtual void ReportError(const QString& text);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // TDialogView.
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> ChooseFile(const TOpenDialog& setup) override;
    bool OnScreen() const override;
    bool HasFocus(std::string_view control) const override;
    void CloseDialog(bool applied) override;

    void BuildPrinterRows();
    void BuildModeRow(int y);
    void BuildSensorPanel(int y);
    void BuildCommands();
    void BuildButtons();
    void ConnectEvents();

    // Copies what the user may have changed into the model, runs the
    // handler, and draws the model again.
    template <typename Handler>
    void Forward(Handler&& handler);
    void Collect();
    void Render();
    void RenderLists();
    void RenderChecks();
    void RenderTexts();
    void RenderLayout();
    void FitModeList();

    TDialogModel model_;
    bool busy_ = false;
};

// Puts a window in the middle of its screen.
void CentreOnScreen(QWidget& window);

} // namespace tavrin
