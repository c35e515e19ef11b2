#pragma once
// What the model's tests share besides DialogSupport.h: a view that answers
// the model as a test says, the model on it, and a fixture giving each test
// a configuration file of its own in a scratch folder.
#include "DialogSupport.h"
#include "core/ConfigFile.h"
#include "ui/DialogModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace tavrin::uitest {

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

// The model on a fake view: on a host given, or on a host of its own with
// these printers, ports and vendor files, loaded from the run's file.
struct TModelUnderTest {
    explicit TModelUnderTest(TDialogHost& given) : model(given, view) {}
    TModelUnderTest(std::vector<std::string> printers, std::vector<std::string> ports,
                    std::set<std::string> libraries = {})
        : host(std::in_place, std::move(printers), std::move(ports), std::move(libraries)), model(*host, view)
    {
        model.LoadSettings("");
    }
    std::optional<TTestHost> host;  // the host of its own
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
