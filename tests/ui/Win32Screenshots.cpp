// Renders the Windows module's configuration dialog in the states the
// Linux screenshots show, and the help window, and saves each window as a
// bitmap (BMP) of what the screen shows. Run by scripts/screenshots-windows.sh
// under Wine on Xvfb; not a test.
#include "DialogFixture.h"
#include "ScreenshotStates.h"
#include "Win32Module.h"
#include "ui/Info.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <thread>
#include <windows.h>

using namespace tavrin;
using namespace tavrin::uitest;
using namespace std::chrono_literals;

namespace {

// The window as the screen shows it, frame and caption included, as a
// 24-bit bottom-up BMP file.
bool SaveWindow(HWND window, const std::string& file)
{
    RECT r{};
    ::GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    const bool copied = ::BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
    ::SelectObject(memory, old);
    const auto stride = static_cast<std::uint32_t>((w * 3 + 3) & ~3);
    const std::uint32_t size = stride * static_cast<std::uint32_t>(h);
    BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                            static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return copied && out.good();
}

// Shows a window with show() on this thread; from another, once it is up
// and painted, saves it and closes it.
bool Shoot(const char* caption, const std::string& file, const std::function<int()>& show)
{
    auto shooter = std::async(std::launch::async, [&] {
        HWND window = nullptr;
        for (int i = 0; i < 500 && !(window = ::FindWindowA("#32770", caption)); ++i) std::this_thread::sleep_for(20ms);
        if (!window) return false;
        std::this_thread::sleep_for(1500ms);  // shown and painted
        const bool saved = SaveWindow(window, file);
        ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return saved;
    });
    const int shown = show();
    const bool saved = shooter.get();
    if (saved && shown) std::printf("%s\n", file.c_str());
    return saved && shown;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s WORK_DIR OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    if (!GuiModule()) {
        std::fprintf(stderr, "%s cannot be loaded\n", GuiModulePath().c_str());
        return 1;
    }
    const std::string work = argv[1], out = argv[2];
    ::CreateDirectoryA(work.c_str(), nullptr);
    const std::string ini = work + "\\tavrin.ini";
    const auto dialog = GuiEntry<int (*)(TDialogHost*)>("TavrinGuiConfigurationDialog");
    const auto help = GuiEntry<int (*)(const char*, std::size_t)>("TavrinGuiHelpWindow");
    bool ok = true;
    for (const auto& s : ScreenshotStates("C:\\Program Files\\XID8300\\PCP23CT.DLL")) {
        ::DeleteFileA(ini.c_str());
        if (!s.config.empty()) WriteText(ini, s.config);
        ReplaceConfigFile(ini);
        TTestHost host(kOfficePrinters, {"LPT1", "LPT2"});
        ok = Shoot("Tavrin configuration", out + "\\" + s.name + ".bmp", [&] { return dialog(&host); }) && ok;
    }
    const std::string text = InfoText();
    ok = Shoot("Info", out + "\\help-window.bmp", [&] { return help(text.data(), text.size()); }) && ok;
    return ok ? 0 : 1;
}
