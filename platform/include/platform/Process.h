#pragma once
// The running program's own location. The program keeps its configuration,
// its libraries and its carried-over files beside itself.
#include <string>

namespace platform {

// Full path of the running program file (symbolic links resolved).
std::string ProgramPath();

// Directory of the running program file, with a trailing '/'.
std::string ProgramDir();

// Directory (with a trailing '/') of the program or shared library that
// holds the given address: where a library finds the files installed
// beside it, whichever program loaded it.
std::string ModuleDir(const void* addressInModule);

// Directory part of a path including the trailing '/', or "" when the path
// has no directory part.
std::string ExtractFilePath(const std::string& path);

// File name part of a path.
std::string ExtractFileName(const std::string& path);

// The path with its extension (the part from the last '.' of the file name)
// replaced by ext; ext includes its dot. A name without extension gets ext.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

} // namespace platform
