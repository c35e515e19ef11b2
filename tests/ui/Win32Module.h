#pragma once
// The Windows module under test: the file TAVRIN_GUI_DLL names, or
// TavrinGui.dll in the program directory of the build (bin, beside the
// tests' own tests-bin).
#include <cstdlib>
#include <string>
#include <windows.h>

namespace tavrin::uitest {

inline std::string GuiModulePath()
{
    if (const char* path = std::getenv("TAVRIN_GUI_DLL"); path && *path) return path;
    char self[MAX_PATH * 4] = {};
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dir(self);
    dir.resize(dir.find_last_of("\\/") + 1);
    return dir + "..\\bin\\TavrinGui.dll";
}

inline HMODULE GuiModule()
{
    static HMODULE module = ::LoadLibraryA(GuiModulePath().c_str());
    return module;
}

template <typename Fn>
Fn GuiEntry(const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(GuiModule(), name)));
}

} // namespace tavrin::uitest
