#pragma once
// Libraries loaded at run time, by the vendors' own file names
// ("MagAPI.DLL"). LibraryFileName gives the file a name stands for on this
// system (docs/platform.md: the same name on Windows, one mapped name on
// Linux). A name with a directory part is a path the user typed and is used
// as typed.
//
// Search order for a bare name: the program's own directory, then the
// system's default search, then the current directory last, so that a file
// dropped in the working directory never wins over an installed library.
//
// Entry points are looked up by their exact export names; a decorated name
// "_Name@N" is also found as "Name" where the system's libraries carry no
// decoration. On 32-bit Windows a plain name looked up for a stdcall
// pointer type is also found in its decorated forms, "_Name@N" (how a
// vendor's compiler exports it without a module-definition file) and
// "Name@N", N being what the type's arguments take off the stack.
#include "platform/CallingConvention.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::string LibraryFileName(std::string_view name);

// True when the file of a bare name exists in the current directory or in
// the program directory (a path: when that file exists). Nothing is
// loaded for the test.
bool LibraryFileExists(std::string_view name);

class DynamicLibrary {
public:
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    ~DynamicLibrary();

    // Loads by the rules above; nullopt when no candidate could be loaded,
    // with the loader's reason in *error.
    static std::optional<DynamicLibrary> Load(std::string_view name, std::string* error = nullptr);

    // The entry point's address, or nullptr. stdcallArgumentBytes, when not
    // -1, is the N of a plain name's decorated forms.
    void* Symbol(std::string_view name, int stdcallArgumentBytes = -1) const;

    template <typename Fn>
    Fn Function(std::string_view name) const
    {
        return reinterpret_cast<Fn>(Symbol(name, kStdcallArgumentBytes<Fn>));
    }

    // The file that was loaded.
    const std::string& Path() const { return path_; }

    // Unloads now (the destructor does it otherwise).
    void Free();

private:
    DynamicLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void* handle_ = nullptr;
    std::string path_;
};

} // namespace platform
