// The Windows module's windows on a desktop, driven from a second thread
// by window messages as a user's mouse and keyboard would drive them: the
// configuration dialog opens on a configuration and shows what the model
// shows after the same actions, Apply writes those actions' file key by
// key, Esc closes the dialog without writing; the help window shows the text, keeps
// every key but Esc from it, and closes with Esc.
//
// Needs a desktop that shows windows (Wine on Xvfb here: tests/ui/
// wine-display.sh).
#include "DialogFixture.h"
#include "Win32Module.h"
#include "ui/Info.h"
#include "win32/Controls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <windows.h>

using namespace tavrin;
using namespace tavrin::uitest;
using namespace std::chrono_literals;

namespace {

using DialogFn = int (*)(TDialogHost*);
using HelpFn = int (*)(const char*, std::size_t);

// Waits for a condition the window's own thread brings about.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Lets the window's thread work through what was posted to it.
void Settle(HWND window)
{
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
    std::this_thread::sleep_for(100ms);
    ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
}

HWND FindDialog(const char* caption)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = ::FindWindowA("#32770", caption)) != nullptr && ::IsWindowVisible(found); });
    return found;
}

std::string Text(HWND control)
{
    char buffer[4096] = {};
    ::SendMessageA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::vector<std::string> Items(HWND list)
{
    std::vector<std::string> items;
    const auto count = ::SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char buffer[512] = {};
        ::SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.emplace_back(buffer);
    }
    return items;
}

int Selected(HWND list) { return static_cast<int>(::SendMessageA(list, CB_GETCURSEL, 0, 0)); }

// What a user's pick in a list does: the entry is chosen and the dialog told.
void Pick(HWND dialog, int id, const std::string& text)
{
    HWND list = ::GetDlgItem(dialog, id);
    const auto index = ::SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
    ASSERT_GE(index, 0) << text;
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Keys as the keyboard sends them to the control with the focus.
void Key(HWND control, WPARAM key)
{
    ::PostMessageA(control, WM_KEYDOWN, key, 1);
    ::PostMessageA(control, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}
void Type(HWND control, const std::string& text)
{
    for (char c : text) ::PostMessageA(control, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
}

bool Shown(HWND dialog, int id) { return (::GetWindowLongPtrA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0; }
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

// The window's controls compared with the model's state.
void ExpectShowsModel(HWND dialog, const TDialogModel& m)
{
    auto list = [&](int id, const TListControl& l) {
        HWND box = ::GetDlgItem(dialog, id);
        EXPECT_EQ(Items(box), l.items) << l.name;
        EXPECT_EQ(Selected(box), l.itemIndex) << l.name;
        EXPECT_EQ(::IsWindowEnabled(box) != FALSE, l.enabled) << l.name;
        EXPECT_EQ(Shown(dialog, id), l.visible) << l.name;
    };
    list(IDC_Cname, m.Cname);
    list(IDC_Ctype, m.Ctype);
    list(IDC_Cmode, m.Cmode);
    list(IDC_Port_No, m.Port_No);
    auto check = [&](int id, const TCheckControl& c) {
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED, c.checked) << c.name;
        EXPECT_EQ(Shown(dialog, id), c.visible) << c.name;
        if (!c.caption.empty()) {
            EXPECT_EQ(Text(::GetDlgItem(dialog, id)), c.caption) << c.name;
        }
    };
    check(IDC_CBflip, m.CBflip);
    check(IDC_CbContact, m.CbContact);
    check(IDC_CBMagiCardAPI, m.CBMagiCardAPI);
    check(IDC_chkReceive, m.chkReceive);
    for (std::size_t i = 0; i < m.radSensor.size(); ++i)
        EXPECT_EQ(::SendMessageA(::GetDlgItem(dialog, IDC_radSensor1 + static_cast<int>(i)), BM_GETCHECK, 0, 0) == BST_CHECKED,
                  m.radSensor[i].checked);
    EXPECT_EQ(Text(::GetDlgItem(dialog, IDC_edtPrntFile)), m.edtPrntFile.text);
    EXPECT_EQ(Text(::GetDlgItem(dialog, IDC_Edriver)), m.Edriver.text);
    for (std::size_t i = 0; i < m.commands.size(); ++i)
        EXPECT_EQ(Text(::GetDlgItem(dialog, IDC_Einsert + static_cast<int>(i))), m.commands[i].text) << m.commands[i].name;
    EXPECT_EQ(Shown(dialog, IDC_edtAnswerAdress), m.edtAnswerAdress.visible);
    EXPECT_EQ(Shown(dialog, IDC_Ldriver), m.Ldriver.visible);
    EXPECT_EQ(Shown(dialog, IDC_PnMagicard), m.PnMagicard.visible);
    EXPECT_EQ(Enabled(dialog, IDC_Gcommands), m.Gcommands.enabled);
    EXPECT_EQ(Enabled(dialog, IDC_Einsert), m.Gcommands.enabled);
    RECT client{};
    ::GetClientRect(dialog, &client);
    EXPECT_EQ(client.bottom, m.Height);
    RECT group{};
    ::GetWindowRect(::GetDlgItem(dialog, IDC_Gcommands), &group);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&group), 2);
    EXPECT_EQ(group.top, m.GroupTop);
    EXPECT_EQ(Text(dialog), m.Caption);
}

// Runs the configuration dialog on this thread while drive() works it from
// another; the dialog's result.
int RunDialog(TDialogHost& host, const std::function<void(HWND)>& drive)
{
    auto driver = std::async(std::launch::async, [&] {
        HWND dialog = FindDialog("Tavrin configuration");
        if (!dialog) return false;
        drive(dialog);
        // A driver that stopped half-way leaves no dialog behind.
        if (!WaitFor([&] { return !::IsWindow(dialog); }, 3s)) ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    const int shown = GuiEntry<DialogFn>("TavrinGuiConfigurationDialog")(&host);
    EXPECT_TRUE(driver.get()) << "the dialog did not come up";
    return shown;
}

HWND Focused(HWND dialog)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

class Win32Dialog : public DialogFixture {};

const std::string kZebraUsb = "[PrinterConfiguration]\r\nPrinterName=Zebra P330i\r\nPrinterType=ZEBRA\r\nPrinterMode=USB\r\n"
                              "[ControlCommands]\r\nInsert=MS\r\nPre=MS 2\r\nPost=MI\r\nEject=ME\r\nError=ME\r\nPause=5000\r\n";
const std::vector<std::string> kPrinters = {"Zebra P330i", "Office laser", "Ultra XID8300"};
const std::vector<std::string> kPorts = {"LPT1", "LPT2"};

} // namespace

TEST_F(Win32Dialog, OpensOnAConfigurationShowsWhatTheModelShowsAndApplyWritesIt)
{
    ASSERT_TRUE(GuiModule()) << GuiModulePath();
    WriteText(Path(), kZebraUsb);
    TTestHost host(kPrinters, kPorts);
    // The model beside the window, on the same file, told what the user does.
    TModelUnderTest expected(kPrinters, kPorts);
    expected.view.onScreen = true;
    TDialogModel& m = expected.model;

    const int shown = RunDialog(host, [&](HWND dialog) {
        EXPECT_EQ(Text(::GetDlgItem(dialog, IDC_edtAnswerAdress)), "$____");
        ExpectShowsModel(dialog, m);

        Pick(dialog, IDC_Cmode, "PARALLEL");
        expected.Pick(m.Cmode, "PARALLEL");
        Pick(dialog, IDC_Port_No, "LPT2");
        m.Port_No.itemIndex = 1;
        Click(dialog, IDC_chkReceive);
        m.SetChecked(m.chkReceive, true);
        Settle(dialog);
        EXPECT_EQ(Focused(dialog), ::GetDlgItem(dialog, IDC_edtAnswerAdress)) << "ticked on screen: the field has the focus";
        Type(::GetDlgItem(dialog, IDC_edtAnswerAdress), "3bc");
        Settle(dialog);
        EXPECT_EQ(Text(::GetDlgItem(dialog, IDC_edtAnswerAdress)), "$3bc_");
        m.edtAnswerAdress.text = "$3bc ";
        ::SendMessageA(::GetDlgItem(dialog, IDC_Einsert), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("MX"));
        m.Einsert().text = "MX";
        ExpectShowsModel(dialog, m);

        // The click takes the focus from the address, which is tidied.
        Click(dialog, IDC_Bsave);
    });
    EXPECT_EQ(shown, 1);
    ExpectFile({{PC, {{"PrinterName", "Zebra P330i"}, {"PrinterType", "ZEBRA"}, {"PrinterMode", "PARALLEL"}}},
                {CC, Commands("MX", "MS 2", "MI", "ME", "ME", "5000")},
                {"Port", {{"PortNo", "2"}, {"PortAddress", "$03BC"}, {"ReceiveData", "YES"}}}});
}

TEST_F(Win32Dialog, EnterAppliesAndTidiesTheAddressThatHasTheFocus)
{
    WriteText(Path(), kZebraUsb);
    TTestHost host(kPrinters, kPorts);
    const int shown = RunDialog(host, [&](HWND dialog) {
        Pick(dialog, IDC_Cmode, "PARALLEL");
        Click(dialog, IDC_chkReceive);
        Settle(dialog);
        HWND address = ::GetDlgItem(dialog, IDC_edtAnswerAdress);
        ASSERT_EQ(Focused(dialog), address);
        Type(address, "2f8");
        Key(address, VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ReadIni(Path()).at("Port"), (Keys{{"PortNo", "1"}, {"PortAddress", "$02F8"}, {"ReceiveData", "YES"}}));
}

TEST_F(Win32Dialog, EscClosesTheDialogWithoutWriting)
{
    TTestHost host(kPrinters, kPorts);
    const int shown = RunDialog(host, [&](HWND dialog) {
        Pick(dialog, IDC_Cname, "Zebra P330i");
        Settle(dialog);
        EXPECT_EQ(Items(::GetDlgItem(dialog, IDC_Cmode)), (std::vector<std::string>{"PARALLEL", "USB"}));
        HWND focused = Focused(dialog);
        ASSERT_TRUE(focused);
        Key(focused, VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    });
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(FileExists(Path()));
}

TEST_F(Win32Dialog, TheModeListShowsItsLongestEntryWholeAndNothingElseMoves)
{
    TTestHost host(kPrinters, {}, {"PCP23CT.DLL"});
    RunDialog(host, [&](HWND dialog) {
        HWND mode = ::GetDlgItem(dialog, IDC_Cmode);
        RECT before{};
        ::GetWindowRect(mode, &before);
        EXPECT_EQ(before.right - before.left, kModeListWidth);
        RECT typeBefore{};
        ::GetWindowRect(::GetDlgItem(dialog, IDC_Ctype), &typeBefore);
        Pick(dialog, IDC_Cname, "Ultra XID8300");
        Pick(dialog, IDC_Cmode, "1       DIGID XID440");
        Settle(dialog);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(::GetComboBoxInfo(mode, &info));
        HDC dc = ::GetDC(mode);
        HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(mode, WM_GETFONT, 0, 0)));
        const std::string entry = "1       DIGID XID440";
        SIZE size{};
        ::GetTextExtentPoint32A(dc, entry.c_str(), static_cast<int>(entry.size()), &size);
        ::SelectObject(dc, old);
        ::ReleaseDC(mode, dc);
        EXPECT_GE(info.rcItem.right - info.rcItem.left, size.cx);
        RECT after{}, typeAfter{};
        ::GetWindowRect(mode, &after);
        ::GetWindowRect(::GetDlgItem(dialog, IDC_Ctype), &typeAfter);
        EXPECT_EQ(after.left, before.left);
        EXPECT_EQ(after.top, before.top);
        EXPECT_TRUE(::EqualRect(&typeAfter, &typeBefore));
        Click(dialog, IDC_Bexit);
    });
}

TEST_F(Win32Dialog, TheHelpWindowKeepsEveryKeyButEscFromItsText)
{
    ASSERT_TRUE(GuiModule()) << GuiModulePath();
    const std::string text = InfoText();
    auto driver = std::async(std::launch::async, [&] {
        HWND info = FindDialog("Info");
        if (!info) return false;
        HWND memo = ::GetDlgItem(info, IDC_Memo1);
        std::string lines;
        for (std::size_t i = 0; i < kInfoLineCount; ++i)
            lines += std::string(InfoLines()[i]) + (i + 1 < kInfoLineCount ? "\r\n" : "");
        EXPECT_EQ(Text(memo), lines);
        // Long lines wrap: at least the 64 lines are there.
        EXPECT_GE(::SendMessageA(memo, EM_GETLINECOUNT, 0, 0), 64);
        EXPECT_NE(::GetWindowLongPtrA(memo, GWL_STYLE) & ES_READONLY, 0);
        EXPECT_NE(::GetWindowLongPtrA(memo, GWL_STYLE) & WS_VSCROLL, 0);
        EXPECT_EQ(Text(::GetDlgItem(info, IDC_GroupBox1)), "Possible parameter");
        RECT client{}, group{};
        ::GetClientRect(info, &client);
        EXPECT_EQ(client.right, 324);
        EXPECT_EQ(client.bottom, 367);
        ::GetWindowRect(::GetDlgItem(info, IDC_GroupBox1), &group);
        ::MapWindowPoints(nullptr, info, reinterpret_cast<POINT*>(&group), 2);
        EXPECT_GE(group.left, 4);
        EXPECT_GE(group.top, 4);
        EXPECT_LE(group.right, client.right - 4);
        EXPECT_LE(group.bottom, client.bottom - 4);
        // The text on the tooltip colours.
        HDC dc = ::CreateCompatibleDC(nullptr);
        const auto brush = ::SendMessageA(info, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(memo));
        EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), ::GetSysColorBrush(COLOR_INFOBK));
        EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(COLOR_INFOBK));
        EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_INFOTEXT));
        ::DeleteDC(dc);
        EXPECT_EQ(Focused(info), memo);
        for (WPARAM key : {VK_RETURN, VK_DOWN, VK_NEXT, VK_END, VK_TAB, VK_DELETE, VK_SPACE}) Key(memo, key);
        Type(memo, "a\r");
        Settle(info);
        EXPECT_TRUE(::IsWindow(info));
        EXPECT_EQ(::SendMessageA(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        EXPECT_EQ(Text(memo), lines);
        // The mouse still scrolls.
        ::SendMessageA(memo, WM_VSCROLL, SB_BOTTOM, 0);
        EXPECT_GT(::SendMessageA(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        Key(memo, VK_ESCAPE);
        return WaitFor([&] { return !::IsWindow(info); });
    });
    EXPECT_EQ(GuiEntry<HelpFn>("TavrinGuiHelpWindow")(text.data(), text.size()), 1);
    EXPECT_TRUE(driver.get()) << "the help window did not come up, or Esc did not close it";
}
