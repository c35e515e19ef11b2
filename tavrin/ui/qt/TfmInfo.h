#pragma once
// The parameter help window: the valid parameters and command words in a
// read-only text. Esc closes it; every other key is swallowed, so the
// keyboard neither edits nor moves through the text. The scroll bar and the
// close box work with the mouse.
#include <QDialog>

class QGroupBox;
class QPlainTextEdit;

namespace tavrin {

class TfmInfo : public QDialog {
public:
    explicit TfmInfo(const QString& text, QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QPlainTextEdit* Memo1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // True when the key was handled (swallowed or closing).
    bool Memo1KeyDown(int key);
};

} // namespace tavrin
