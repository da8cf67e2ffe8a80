// The Unicode text box: any text set reads back, copies and selects exactly, whatever display
// breaks it shows, and edits keep the text in step with what is on screen.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/definitions/unicode_text_box.h"
#include "ui_test_support.h"

using zv::ui::UnicodeTextBox;

namespace {

QString Lines(int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += QStringLiteral("rinda %1 &#257;<Br>").arg(i);
    return text;
}

}  // namespace

class TextBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void round_trip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("breaks");  // display breaks expected; -1: not counted
        const QString run(UnicodeTextBox::kMaxRunChars * 2 + 10, QLatin1Char('x'));
        QString blanks;
        while (blanks.size() < UnicodeTextBox::kMaxRunChars * 3)
            blanks += QStringLiteral("v&#257;rds ");
        QString pair(UnicodeTextBox::kMaxRunChars - 1, QLatin1Char('y'));
        pair += QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("zz");  // a pair on the cut
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("one line") << "R&#299;ga" << 0;
        QTest::newRow("lines") << "a<Br>b<Br>c" << 2;
        QTest::newRow("ends with a break") << "a<Br><Br>" << 2;
        QTest::newRow("other case is text") << "a<br>b<BR>c" << 0;
        QTest::newRow("own line separator and no-break space")
            << QString::fromUtf8("a\u2028b\u00a0<Br>c") << 1;
        QTest::newRow("many lines, many paragraphs") << Lines(3000) << 3000;
        QTest::newRow("long run without breaks") << run << 2;
        QTest::newRow("long run with blanks") << blanks << -1;
        QTest::newRow("surrogate pair at the cut") << pair << 1;
    }
    void round_trip() {
        QFETCH(QString, text);
        QFETCH(int, breaks);
        UnicodeTextBox box;
        box.resize(300, 200);
        box.show();
        box.SetText(text);
        QCOMPARE(box.Text(), text);
        if (breaks >= 0) QCOMPARE(box.DisplayBreakCount(), breaks);
        // Each "<Br>" ends a line on screen.
        const QString raw = box.document()->toRawText();
        for (qsizetype at = raw.indexOf(QLatin1String("<Br>")); at >= 0;
             at = raw.indexOf(QLatin1String("<Br>"), at + 1)) {
            QVERIFY(at + 4 < raw.size());
            QVERIFY(raw[at + 4] == QChar::LineSeparator ||
                    raw[at + 4] == QChar::ParagraphSeparator);
        }
        // No paragraph grows far beyond its share: none is laid out as a whole text.
        for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
            QVERIFY(b.length() <= UnicodeTextBox::kMaxRunChars + UnicodeTextBox::kParagraphChars);
        }
        box.selectAll();
        QCOMPARE(box.SelectionStart(), 0);
        QCOMPARE(box.SelectionLength(), text.size());
        QApplication::clipboard()->clear();
        box.copy();
        if (!text.isEmpty()) QCOMPARE(QApplication::clipboard()->text(), text);
    }

    // Display positions in "ab<Br>cd<Br>ef": the breaks are at 6 and 13, the end at 16.
    void edits_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("anchor");  // -1: no selection
        QTest::addColumn<int>("key");     // 0: type "X"
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("breaks");
        QTest::newRow("type at the end") << 16 << -1 << 0 << "ab<Br>cd<Br>efX" << 2;
        QTest::newRow("type at a line start") << 7 << -1 << 0 << "ab<Br>Xcd<Br>ef" << 2;
        QTest::newRow("type before a break") << 6 << -1 << 0 << "ab<Br>Xcd<Br>ef" << 2;
        QTest::newRow("backspace rejoins the lines only")
            << 7 << -1 << int(Qt::Key_Backspace) << "ab<Br>cd<Br>ef" << 1;
        QTest::newRow("delete rejoins the lines only")
            << 6 << -1 << int(Qt::Key_Delete) << "ab<Br>cd<Br>ef" << 1;
        QTest::newRow("enter is a line break of the text")
            << 7 << -1 << int(Qt::Key_Return) << "ab<Br>\ncd<Br>ef" << 2;
        QTest::newRow("a selection across a break")
            << 4 << 9 << int(Qt::Key_Delete) << "ab<B<Br>ef" << 1;
        QTest::newRow("typing over a selection across both breaks") << 1 << 15 << 0 << "aXf" << 0;
    }
    void edits() {
        QFETCH(int, position);
        QFETCH(int, anchor);
        QFETCH(int, key);
        QFETCH(QString, expected);
        QFETCH(int, breaks);
        UnicodeTextBox box;
        box.resize(300, 200);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.SetText(QStringLiteral("ab<Br>cd<Br>ef"));
        QTextCursor cursor = box.textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0) cursor.setPosition(position, QTextCursor::KeepAnchor);
        box.setTextCursor(cursor);
        if (key == 0) {
            QTest::keyClicks(&box, QStringLiteral("X"));
        } else {
            QTest::keyClick(&box, static_cast<Qt::Key>(key));
        }
        QCOMPARE(box.Text(), expected);
        QCOMPARE(box.DisplayBreakCount(), breaks);
        box.selectAll();
        QCOMPARE(box.SelectionLength(), expected.size());
    }

    // A second text replaces the first with its own breaks.
    void set_again() {
        UnicodeTextBox box;
        box.SetText(Lines(50));
        box.SetText(QStringLiteral("a<Br>b"));
        QCOMPARE(box.Text(), QStringLiteral("a<Br>b"));
        QCOMPARE(box.DisplayBreakCount(), 1);
    }
};

ZV_UI_TEST_MAIN(TextBoxTest)
#include "test_ui_text_box.moc"
