#include "TfmInfo.h"

#include "TfmMain.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QToolTip>
#include <QVBoxLayout>

namespace tavrin {

TfmInfo::TfmInfo(const QString& text, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmInfo"));
    setWindowTitle(QStringLiteral("Info"));
    // Only the close box in the title bar, and a fixed border.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(324, 367);

    GroupBox1 = new QGroupBox(QStringLiteral("Possible parameter"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* outer = new QVBoxLayout(this);
    // Filling the window, but off its edge, as a group box sits in a form.
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(GroupBox1);

    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    // Long lines wrap; only the vertical scroll bar is there.
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(8);
    Memo1->setFont(font);
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, QToolTip::palette().color(QPalette::ToolTipText));
    Memo1->setPalette(p);
    // The text ends its last line with '\n'; the window shows no empty
    // line after it.
    QString shown = text;
    if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
    Memo1->setPlainText(shown);
    Memo1->installEventFilter(this);
    auto* inner = new QVBoxLayout(GroupBox1);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addWidget(Memo1);
}

void TfmInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CentreOnScreen(*this);
    FormShow();
}

void TfmInfo::FormShow() { Memo1->setFocus(); }

bool TfmInfo::Memo1KeyDown(int key)
{
    if (key == Qt::Key_Escape) close();
    return true;
}

bool TfmInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Memo1 && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        if (event->type() == QEvent::KeyPress) return Memo1KeyDown(static_cast<QKeyEvent*>(event)->key());
        // Keep shortcuts (copy, select all) from acting on the text.
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tavrin
