#pragma once
// What the dialog's tests share, whatever their framework: the
// configuration file read back as sections of keys, a scratch folder, and
// a host with the printing system and the vendor files replaced.
#include "ui/Ui.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tavrin::uitest {

using Keys = std::map<std::string, std::string>;
using Ini = std::map<std::string, Keys>;

inline const std::string PC = "PrinterConfiguration", CC = "ControlCommands";

// The [ControlCommands] keys the dialog writes.
inline Keys Commands(const std::string& insert, const std::string& pre, const std::string& post,
                     const std::string& eject, const std::string& error, const std::string& pause)
{
    return {{"Insert", insert}, {"Pre", pre}, {"Post", post}, {"Eject", eject}, {"Error", error}, {"Pause", pause}};
}

// The file as sections of keys, exactly as written.
inline Ini ReadIni(const std::string& path)
{
    Ini ini;
    std::ifstream in(path, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            ini[section];
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos) ini[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
    return ini;
}

inline std::string Describe(const Ini& ini)
{
    std::ostringstream s;
    for (const auto& [section, keys] : ini) {
        s << "[" << section << "]\n";
        for (const auto& [k, v] : keys) s << "  " << k << "=" << v << "\n";
    }
    return s.str();
}

inline void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::trunc | std::ios::binary) << text;
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        do path = (std::filesystem::temp_directory_path() / ("tavrin-ui-" + std::to_string(random()))).string();
        while (!std::filesystem::create_directory(path));
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
};

// The run's view with the printing system and the vendor files replaced,
// on the program's catalogue or on one a test made.
class TTestHost : public TUiHost {
public:
    TTestHost(std::vector<std::string> printers, std::vector<std::string> ports, std::set<std::string> libraries = {},
              const TCatalogue& catalogue = BuiltInCatalogue())
        : TUiHost(ports, ports.empty(), catalogue), printers_(std::move(printers)), libraries_(std::move(libraries))
    {}
    std::vector<std::string> InstalledPrinters() const override { return printers_; }

protected:
    bool LibraryExists(std::string_view name) const override { return libraries_.count(std::string(name)) != 0; }

private:
    std::vector<std::string> printers_;
    std::set<std::string> libraries_;
};

} // namespace tavrin::uitest
