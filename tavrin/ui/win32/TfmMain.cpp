#include "TfmMain.h"

#include "Controls.h"
#include "MaskEdit.h"
#include "Window.h"
#include "core/ConfigFile.h"

#include <algorithm>
#include <commctrl.h>
#include <commdlg.h>
#include <utility>

namespace tavrin::win32 {
namespace {

// The layout of the Qt view, in pixels of the window's own area.
constexpr int kWidth = 470;
constexpr int kLabelX = 10, kFieldX = 112, kRowHeight = 22, kListDrop = 200;
constexpr int kGroupX = 6, kGroupHeight = 158;

constexpr DWORD kList = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kEdit = WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kShown = WS_VISIBLE;

int CommandId(std::size_t i, int first) { return first + static_cast<int>(i); }

void SetList(HWND box, const TListControl& list)
{
    const auto count = static_cast<std::size_t>(::SendMessageA(box, CB_GETCOUNT, 0, 0));
    bool same = count == list.items.size();
    for (std::size_t i = 0; same && i < count; ++i) {
        std::string item(static_cast<std::size_t>(::SendMessageA(box, CB_GETLBTEXTLEN, i, 0)), '\0');
        ::SendMessageA(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        same = item == list.items[i];
    }
    if (!same) {
        ::SendMessageA(box, CB_RESETCONTENT, 0, 0);
        for (const auto& item : list.items) ::SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    ::SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(list.itemIndex), 0);
    ::EnableWindow(box, list.enabled);
}

int Selected(HWND box) { return static_cast<int>(::SendMessageA(box, CB_GETCURSEL, 0, 0)); }
bool Checked(HWND box) { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void SetCheck(HWND box, bool checked) { ::SendMessageA(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0); }

} // namespace

TfmMain::TfmMain(TDialogHost& host) : model_(host, *this) {}

bool TfmMain::ShowModal(HWND owner)
{
    const INT_PTR result = RunDialog(owner, DialogProc, reinterpret_cast<LPARAM>(this));
    for (HBITMAP& b : sensors_)
        if (b) ::DeleteObject(std::exchange(b, nullptr));
    return result != -1;
}

INT_PTR CALLBACK TfmMain::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TfmMain*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->window_ = window;
    }
    auto* self = reinterpret_cast<TfmMain*>(::GetWindowLongPtrA(window, DWLP_USER));
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR TfmMain::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return FALSE;  // the focus is set
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DRAWITEM:
        return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    default:
        return FALSE;
    }
}

void TfmMain::OnInit()
{
    BuildPrinterRows();
    BuildCommands();
    BuildButtons();
    ::SendMessageA(window_, DM_SETDEFID, IDC_Bsave, 0);
    Render();  // the controls start as the model does
    Forward([this] { model_.LoadSettings(""); });
    CentreOnScreen(window_);
    ::SetFocus(Item(IDC_Cname));
}

void TfmMain::BuildPrinterRows()
{
    int y = 10;
    MakeControl(window_, "STATIC", "Printer name", kShown, IDC_Label, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "COMBOBOX", "", kShown | kList, IDC_Cname, kFieldX, y, 300, kListDrop);
    y += 30;
    MakeControl(window_, "STATIC", "Tavrin file", kShown, IDC_Label + 1, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "EDIT", "", kShown | kEdit | ES_READONLY, IDC_edtPrntFile, kFieldX, y, 316, kRowHeight,
                WS_EX_CLIENTEDGE);
    MakeControl(window_, "BUTTON", "...", kShown | kButton, IDC_sbtnPrntFile, kFieldX + 320, y, 26, kRowHeight);
    y += 30;
    MakeControl(window_, "STATIC", "Printer type", kShown, IDC_Label + 2, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "COMBOBOX", "", kShown | kList, IDC_Ctype, kFieldX, y, 150, kListDrop);
    MakeControl(window_, "BUTTON", model_.CBflip.caption.c_str(), kCheck, IDC_CBflip, kFieldX + 165, y, 90, kRowHeight);
    MakeControl(window_, "BUTTON", model_.CbContact.caption.c_str(), kCheck, IDC_CbContact, kFieldX + 260, y, 90,
                kRowHeight);
    MakeControl(window_, "BUTTON", model_.CBMagiCardAPI.caption.c_str(), kCheck, IDC_CBMagiCardAPI, kFieldX + 165, y,
                150, kRowHeight);
    y += 30;
    MakeControl(window_, "STATIC", "Mode", kShown, IDC_Label + 3, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "COMBOBOX", "", kShown | kList, IDC_Cmode, kFieldX, y, kModeListWidth, kListDrop);
    // The entry shown, whole, as the mode list's tooltip.
    tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, ModuleInstance(), nullptr);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(Item(IDC_Cmode));
    tool.lpszText = tooltipText_.data();
    ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    BuildModeRow(y + 32);
}

// The row below the mode: the driver library, the parallel port, or the
// sensor positions, as the mode asks.
void TfmMain::BuildModeRow(int y)
{
    MakeControl(window_, "STATIC", model_.Ldriver.caption.c_str(), 0, IDC_Ldriver, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "EDIT", "", kEdit, IDC_Edriver, kFieldX, y, 316, kRowHeight, WS_EX_CLIENTEDGE);
    MakeControl(window_, "BUTTON", "...", kButton, IDC_SBdriver, kFieldX + 320, y, 26, kRowHeight);
    MakeControl(window_, "STATIC", model_.LPort_No.caption.c_str(), 0, IDC_LPort_No, kLabelX, y + 3, 100, kRowHeight);
    MakeControl(window_, "COMBOBOX", "", kList, IDC_Port_No, kFieldX, y, 100, kListDrop);
    MakeControl(window_, "BUTTON", model_.chkReceive.caption.c_str(), kCheck, IDC_chkReceive, kFieldX + 115, y, 130,
                kRowHeight);
    HWND address = MakeControl(window_, "EDIT", "", WS_TABSTOP, IDC_edtAnswerAdress, kFieldX + 250, y, 70, kRowHeight,
                               WS_EX_CLIENTEDGE);
    MakeMaskEdit(address);
    BuildSensorPanel(y);
}

void TfmMain::BuildSensorPanel(int y)
{
    MakeControl(window_, "STATIC", "", 0, IDC_PnMagicard, kFieldX - 4, y - 6, 340, 60);
    for (std::size_t i = 0; i < model_.radSensor.size(); ++i) {
        const int x = kFieldX - 4 + 4 + static_cast<int>(i) * 84;
        const DWORD group = i == 0 ? WS_GROUP : 0;
        MakeControl(window_, "BUTTON", "", WS_TABSTOP | BS_AUTORADIOBUTTON | group, CommandId(i, IDC_radSensor1), x,
                    y - 6 + 18, 20, kRowHeight);
        MakeControl(window_, "STATIC", "", SS_OWNERDRAW, CommandId(i, IDC_imgSensorTop), x + 22, y - 6 + 2, 44, 56);
        sensors_[i] = static_cast<HBITMAP>(::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDB_SENSOR1 + i),
                                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
}

void TfmMain::BuildCommands()
{
    MakeControl(window_, "BUTTON", " Commands ", kShown | BS_GROUPBOX | WS_GROUP, IDC_Gcommands, kGroupX, kTopShort,
                kWidth - 12, kGroupHeight);
    for (std::size_t i = 0; i < model_.commands.size(); ++i) {
        const TControlCommand& row = kControlCommandTable[i];
        const int y = kTopShort + 20 + static_cast<int>(i) * 23;
        MakeControl(window_, "STATIC", row.key, kShown, CommandId(i, IDC_CommandLabel), kGroupX + 8, y + 3, 50,
                    kRowHeight);
        MakeControl(window_, "EDIT", "", kShown | kEdit, CommandId(i, IDC_Einsert), kGroupX + 60, y, 130, kRowHeight,
                    WS_EX_CLIENTEDGE);
        MakeControl(window_, "STATIC", row.label, kShown, CommandId(i, IDC_CommandExplanation), kGroupX + 200, y + 3,
                    250, kRowHeight);
    }
}

void TfmMain::BuildButtons()
{
    MakeControl(window_, "BUTTON", "Apply", kShown | WS_TABSTOP | BS_DEFPUSHBUTTON | WS_GROUP, IDC_Bsave, 0, 0, 80, 26);
    MakeControl(window_, "BUTTON", "Cancel", kShown | kButton, IDC_Bexit, 0, 0, 80, 26);
}

void TfmMain::OnCommand(int id, int code)
{
    const bool clicked = code == BN_CLICKED, picked = code == CBN_SELCHANGE;
    if (id == IDC_Cname && picked) Forward([this] { model_.CnameChange(); });
    if (id == IDC_Ctype && picked) Forward([this] { model_.CtypeChange(); });
    if (id == IDC_Cmode && picked) Forward([this] { model_.CmodeChange(); });
    if (id == IDC_chkReceive && clicked) Forward([this] { model_.chkReceiveClick(); });
    if (id == IDC_edtAnswerAdress && code == EN_KILLFOCUS) Forward([this] { model_.edtAnswerAdressExit(); });
    if (id == IDC_SBdriver && clicked) Forward([this] { model_.SBdriverClick(); });
    if (id == IDC_sbtnPrntFile && clicked) Forward([this] { model_.sbtnPrntFileClick(); });
    if (id == IDC_Bsave && clicked) Forward([this] { model_.BsaveClick(); });
    // Esc and the close box come as IDCANCEL.
    if ((id == IDC_Bexit && clicked) || id == IDCANCEL) Forward([this] { model_.BexitClick(); });
    if (id >= IDC_radSensor1 && id < IDC_radSensor1 + 4 && clicked)
        OnSensorClicked(static_cast<std::size_t>(id - IDC_radSensor1));
}

// A click on the sensor button already selected changes nothing.
void TfmMain::OnSensorClicked(std::size_t index)
{
    if (!Checked(Item(IDC_radSensor1 + static_cast<int>(index))) || model_.radSensor[index].checked) return;
    Forward([this, index] { model_.radSensor1Click(index); });
}

bool TfmMain::OnDrawItem(const DRAWITEMSTRUCT& item)
{
    const int index = static_cast<int>(item.CtlID) - IDC_imgSensorTop;
    if (index < 0 || index >= 4) return false;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    HBITMAP picture = sensors_[index];
    BITMAP info{};
    if (!picture || !::GetObjectA(picture, sizeof info, &info)) return true;
    HDC source = ::CreateCompatibleDC(item.hDC);
    HGDIOBJ old = ::SelectObject(source, picture);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(item.hDC, item.rcItem.left, item.rcItem.top, info.bmWidth, info.bmHeight, source, 0, 0,
                    info.bmWidth, info.bmHeight, blend);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    return true;
}

template <typename Handler>
void TfmMain::Forward(Handler&& handler)
{
    // Notifications the view causes itself while a handler runs or while it
    // draws (a field losing the focus as it is hidden or as a chooser
    // opens) are no user's.
    if (busy_) return;
    busy_ = true;
    Collect();
    handler();
    Render();
    busy_ = false;
}

void TfmMain::Collect()
{
    model_.Cname.itemIndex = Selected(Item(IDC_Cname));
    model_.Ctype.itemIndex = Selected(Item(IDC_Ctype));
    model_.Cmode.itemIndex = Selected(Item(IDC_Cmode));
    model_.Port_No.itemIndex = Selected(Item(IDC_Port_No));
    model_.CBflip.checked = Checked(Item(IDC_CBflip));
    model_.CbContact.checked = Checked(Item(IDC_CbContact));
    model_.CBMagiCardAPI.checked = Checked(Item(IDC_CBMagiCardAPI));
    model_.chkReceive.checked = Checked(Item(IDC_chkReceive));
    for (std::size_t i = 0; i < model_.radSensor.size(); ++i)
        model_.radSensor[i].checked = Checked(Item(CommandId(i, IDC_radSensor1)));
    model_.edtPrntFile.text = WindowText(Item(IDC_edtPrntFile));
    model_.Edriver.text = WindowText(Item(IDC_Edriver));
    model_.edtAnswerAdress.text = MaskEditText(Item(IDC_edtAnswerAdress));
    for (std::size_t i = 0; i < model_.commands.size(); ++i)
        model_.commands[i].text = WindowText(Item(CommandId(i, IDC_Einsert)));
}

void TfmMain::Render()
{
    const bool wasBusy = std::exchange(busy_, true);
    SetWindowTextIfChanged(window_, model_.Caption);
    RenderLists();
    RenderChecks();
    RenderTexts();
    RenderLayout();
    RenderVisibility();
    if (const auto request = std::exchange(model_.selectRequest, std::nullopt)) {
        HWND address = Item(IDC_edtAnswerAdress);
        ::SendMessageA(address, EM_SETSEL, 0, -1);
        if (request->focus) ::SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(address), TRUE);
    }
    busy_ = wasBusy;
}

void TfmMain::RenderLists()
{
    SetList(Item(IDC_Cname), model_.Cname);
    SetList(Item(IDC_Ctype), model_.Ctype);
    SetList(Item(IDC_Cmode), model_.Cmode);
    SetList(Item(IDC_Port_No), model_.Port_No);
    FitModeList();
}

// The mode list is as wide as its longest entry needs in the font in use,
// never narrower than its own width; the entry shown is its tooltip too.
void TfmMain::FitModeList()
{
    HWND box = Item(IDC_Cmode);
    HDC dc = ::GetDC(box);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(box, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const auto& item : model_.Cmode.items) {
        SIZE size{};
        ::GetTextExtentPoint32A(dc, item.c_str(), static_cast<int>(item.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(box, dc);
    // The text's margins and the drop-down button beside it.
    const int needed = widest + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL) + 8;
    RECT r{};
    ::GetWindowRect(box, &r);
    ::SetWindowPos(box, nullptr, 0, 0, std::max(kModeListWidth, needed), r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    tooltipText_ = model_.Cmode.Text();
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(box);
    tool.lpszText = tooltipText_.data();
    ::SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void TfmMain::RenderChecks()
{
    SetCheck(Item(IDC_CBflip), model_.CBflip.checked);
    SetCheck(Item(IDC_CbContact), model_.CbContact.checked);
    SetCheck(Item(IDC_CBMagiCardAPI), model_.CBMagiCardAPI.checked);
    SetCheck(Item(IDC_chkReceive), model_.chkReceive.checked);
    for (std::size_t i = 0; i < model_.radSensor.size(); ++i)
        SetCheck(Item(CommandId(i, IDC_radSensor1)), model_.radSensor[i].checked);
}

void TfmMain::RenderTexts()
{
    SetWindowTextIfChanged(Item(IDC_edtPrntFile), model_.edtPrntFile.text);
    SetWindowTextIfChanged(Item(IDC_Edriver), model_.Edriver.text);
    SetMaskEditText(Item(IDC_edtAnswerAdress), model_.edtAnswerAdress.text);
    for (std::size_t i = 0; i < model_.commands.size(); ++i)
        SetWindowTextIfChanged(Item(CommandId(i, IDC_Einsert)), model_.commands[i].text);
    SetWindowTextIfChanged(Item(IDC_Ldriver), model_.Ldriver.caption);
}

void TfmMain::RenderLayout()
{
    SetClientSize(window_, kWidth, model_.Height);
    // The commands group and what it holds move to the group's top.
    const int shift = model_.GroupTop - kTopShort;
    auto place = [this](int id, int x, int y) {
        ::SetWindowPos(Item(id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_Gcommands, kGroupX, model_.GroupTop);
    for (std::size_t i = 0; i < model_.commands.size(); ++i) {
        const int y = kTopShort + 20 + static_cast<int>(i) * 23 + shift;
        place(CommandId(i, IDC_CommandLabel), kGroupX + 8, y + 3);
        place(CommandId(i, IDC_Einsert), kGroupX + 60, y);
        place(CommandId(i, IDC_CommandExplanation), kGroupX + 200, y + 3);
    }
    place(IDC_Bsave, kWidth - 180, model_.Height - 34);
    place(IDC_Bexit, kWidth - 92, model_.Height - 34);
    // Inactive, the group and everything in it are greyed.
    const bool active = model_.Gcommands.enabled;
    ::EnableWindow(Item(IDC_Gcommands), active);
    for (std::size_t i = 0; i < model_.commands.size(); ++i)
        for (int first : {IDC_CommandLabel, IDC_Einsert, IDC_CommandExplanation})
            ::EnableWindow(Item(CommandId(i, first)), active);
}

void TfmMain::Show(int id, bool visible)
{
    HWND control = Item(id);
    if (!visible && ::GetFocus() == control) ::SendMessageA(window_, WM_NEXTDLGCTL, 0, FALSE);
    ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void TfmMain::RenderVisibility()
{
    Show(IDC_CBflip, model_.CBflip.visible);
    Show(IDC_CbContact, model_.CbContact.visible);
    Show(IDC_CBMagiCardAPI, model_.CBMagiCardAPI.visible);
    Show(IDC_Ldriver, model_.Ldriver.visible);
    Show(IDC_Edriver, model_.Edriver.visible);
    Show(IDC_SBdriver, model_.SBdriver.visible);
    Show(IDC_LPort_No, model_.LPort_No.visible);
    Show(IDC_Port_No, model_.Port_No.visible);
    Show(IDC_chkReceive, model_.chkReceive.visible);
    Show(IDC_edtAnswerAdress, model_.edtAnswerAdress.visible);
    const bool panel = model_.PnMagicard.visible;
    Show(IDC_PnMagicard, panel);
    for (std::size_t i = 0; i < model_.radSensor.size(); ++i) {
        Show(CommandId(i, IDC_radSensor1), panel && model_.radSensor[i].visible);
        Show(CommandId(i, IDC_imgSensorTop), panel);
    }
}

void TfmMain::ShowMessage(const std::string& text)
{
    ::MessageBoxA(window_, text.c_str(), "Tavrin", MB_OK | MB_ICONERROR);
}

std::optional<std::string> TfmMain::ChooseFile(const TOpenDialog& setup)
{
    std::string filter = setup.filterName;
    filter.push_back('\0');
    filter += setup.filterPattern;
    filter.push_back('\0');
    char file[MAX_PATH * 4] = {};
    OPENFILENAMEA chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = window_;
    chooser.lpstrFilter = setup.filterPattern.empty() ? nullptr : filter.c_str();
    chooser.lpstrFile = file;
    chooser.nMaxFile = sizeof file;
    chooser.lpstrInitialDir = setup.initialDir.empty() ? nullptr : setup.initialDir.c_str();
    chooser.lpstrTitle = setup.title.c_str();
    chooser.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING |
                    (setup.fileMustExist ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : 0);
    if (!::GetOpenFileNameA(&chooser)) return std::nullopt;
    return std::string(file);
}

bool TfmMain::OnScreen() const { return ::IsWindowVisible(window_) != FALSE; }

bool TfmMain::HasFocus(std::string_view control) const
{
    const TControl* controls[] = {&model_.Cname,  &model_.edtPrntFile, &model_.Ctype,          &model_.Cmode,
                                  &model_.CBflip, &model_.CbContact,   &model_.CBMagiCardAPI,  &model_.Port_No,
                                  &model_.chkReceive, &model_.edtAnswerAdress, &model_.Edriver};
    const int ids[] = {IDC_Cname,  IDC_edtPrntFile, IDC_Ctype,         IDC_Cmode,           IDC_CBflip, IDC_CbContact,
                       IDC_CBMagiCardAPI, IDC_Port_No, IDC_chkReceive, IDC_edtAnswerAdress, IDC_Edriver};
    for (std::size_t i = 0; i < std::size(ids); ++i)
        if (controls[i]->name == control) return ::GetFocus() == Item(ids[i]);
    return false;
}

void TfmMain::CloseDialog(bool applied) { ::EndDialog(window_, applied ? IDOK : IDCANCEL); }

} // namespace tavrin::win32
