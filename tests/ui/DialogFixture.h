#pragma once
// What the dialog's tests share: a scratch folder with the run's
// configuration file in it, the file read back as sections of keys, a host
// with the printing system and the vendor files replaced, and a view that
// answers the model as a test says.
#include "core/ConfigFile.h"
#include "ui/DialogModel.h"
#include "ui/Ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tavrin::uitest {

using Keys = std::map<std::string, std::string>;
using Ini = std::map<std::string, Keys>;

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

// The run's view with the printing system and the vendor files replaced.
class TTestHost : public TUiHost {
public:
    TTestHost(std::vector<std::string> printers, std::vector<std::string> ports, std::set<std::string> libraries = {})
        : TUiHost(ports, ports.empty()), printers_(std::move(printers)), libraries_(std::move(libraries))
    {}
    std::vector<std::string> InstalledPrinters() const override { return printers_; }

protected:
    bool LibraryExists(std::string_view name) const override { return libraries_.count(std::string(name)) != 0; }

private:
    std::vector<std::string> printers_;
    std::set<std::string> libraries_;
};

// A view that records what the model asks of it and answers as told.
class TFakeView : public TDialogView {
public:
    std::vector<std::string> messages;
    std::optional<std::string> chooserAnswer;  // nullopt: the user cancels
    std::vector<TOpenDialog> chooser;          // each opening's setup
    std::vector<bool> chooserOnScreen;         // whether the dialog was up
    bool onScreen = false;
    std::string focused;
    std::optional<bool> closed;  // true: by Apply

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::optional<std::string> ChooseFile(const TOpenDialog& setup) override
    {
        chooser.push_back(setup);
        chooserOnScreen.push_back(onScreen);
        return chooserAnswer;
    }
    bool OnScreen() const override { return onScreen; }
    bool HasFocus(std::string_view control) const override { return focused == control; }
    void CloseDialog(bool applied) override { closed = applied; }
};

struct TModelUnderTest {
    explicit TModelUnderTest(TDialogHost& host) : model(host, view) {}
    TFakeView view;
    TDialogModel model;

    // What a user's pick does: the entry is chosen and its handler runs.
    void Pick(TListControl& list, const std::string& text)
    {
        const auto it = std::find(list.items.begin(), list.items.end(), text);
        ASSERT_NE(it, list.items.end()) << "no entry " << text << " in " << list.name;
        list.itemIndex = static_cast<int>(it - list.items.begin());
        if (&list == &model.Cname) model.CnameChange();
        if (&list == &model.Ctype) model.CtypeChange();
        if (&list == &model.Cmode) model.CmodeChange();
    }
};

// Each test on a configuration file of its own in a scratch folder.
class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override { ReplaceConfigFile(Path()); }

    std::string Path(const std::string& name = "tavrin.ini") const { return dir.path + "/" + name; }

    void ExpectFile(const Ini& expected, const std::string& path = "") const
    {
        const Ini actual = ReadIni(path.empty() ? Path() : path);
        EXPECT_EQ(actual, expected) << "written:\n" << Describe(actual) << "expected:\n" << Describe(expected);
    }

    TempDir dir;
};

} // namespace tavrin::uitest
