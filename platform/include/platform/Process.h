#pragma once
// The running program's own location. The program keeps its configuration,
// its libraries and its carried-over files beside itself.
#include <string>
#include <string_view>

namespace platform {

// A windowed program (tavrin.exe is one, so that a station's software
// starting it gets no console window) has standard streams only where its
// caller handed it some. Where it has none and was started from a console,
// this binds the missing ones to that console, so the lines meant for
// standard error and standard output reach the person who typed the
// command. Elsewhere the streams are the ones the program was given.
void BindStandardStreams();

// Full path of the running program file (symbolic links resolved).
std::string ProgramPath();

// Directory of the running program file, with its trailing separator.
std::string ProgramDir();

// Directory (with its trailing separator) of the program or shared library that
// holds the given address: where a library finds the files installed
// beside it, whichever program loaded it.
std::string ModuleDir(const void* addressInModule);

// True when name has a directory part (a separator of the system's paths),
// so it names a file by path rather than by a name to be searched for.
bool IsPath(std::string_view name);

// The file of that name in the current directory, as a path (so that no
// search is made for it).
std::string CurrentDirectoryFile(std::string_view name);

// Directory part of a path including its trailing separator, or "" when
// the path has no directory part.
std::string ExtractFilePath(const std::string& path);

// File name part of a path.
std::string ExtractFileName(const std::string& path);

// The path with its extension (the part from the last '.' of the file name)
// replaced by ext; ext includes its dot. A name without extension gets ext.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

} // namespace platform
