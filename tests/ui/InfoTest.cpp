// The parameter help window: its text, and a keyboard that can only close it.
#include "ui/Info.h"
#include "ui/qt/TfmInfo.h"

#include <QGroupBox>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

using tavrin::TfmInfo;

class InfoTest : public QObject {
    Q_OBJECT

    static QString Text() { return QString::fromStdString(tavrin::InfoText()); }

private slots:
    void theWindowHoldsTheSixtyFourLinesReadOnly()
    {
        TfmInfo fm(Text());
        QCOMPARE(fm.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(fm.size(), QSize(324, 367));
        QCOMPARE(fm.GroupBox1->title(), QStringLiteral("Possible parameter"));
        const QStringList lines = fm.Memo1->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 64);
        // The text itself: WindowlessTest.cpp, against a copy of its own.
        for (int i = 0; i < 64; ++i) QCOMPARE(lines.at(i), QString::fromUtf8(tavrin::InfoLines()[i].data(), tavrin::InfoLines()[i].size()));
        // The group sits inside the window with a margin all round.
        fm.layout()->activate();
        const QRect group = fm.GroupBox1->geometry();
        QVERIFY(group.left() >= 4 && group.top() >= 4);
        QVERIFY(group.right() <= fm.width() - 5 && group.bottom() <= fm.height() - 5);
        QVERIFY(fm.Memo1->isReadOnly());
        QCOMPARE(fm.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void onlyEscDoesAnythingAndItCloses()
    {
        TfmInfo fm(Text());
        fm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fm));
        QCOMPARE(QApplication::focusWidget(), fm.Memo1);
        QScrollBar* bar = fm.Memo1->verticalScrollBar();
        QVERIFY2(bar->maximum() > 0, "the text is longer than the window and scrolls");
        const int scrolled = bar->value();
        const int cursor = fm.Memo1->textCursor().position();
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Down), int(Qt::Key_Up), int(Qt::Key_PageDown),
                        int(Qt::Key_End), int(Qt::Key_Delete), int(Qt::Key_Backspace), int(Qt::Key_A)})
            QTest::keyClick(fm.Memo1, Qt::Key(key));
        QTest::keyClick(fm.Memo1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(fm.Memo1, Qt::Key_X, Qt::ControlModifier);
        QVERIFY(fm.isVisible());
        QCOMPARE(bar->value(), scrolled);
        QCOMPARE(fm.Memo1->textCursor().position(), cursor);
        QCOMPARE(fm.Memo1->toPlainText() + "\n", Text());

        // The mouse still scrolls.
        bar->setValue(bar->maximum());
        QCOMPARE(bar->value(), bar->maximum());

        QTest::keyClick(fm.Memo1, Qt::Key_Escape);
        QVERIFY(!fm.isVisible());
    }
};

QTEST_MAIN(InfoTest)
#include "InfoTest.moc"
