#pragma once
// What the configuration dialog does, apart from how a toolkit draws it:
// the state of every control (entries, selection, enabled, visible, texts),
// the window's height and the commands group's top, the handlers, and the
// loading and saving of the configuration file. A view (Qt on Linux, Win32
// on Windows) draws this state after every event and forwards what the user
// does: it copies what the user changed into the controls here, calls the
// handler, and draws the state again. Everything else a view must do for the
// dialog goes through TDialogView.
//
// Controls bear the names the program has always given them. Choosing a
// list entry from code fires no change handler (LoadSettings calls them
// itself); ticking a check box or a sensor button from code does fire its
// click handler, as a user's click would (SetChecked, SelectSensor).
#include "DialogHost.h"
#include "core/ConfigFile.h"

#include <array>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrin {

// Heights of the window's own area and tops of the commands group in the
// three layouts the mode chooses between.
inline constexpr int kHeightShort = 334, kTopShort = 131;
inline constexpr int kHeightRow = 366, kTopRow = 163;
inline constexpr int kHeightSensors = 389, kTopSensors = 192;
// The mode list's width; a view widens it when its font needs more for
// the longest entry (the controls to its right do not move).
inline constexpr int kModeListWidth = 132;

struct TControl {
    std::string name;
    bool visible = true;
    bool enabled = true;
};

// A drop-down list of fixed entries; no entry selected is index -1.
struct TListControl : TControl {
    std::vector<std::string> items;
    int itemIndex = -1;
    // The entry shown, empty when none is.
    std::string Text() const;
    void Clear();
};

struct TEditControl : TControl {
    std::string text;
};

// A check box or a radio button.
struct TCheckControl : TControl {
    std::string caption;
    bool checked = false;
};

struct TLabelControl : TControl {
    std::string caption;
};

// The answer-address field's mask: "$", then four letters or digits, each
// optional; a position not typed is a blank in the text and shows as "_".
inline constexpr std::string_view kAnswerAddressMask = "$aaaa;1;_";
inline constexpr std::size_t kAnswerAddressLength = 5;
inline constexpr char kAnswerAddressPlaceholder = '_';

// The one file chooser both file buttons set up before opening it.
struct TOpenDialog {
    std::string title = "Select Driver-DLL";
    std::string filterName;     // "Driver-DLL", "Configuration file"
    std::string filterPattern;  // "*.dll", "*.ini"
    std::string initialDir;
    bool fileMustExist = false;  // else a new file's name is taken too
};

// The driver button's filter: the system's own libraries.
#ifdef _WIN32
inline constexpr const char* kDriverFilterPattern = "*.dll";
#else
inline constexpr const char* kDriverFilterPattern = "*.so";
#endif

// What the dialog needs from the window that shows it.
class TDialogView {
public:
    virtual ~TDialogView() = default;
    // An error box over the dialog; the dialog stays open.
    virtual void ShowMessage(const std::string& text) = 0;
    // Opens the file chooser as `setup` says; the chosen path, or nullopt
    // when the user cancelled.
    virtual std::optional<std::string> ChooseFile(const TOpenDialog& setup) = 0;
    // Whether the dialog is on the screen yet (loading happens before).
    virtual bool OnScreen() const = 0;
    // Whether the named control has the keyboard focus.
    virtual bool HasFocus(std::string_view control) const = 0;
    // Closes the dialog; applied tells Apply from Cancel.
    virtual void CloseDialog(bool applied) = 0;
};

class TDialogModel {
public:
    TDialogModel(TDialogHost& host, TDialogView& view);
    TDialogModel(const TDialogModel&) = delete;
    TDialogModel& operator=(const TDialogModel&) = delete;

    void LoadSettings(const std::string& file);
    // Writes the dialog's values into the configuration file; raises
    // TDialogError when a write fails (the keys written before stay).
    void SaveSettings();

    // Handlers.
    void CnameChange();
    void CtypeChange();
    void CmodeChange();
    void radSensor1Click(std::size_t sender);  // any sensor button, 0..3
    void chkReceiveClick();
    void edtAnswerAdressExit();
    void SBdriverClick();
    void sbtnPrntFileClick();
    void BsaveClick();
    void BexitClick();

    // What code does to a check box or sensor button: the click handler
    // runs when the state changes, as for a user's click.
    void SetChecked(TCheckControl& box, bool checked);
    void SelectSensor(std::size_t index);

    // The window.
    std::string Caption;
    int Height = kHeightShort;
    int GroupTop = kTopShort;

    // The controls.
    TListControl Cname;
    TEditControl edtPrntFile;
    TControl sbtnPrntFile;
    TListControl Ctype;
    TListControl Cmode;
    TCheckControl CBflip, CbContact, CBMagiCardAPI;
    TLabelControl LPort_No;
    TListControl Port_No;
    TCheckControl chkReceive;
    TEditControl edtAnswerAdress;
    TLabelControl Ldriver;
    TEditControl Edriver;
    TControl SBdriver;
    TControl PnMagicard;
    std::array<TCheckControl, 4> radSensor;  // radSensor1 .. radSensor4
    TControl Gcommands;                      // disabled: greyed
    // The six command fields, in the order of kControlCommandTable.
    std::array<TEditControl, kDialogCommandCount> commands;
    TEditControl& Einsert() { return commands[0]; }
    TEditControl& Epre() { return commands[1]; }
    TEditControl& Epost() { return commands[2]; }
    TEditControl& Eeject() { return commands[3]; }
    TEditControl& Eerror() { return commands[4]; }
    TEditControl& Epause() { return commands[5]; }
    TControl Bsave, Bexit;

    TOpenDialog OpenDialog;

    // Set by chkReceiveClick: once it has drawn the state, the view selects
    // the answer address's whole text and, when focus is set, gives the
    // field the focus; then it clears the request.
    struct TSelectRequest {
        std::string control;
        bool focus = false;
    };
    std::optional<TSelectRequest> selectRequest;

private:
    void FillPrinters();
    void LoadPrinterSettings();
    void SelectStoredMode();
    // The options the catalogue shows for the type shown.
    TTypeOptions Options() const;
    void LoadTypeOptions();
    void LoadDriverApiAndSensor();
    void LoadPortSettings();
    void ShowModeRow(bool driver, bool port, bool sensors);
    void SetLayout(int height, int groupTop, const char* rowLabel);
    void ApplyTypeDefaults(const std::string& type, const TTypeDefaults& proposed);
    void WriteTypeOptions(const std::string& type, const std::string& mode);
    void WritePortSettings(int portNo);

    void Write(const std::string& section, const std::string& key, const std::string& value);
    void Delete(const std::string& section, const std::string& key);

    TDialogHost& host_;
    TDialogView& view_;
};

// An error raised while applying; its text is what the user is shown.
class TDialogError : public std::exception {
public:
    explicit TDialogError(std::string text) : text_(std::move(text)) {}
    const char* what() const noexcept override { return text_.c_str(); }

private:
    std::string text_;
};

// The number that ends a control's name ("radSensor3" gives 3), default 1.
int TrailingDigit(std::string_view name);

// The answer address as it is stored: trimmed, without blanks, padded with
// zeros after its first character to five characters, upper case
// ("$3 78" gives "$0378").
std::string NormaliseAnswerAddress(std::string_view text);

// The LPT number of a port name: the number after its first letter T.
// Raises TDialogError "'<text>' is not a valid integer value" when there is
// none.
int PortNumber(std::string_view portName);

} // namespace tavrin
