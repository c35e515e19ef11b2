// The GUI module's entry points on Windows (TavrinGui.dll). The program
// reaches them by name after loading the module from its own directory.
// Every window is made inside the module's own activation context, so its
// controls are those of the common controls version its manifest names
// (version 6), whatever the program's own manifest says.
#include "TfmInfo.h"
#include "TfmMain.h"
#include "Window.h"
#include "ui/DialogHost.h"

#include <commctrl.h>
#include <string>
#include <windows.h>

#define TAVRIN_GUI_EXPORT extern "C" __declspec(dllexport)

namespace tavrin::win32 {
namespace {

HINSTANCE module = nullptr;

// The module's manifest (resource 2) as the activation context of each
// window's time.
class TActivationScope {
public:
    TActivationScope()
    {
        static HANDLE context = MakeContext();
        if (context != INVALID_HANDLE_VALUE && ::ActivateActCtx(context, &cookie_)) active_ = true;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
    ~TActivationScope()
    {
        if (active_) ::DeactivateActCtx(0, cookie_);
    }
    TActivationScope(const TActivationScope&) = delete;
    TActivationScope& operator=(const TActivationScope&) = delete;

private:
    static HANDLE MakeContext()
    {
        ACTCTXA context{};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.hModule = module;
        context.lpResourceName = MAKEINTRESOURCEA(2);  // the manifest that isolates a module
        return ::CreateActCtxA(&context);
    }

    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

UINT IconStyle(int icon)
{
    switch (icon) {
    case 1: return MB_ICONINFORMATION;
    case 2: return MB_ICONWARNING;
    case 3: return MB_ICONERROR;
    default: return 0;
    }
}

} // namespace

HINSTANCE ModuleInstance() { return module; }

} // namespace tavrin::win32

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        tavrin::win32::module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

TAVRIN_GUI_EXPORT int TavrinGuiMessageBox(const char* text, std::size_t textLength, const char* caption,
                                          std::size_t captionLength, int icon)
{
    tavrin::win32::TActivationScope scope;
    const std::string body(text, textLength), title(caption, captionLength);
    const UINT style = MB_OK | MB_TASKMODAL | tavrin::win32::IconStyle(icon);
    return ::MessageBoxA(nullptr, body.c_str(), title.c_str(), style) > 0 ? 1 : 0;
}

TAVRIN_GUI_EXPORT int TavrinGuiConfigurationDialog(tavrin::TDialogHost* host)
{
    if (!host) return 0;
    tavrin::win32::TActivationScope scope;
    tavrin::win32::TfmMain fmMain(*host);
    return fmMain.ShowModal(nullptr) ? 1 : 0;
}

TAVRIN_GUI_EXPORT int TavrinGuiHelpWindow(const char* text, std::size_t textLength)
{
    tavrin::win32::TActivationScope scope;
    return tavrin::win32::ShowHelpWindow(nullptr, std::string(text, textLength)) ? 1 : 0;
}
