#pragma once
// The configuration dialog on Windows: a modal dialog that draws the
// dialog's model (ui/DialogModel.h) and forwards what the user does to it.
// Every control of the model is a child window with the identifier
// IDC_<name> (Controls.h); the window's caption is the model's.
//
// A user's action reaches the model as the handler it fires, after the
// controls' values have been copied into the model; the model's state is
// then drawn again. Esc and the close box close the dialog as Cancel does;
// Enter presses Apply, the default button.
#include "ui/DialogModel.h"

#include <windows.h>

namespace tavrin::win32 {

class TfmMain : private TDialogView {
public:
    explicit TfmMain(TDialogHost& host);

    // Loads the settings while the window is being made (before it is on
    // screen) and shows it until it closes. False when no window could be
    // made.
    bool ShowModal(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit();
    void OnCommand(int id, int code);
    void OnSensorClicked(std::size_t index);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);

    // TDialogView.
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> ChooseFile(const TOpenDialog& setup) override;
    bool OnScreen() const override;
    bool HasFocus(std::string_view control) const override;
    void CloseDialog(bool applied) override;

    void BuildPrinterRows();
    void BuildModeRow(int y);
    void BuildSensorPanel(int y);
    void BuildCommands();
    void BuildButtons();

    template <typename Handler>
    void Forward(Handler&& handler);
    void Collect();
    void Render();
    void RenderLists();
    void RenderChecks();
    void RenderTexts();
    void RenderLayout();
    void RenderVisibility();
    void FitModeList();
    void Show(int id, bool visible);

    HWND Item(int id) const { return ::GetDlgItem(window_, id); }

    TDialogModel model_;
    HWND window_ = nullptr;
    HWND tooltip_ = nullptr;
    std::string tooltipText_;
    HBITMAP sensors_[4] = {};
    bool busy_ = false;
};

} // namespace tavrin::win32
