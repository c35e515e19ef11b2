#pragma once
// A system handle that is closed when it goes: a registry key, a printer.
#include <windows.h>

namespace platform::win32 {

template <typename Handle, auto Close>
class Owned {
public:
    Owned() = default;
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned()
    {
        if (h_) Close(h_);
    }
    // Where the system's call that opens one puts it.
    Handle* Out() { return &h_; }
    Handle Get() const { return h_; }

private:
    Handle h_ = nullptr;
};

using RegistryKey = Owned<HKEY, &::RegCloseKey>;

} // namespace platform::win32
