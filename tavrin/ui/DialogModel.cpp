#include "DialogModel.h"

#include "core/ConfigFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tavrin {
namespace {

const std::string kDii = "DII", kMagicard = "MAGICARD";
const std::string kParallel = "PARALLEL", kXxlPro = "XXL Pro", kStandard = "Standard";
const std::string kPrinterName = "PrinterName", kPrinterType = "PrinterType", kPrinterMode = "PrinterMode";

// A printer list is sorted as the system's sorted lists are: without regard
// to case (letters compared as capitals), equal names in the order given.
bool LessText(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return platform::UpperChar(x) < platform::UpperChar(y); });
}

int IndexOf(const std::vector<std::string>& items, std::string_view text)
{
    const auto it = std::find(items.begin(), items.end(), text);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The folder part of a path (either separator), "" when there is none.
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A path whose file name has no extension gets ".ini".
std::string WithIniExtension(std::string path)
{
    const auto slash = path.find_last_of("/\\");
    const auto name = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', name) == std::string::npos) path += ".ini";
    return path;
}

// The command fields' proposals from the catalogue, in the table's order.
constexpr std::array<std::optional<std::string> TTypeDefaults::*, kDialogCommandCount> kProposals = {
    &TTypeDefaults::Insert, &TTypeDefaults::Pre,   &TTypeDefaults::Post,
    &TTypeDefaults::Eject,  &TTypeDefaults::Error, &TTypeDefaults::Pause};

} // namespace

std::string TListControl::Text() const
{
    return itemIndex >= 0 && static_cast<std::size_t>(itemIndex) < items.size() ? items[static_cast<std::size_t>(itemIndex)]
                                                                                 : std::string();
}

void TListControl::Clear()
{
    items.clear();
    itemIndex = -1;
}

int TrailingDigit(std::string_view name)
{
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name.back()))) return 1;
    return name.back() - '0';
}

std::string NormaliseAnswerAddress(std::string_view text)
{
    std::string s;
    for (char c : Trim(text))
        if (c != ' ') s += c;
    if (s.empty()) return s;
    while (s.size() < kAnswerAddressLength) s.insert(1, 1, '0');
    return platform::UpperCase(s);
}

int PortNumber(std::string_view portName)
{
    const auto t = portName.find('T');
    const std::string_view digits = t == std::string_view::npos ? std::string_view() : portName.substr(t + 1);
    std::string_view number = Trim(digits);
    int sign = 1;
    if (!number.empty() && (number.front() == '-' || number.front() == '+')) {
        sign = number.front() == '-' ? -1 : 1;
        number.remove_prefix(1);
    }
    int n = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), n);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size())
        throw TDialogError("'" + std::string(digits) + "' is not a valid integer value");
    return sign * n;
}

TDialogModel::TDialogModel(TDialogHost& host, TDialogView& view) : host_(host), view_(view)
{
    Cname.name = "Cname";
    edtPrntFile.name = "edtPrntFile";
    sbtnPrntFile.name = "sbtnPrntFile";
    Ctype.name = "Ctype";
    Cmode.name = "Cmode";
    CBflip = {{"CBflip", false, true}, "Flip Card", false};
    CbContact = {{"CbContact", false, true}, "Contact", false};
    CBMagiCardAPI = {{"CBMagiCardAPI", false, true}, "Use Driver API", false};
    LPort_No = {{"LPort_No", false, true}, "Port number"};
    Port_No = {{"Port_No", false, true}, host_.ParallelPorts(), -1};
    chkReceive = {{"chkReceive", false, true}, "Receive answer", false};
    edtAnswerAdress = {{"edtAnswerAdress", false, true}, "$    "};
    Ldriver = {{"Ldriver", false, true}, "Driver"};
    Edriver = {{"Edriver", false, true}, ""};
    SBdriver = {"SBdriver", false, true};
    PnMagicard = {"PnMagicard", false, true};
    for (std::size_t i = 0; i < radSensor.size(); ++i)
        radSensor[i] = {{"radSensor" + std::to_string(i + 1), true, true}, "", i == 0};
    Gcommands.name = "Gcommands";
    for (std::size_t i = 0; i < commands.size(); ++i) commands[i].name = kControlCommandTable[i].control;
    Bsave.name = "Bsave";
    Bexit.name = "Bexit";
}

void TDialogModel::SetChecked(TCheckControl& box, bool checked)
{
    if (box.checked == checked) return;
    box.checked = checked;
    if (&box == &chkReceive) chkReceiveClick();
}

void TDialogModel::SelectSensor(std::size_t index)
{
    if (index >= radSensor.size() || radSensor[index].checked) return;
    for (std::size_t i = 0; i < radSensor.size(); ++i) radSensor[i].checked = i == index;
    radSensor1Click(index);
}

void TDialogModel::FillPrinters()
{
    Caption = "Tavrin configuration";
    Cname.items = host_.InstalledPrinters();
    std::stable_sort(Cname.items.begin(), Cname.items.end(), LessText);
    Cname.itemIndex = -1;
}

void TDialogModel::LoadSettings(const std::string& file)
{
    FillPrinters();
    if (!file.empty() && host_.FileExists(file)) host_.ReplaceConfigFile(file);
    edtPrntFile.text = host_.ConfigFileName();
    if (!host_.FileExists(edtPrntFile.text)) {
        CnameChange();
        return;
    }
    // A missing key reads as "1" and so selects nothing; only a key that is
    // there with an empty value skips the selection.
    if (!host_.ReadString(kPrinterConfiguration, kPrinterName, "1").empty()) {
        const std::string name = host_.ReadString(kPrinterConfiguration, kPrinterName, "");
        const auto it = std::find_if(Cname.items.begin(), Cname.items.end(),
                                     [&](const std::string& p) { return platform::SameText(p, name); });
        Cname.itemIndex = name.empty() || it == Cname.items.end() ? -1 : static_cast<int>(it - Cname.items.begin());
        CnameChange();
    }
    if (Cname.Text().empty())
        CnameChange();
    else
        LoadPrinterSettings();
    if (Cmode.Text() == kParallel) LoadPortSettings();
}

void TDialogModel::LoadPrinterSettings()
{
    const std::string type = platform::UpperCase(host_.ReadString(kPrinterConfiguration, kPrinterType, ""));
    Ctype.itemIndex = type.empty() ? -1 : IndexOf(Ctype.items, type);
    CtypeChange();
    SelectStoredMode();
    LoadTypeOptions();
    CmodeChange();
    LoadDriverApiAndSensor();
    // What the file holds wins over what the type proposed.
    for (std::size_t i = 0; i < commands.size(); ++i)
        commands[i].text = host_.ReadString(kControlCommands, kControlCommandTable[i].key, "");
}

void TDialogModel::SelectStoredMode()
{
    if (Ctype.Text() != kDii) {
        const std::string mode = host_.ReadString(kPrinterConfiguration, kPrinterMode, "");
        Cmode.itemIndex = mode.empty() ? -1 : IndexOf(Cmode.items, mode);
        return;
    }
    // A DII model is stored as its digit: the first entry it begins.
    const int model = host_.ReadInteger(kPrinterConfiguration, kPrinterMode, 0);
    Cmode.itemIndex = -1;
    for (std::size_t i = 0; i < Cmode.items.size(); ++i) {
        const std::string& entry = Cmode.items[i];
        if (!entry.empty() && std::isdigit(static_cast<unsigned char>(entry[0])) && entry[0] - '0' == model) {
            Cmode.itemIndex = static_cast<int>(i);
            break;
        }
    }
}

TTypeOptions TDialogModel::Options() const { return host_.TypeDefaults(Ctype.Text(), Cname.Text()).options; }

void TDialogModel::LoadTypeOptions()
{
    const TTypeOptions options = Options();
    if (options.flipCard) SetChecked(CBflip, host_.ReadBool(kPrinterConfiguration, "FlipCard", false));
    if (options.contact) SetChecked(CbContact, host_.ReadInteger(kPrinterConfiguration, "Contact", 1) == 0);
    // The custom DII model names its driver.
    if (Ctype.Text() == kDii && Cmode.Text().starts_with('3'))
        Edriver.text = host_.ReadString(kPrinterConfiguration, "DriverDLL", "");
}

void TDialogModel::LoadDriverApiAndSensor()
{
    const TTypeOptions options = Options();
    if (options.useDriverApi) SetChecked(CBMagiCardAPI, host_.ReadBool(kPrinterConfiguration, "UseDriverAPI", false));
    if (!options.sensors || Cmode.Text() != kXxlPro) return;
    const int sensor = host_.ReadInteger(kPrinterConfiguration, "SensorNo", 1);
    for (std::size_t i = 0; i < radSensor.size(); ++i)
        if (TrailingDigit(radSensor[i].name) == sensor) {
            SelectSensor(i);
            break;
        }
}

void TDialogModel::LoadPortSettings()
{
    const std::string portNo = std::to_string(host_.ReadInteger(kPortSection, "PortNo", 1));
    for (std::size_t i = 0; i < Port_No.items.size(); ++i)
        if (Port_No.items[i].find(portNo) != std::string::npos) {
            Port_No.itemIndex = static_cast<int>(i);
            break;
        }
    if (host_.ReadString(kPortSection, "ReceiveData", "NO") == "YES") {
        SetChecked(chkReceive, true);
        edtAnswerAdress.text = host_.ReadString(kPortSection, "PortAddress", "");
    }
}

void TDialogModel::CnameChange()
{
    if (Cname.Text().empty()) {
        Ctype.itemIndex = -1;
        Ctype.enabled = false;
        CtypeChange();
        Gcommands.enabled = false;
        return;
    }
    Ctype.enabled = true;
    TTypeGuess guess = host_.GuessPrinterTypes(Cname.Text());
    Ctype.items = std::move(guess.types);
    Ctype.itemIndex = IndexOf(Ctype.items, guess.preselected);
    CtypeChange();
}

void TDialogModel::CtypeChange()
{
    const std::string type = Ctype.Text();
    if (type.empty()) {
        // No type, no mode: a mode left from a file loaded before must not
        // be written with an empty type.
        Cmode.Clear();
        Cmode.enabled = false;
        CmodeChange();
        return;
    }
    Cmode.enabled = true;
    const TTypeDefaults proposed = host_.TypeDefaults(type, Cname.Text());
    CBflip.visible = proposed.options.flipCard;
    CbContact.visible = proposed.options.contact;
    CBMagiCardAPI.visible = proposed.options.useDriverApi;
    // Only a type whose commands the user types has them editable; the
    // other types still keep and write what the fields hold.
    Gcommands.enabled = proposed.commandsEditable;
    ApplyTypeDefaults(type, proposed);
    if (proposed.options.sensors) PnMagicard.visible = true;
    CmodeChange();
}

void TDialogModel::ApplyTypeDefaults(const std::string& type, const TTypeDefaults& proposed)
{
    TModeList modes = host_.ModesForType(type, Cname.Text(), !host_.NoParallelPorts());
    Cmode.items = std::move(modes.modes);
    Cmode.itemIndex = modes.selected ? static_cast<int>(*modes.selected) : -1;
    for (std::size_t i = 0; i < commands.size(); ++i)
        if (const auto& value = proposed.*kProposals[i]) commands[i].text = *value;
}

void TDialogModel::SetLayout(int height, int groupTop, const char* rowLabel)
{
    Height = height;
    GroupTop = groupTop;
    Ldriver.visible = rowLabel != nullptr;
    if (rowLabel) Ldriver.caption = rowLabel;
}

void TDialogModel::ShowModeRow(bool driver, bool port, bool sensors)
{
    Edriver.visible = SBdriver.visible = driver;
    LPort_No.visible = Port_No.visible = port;
    PnMagicard.visible = sensors;
    chkReceive.visible = port;
    if (!port) edtAnswerAdress.visible = false;
}

void TDialogModel::CmodeChange()
{
    const std::string mode = Cmode.Text();
    const bool magicard = Ctype.Text() == kMagicard;
    if (mode.starts_with('3')) {
        SetLayout(kHeightRow, kTopRow, "Driver");
        ShowModeRow(true, false, false);
        // A custom model is useless without its driver: ask for it at once,
        // with the chooser as it was last set up.
        if (Edriver.text.empty()) Edriver.text = view_.ChooseFile(OpenDialog).value_or("");
    } else if (magicard && mode == kXxlPro) {
        SetLayout(kHeightSensors, kTopSensors, "Position");
        ShowModeRow(false, false, true);
        const auto selected = std::find_if(radSensor.begin(), radSensor.end(), [](const auto& r) { return r.checked; });
        if (selected != radSensor.end()) radSensor1Click(static_cast<std::size_t>(selected - radSensor.begin()));
    } else if (magicard && mode == kStandard) {
        SetLayout(kHeightShort, kTopShort, nullptr);
        ShowModeRow(false, false, false);
        Einsert().text = "GEM";
    } else if (magicard) {
        // Any other Magicard mode leaves the window as it is.
    } else if (mode == kParallel) {
        SetLayout(kHeightRow, kTopRow, nullptr);
        ShowModeRow(false, true, false);
        SetChecked(chkReceive, false);
        edtAnswerAdress.visible = false;
    } else {
        SetLayout(kHeightShort, kTopShort, nullptr);
        ShowModeRow(false, false, false);
    }
}

void TDialogModel::radSensor1Click(std::size_t sender)
{
    const int position = sender < radSensor.size() ? TrailingDigit(radSensor[sender].name) : 1;
    Einsert().text = host_.SensorInsertCommand(position);
}

void TDialogModel::chkReceiveClick()
{
    if (!chkReceive.checked) {
        edtAnswerAdress.visible = false;
        return;
    }
    edtAnswerAdress.visible = true;
    selectRequest = TSelectRequest{edtAnswerAdress.name, view_.OnScreen()};
}

void TDialogModel::edtAnswerAdressExit() { edtAnswerAdress.text = NormaliseAnswerAddress(edtAnswerAdress.text); }

void TDialogModel::SBdriverClick()
{
    OpenDialog.initialDir = host_.DriverDirectory();
    OpenDialog.filterName = "Driver-DLL";
    OpenDialog.filterPattern = kDriverFilterPattern;
    OpenDialog.fileMustExist = true;
    if (const auto chosen = view_.ChooseFile(OpenDialog)) Edriver.text = *chosen;
}

void TDialogModel::sbtnPrntFileClick()
{
    OpenDialog.initialDir = FolderOf(edtPrntFile.text);
    OpenDialog.filterName = "Configuration file";
    OpenDialog.filterPattern = "*.ini";
    // A new file's name is welcome: it becomes the file on Apply.
    OpenDialog.fileMustExist = false;
    const auto chosen = view_.ChooseFile(OpenDialog);
    if (!chosen || chosen->empty()) return;
    edtPrntFile.text = WithIniExtension(*chosen);
    if (host_.FileExists(edtPrntFile.text)) LoadSettings(edtPrntFile.text);
}

void TDialogModel::Write(const std::string& section, const std::string& key, const std::string& value)
{
    std::string error;
    if (!host_.WriteString(section, key, value, error)) throw TDialogError(error);
}

void TDialogModel::Delete(const std::string& section, const std::string& key)
{
    std::string error;
    if (!host_.DeleteKey(section, key, error)) throw TDialogError(error);
}

void TDialogModel::SaveSettings()
{
    const std::string type = Ctype.Text(), mode = Cmode.Text();
    // Settle the port number before anything is written, so a port name
    // without a number stops Apply with the file as it was.
    const int portNo = mode == kParallel && Port_No.itemIndex >= 0 ? PortNumber(Port_No.Text()) : 1;

    const std::string file(Trim(edtPrntFile.text));
    if (file != host_.ConfigFileName()) host_.ReplaceConfigFile(file);

    for (const char* key : {"FlipCard", "Contact", "DriverDLL", "SensorNo"}) Delete(kPrinterConfiguration, key);
    Delete(kPortSection, "PortNo");

    Write(kPrinterConfiguration, kPrinterName, Cname.Text());
    Write(kPrinterConfiguration, kPrinterType, type);
    Write(kPrinterConfiguration, kPrinterMode, type == kDii ? mode.substr(0, 1) : mode);
    WriteTypeOptions(type, mode);
    for (std::size_t i = 0; i < commands.size(); ++i) Write(kControlCommands, kControlCommandTable[i].key, commands[i].text);
    if (mode == kParallel) WritePortSettings(portNo);
}

void TDialogModel::WriteTypeOptions(const std::string& type, const std::string& mode)
{
    const TTypeOptions options = Options();
    if (options.flipCard) Write(kPrinterConfiguration, "FlipCard", CBflip.checked ? "1" : "0");
    if (options.contact) Write(kPrinterConfiguration, "Contact", CbContact.checked ? "0" : "1");
    if (type == kDii) {
        if (mode.starts_with('3')) Write(kPrinterConfiguration, "DriverDLL", Edriver.text);
        if (!host_.ValueExists(kPrinterConfiguration, "CMDDelay")) Write(kPrinterConfiguration, "CMDDelay", "17000");
    }
    if (options.useDriverApi) Write(kPrinterConfiguration, "UseDriverAPI", CBMagiCardAPI.checked ? "1" : "0");
    if (!options.sensors || mode != kXxlPro) return;
    const auto selected = std::find_if(radSensor.begin(), radSensor.end(), [](const auto& r) { return r.checked; });
    if (selected != radSensor.end())
        Write(kPrinterConfiguration, "SensorNo", std::to_string(TrailingDigit(selected->name)));
}

void TDialogModel::WritePortSettings(int portNo)
{
    Write(kPortSection, "PortNo", std::to_string(portNo));
    if (chkReceive.checked) {
        Write(kPortSection, "PortAddress", edtAnswerAdress.text);
        Write(kPortSection, "ReceiveData", "YES");
    } else {
        Write(kPortSection, "ReceiveData", "NO");
    }
}

void TDialogModel::BsaveClick()
{
    // Apply by the keyboard leaves the address field without a focus change.
    if (edtAnswerAdress.visible && view_.HasFocus(edtAnswerAdress.name)) edtAnswerAdressExit();
    try {
        SaveSettings();
    } catch (const TDialogError& e) {
        view_.ShowMessage(e.what());
        return;
    }
    view_.CloseDialog(true);
}

void TDialogModel::BexitClick() { view_.CloseDialog(false); }

} // namespace tavrin
