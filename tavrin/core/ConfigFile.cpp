#include "ConfigFile.h"

#include "platform/Process.h"
#include "platform/Profile.h"
#include "platform/Text.h"

#include <algorithm>

namespace tavrin {

std::string TConfigFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    return platform::ReadProfileValue(fileName_, section, key).value_or(def);
}

int TConfigFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    const auto text = platform::ReadProfileValue(fileName_, section, key);
    if (!text) return def;
    return platform::ParseWholeNumber(*text).value_or(def);
}

bool TConfigFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TConfigFile::ValueExists(const std::string& section, const std::string& key) const
{
    const auto keys = platform::ReadProfileKeys(fileName_, section);
    return std::any_of(keys.begin(), keys.end(), [&](const std::string& k) { return platform::SameText(k, key); });
}

void TConfigFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const
{
    platform::WriteProfileValue(fileName_, section, key, value);
}

void TConfigFile::WriteInteger(const std::string& section, const std::string& key, int value) const
{
    WriteString(section, key, std::to_string(value));
}

void TConfigFile::WriteBool(const std::string& section, const std::string& key, bool value) const
{
    WriteString(section, key, value ? "1" : "0");
}

void TConfigFile::DeleteKey(const std::string& section, const std::string& key) const
{
    platform::DeleteProfileKey(fileName_, section, key);
}

namespace {
std::unique_ptr<TConfigFile>& Current()
{
    static std::unique_ptr<TConfigFile> file;
    return file;
}
} // namespace

std::string DefaultConfigFileName() { return platform::ChangeFileExt(platform::ProgramPath(), ".ini"); }

TConfigFile& ConfigFile()
{
    auto& file = Current();
    if (!file) file = std::make_unique<TConfigFile>(DefaultConfigFileName());
    return *file;
}

void ReplaceConfigFile(const std::string& fileName) { Current() = std::make_unique<TConfigFile>(fileName); }

TMyIniCmd& MyIniCmd()
{
    static TMyIniCmd record;
    return record;
}

bool LoadControlCommands()
{
    const TConfigFile& f = ConfigFile();
    TMyIniCmd& r = MyIniCmd();
    for (const TControlCommand& c : kControlCommandTable) r.*c.field = f.ReadString(kControlCommands, c.key, c.runDefault);
    return true;
}

unsigned WaitMilliseconds(const std::string& text)
{
    const int ms = platform::ParseWholeNumber(text).value_or(0);
    return ms > 0 ? static_cast<unsigned>(ms) : 0;
}

} // namespace tavrin
