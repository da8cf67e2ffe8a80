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

using zv::ui::TextBox;
using zv::ui::UnicodeTextBox;

namespace {

constexpr int kNone = 1000;

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

    // An edit next to a display break, undone and redone: every break comes back as what it
    // was. Positions count from a break: the first line break of "ab<Br>cd<Br>ef" (display
    // and text position 6), or the first paragraph break of a text of many lines (display
    // position P, text position T). The edit of the text is given as: at T + offset, remove
    // this many characters and insert this.
    void undo_redo_data() {
        QTest::addColumn<bool>("paragraph");
        QTest::addColumn<int>("position");  // display position, from the break
        QTest::addColumn<int>("anchor");    // display position, from the break; kNone: none
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");
        for (const bool paragraph : {false, true}) {
            const char* kind = paragraph ? "paragraph" : "line";
            auto row = [&](const char* name) -> QTestData& {
                return QTest::newRow(QStringLiteral("%1: %2").arg(kind, name).toUtf8())
                       << paragraph;
            };
            row("backspace, undo, redo") << 1 << kNone << "Backspace" << 0 << 0 << "";
            row("delete, undo, redo") << 0 << kNone << "Delete" << 0 << 0 << "";
            row("selection across the break deleted") << 3 << -2 << "Delete" << -2 << 4 << "";
            row("selection across the break cut") << -2 << 3 << "Ctrl+X" << -2 << 4 << "";
            row("selection across the break typed over") << 3 << -2 << "X" << -2 << 4 << "X";
            row("enter after the break") << 1 << kNone << "Return" << 0 << 0 << "\n";
            row("enter before the break") << 0 << kNone << "Return" << 0 << 0 << "\n";
            row("enter over a selection across the break")
                << -1 << 2 << "Return" << -1 << 2 << "\n";
            row("shift+enter after the break") << 1 << kNone << "Shift+Return" << 0 << 0 << "\n";
            row("paste over the break") << 2 << -1 << "Paste" << -1 << 2 << "1\n2\u20283";
        }
    }
    void undo_redo() {
        QFETCH(bool, paragraph);
        QFETCH(int, position);
        QFETCH(int, anchor);
        QFETCH(QString, action);
        QFETCH(int, offset);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        const QString original = paragraph ? Lines(300) : QStringLiteral("ab<Br>cd<Br>ef");
        UnicodeTextBox box;
        box.resize(300, 200);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.SetText(original);
        const qsizetype breaks = box.DisplayBreakCount();

        // Where the break is, found on screen: display position P, text position T.
        const QString raw = box.document()->toRawText();
        const QChar kind = paragraph ? QChar::ParagraphSeparator : QChar::LineSeparator;
        const int p = static_cast<int>(raw.indexOf(kind));
        QVERIFY(p > 0);
        const int t = p - static_cast<int>(raw.first(p).count(QChar::LineSeparator) +
                                           raw.first(p).count(QChar::ParagraphSeparator));
        QCOMPARE(original.mid(t - 4, 4), QStringLiteral("<Br>"));

        QString edited = original;
        edited.remove(t + offset, removed);
        edited.insert(t + offset, inserted);
        QString removed_text = original.mid(t + offset, removed);

        QTextCursor cursor = box.textCursor();
        cursor.setPosition(p + (anchor == kNone ? position : anchor));
        if (anchor != kNone) cursor.setPosition(p + position, QTextCursor::KeepAnchor);
        box.setTextCursor(cursor);
        if (action == QLatin1String("Paste")) {
            QApplication::clipboard()->setText(inserted);
            box.paste();
            // A pasted line separator is a line break like a typed one.
            edited.replace(QChar::LineSeparator, QLatin1Char('\n'));
        } else if (action == QLatin1String("X")) {
            QTest::keyClicks(&box, action);
        } else {
            QTest::keySequence(&box, QKeySequence(action));
        }
        QCOMPARE(box.Text(), edited);
        if (action == QLatin1String("Ctrl+X"))
            QCOMPARE(QApplication::clipboard()->text(), removed_text);

        for (int round = 0; round < 2; ++round) {
            QTest::keySequence(&box, QKeySequence::Undo);
            QCOMPARE(box.Text(), original);
            QCOMPARE(box.DisplayBreakCount(), breaks);
            QCOMPARE(box.document()->toRawText(), raw);
            box.selectAll();
            QCOMPARE(box.SelectionLength(), original.size());
            QTest::keySequence(&box, QKeySequence::Redo);
            QCOMPARE(box.Text(), edited);
            box.selectAll();
            QCOMPARE(box.SelectionLength(), edited.size());
        }
        // Typing after the undone and redone edit still adds only text.
        box.moveCursor(QTextCursor::End);
        QTest::keyClicks(&box, QStringLiteral("Z"));
        QCOMPARE(box.Text(), edited + QLatin1Char('Z'));
    }

    // A line break typed at the start of a paragraph is text; a new text set while the cursor
    // stands just after a break of either kind gets its own breaks, and only those.
    void paragraph_start() {
        UnicodeTextBox box;
        box.SetText(Lines(300));
        const int p =
            static_cast<int>(box.document()->toRawText().indexOf(QChar::ParagraphSeparator));
        QVERIFY(p > 0);
        QTextCursor cursor = box.textCursor();
        cursor.setPosition(p + 1);
        box.setTextCursor(cursor);
        QTest::keyClicks(&box, QStringLiteral("ab"));
        QTest::keyClick(&box, Qt::Key_Left);
        QTest::keyClick(&box, Qt::Key_Return);
        const QString text = box.Text();
        QCOMPARE(text.count(QLatin1Char('\n')), 1);
        QVERIFY(text.contains(QStringLiteral("<Br>a\nbrinda")));
        cursor.setPosition(p + 1);  // after the paragraph break, in its format
        box.setTextCursor(cursor);
        box.SetText(QStringLiteral("x\u2028y<Br>z"));
        QCOMPARE(box.Text(), QStringLiteral("x\u2028y<Br>z"));
        QCOMPARE(box.DisplayBreakCount(), 1);
        QTest::keyClicks(&box, QStringLiteral("Q"));  // at the start
        QCOMPARE(box.Text(), QStringLiteral("Qx\u2028y<Br>z"));
        cursor = box.textCursor();
        cursor.setPosition(3);  // after the text's own line separator, in its format
        box.setTextCursor(cursor);
        box.SetText(Lines(300));
        QCOMPARE(box.Text(), Lines(300));
        QCOMPARE(box.DisplayBreakCount(), 300);
    }

    // A paragraph emptied by the user: the cursor there stands in the format of the
    // paragraph break before it, and a line break typed or pasted there is still text.
    void emptied_paragraph_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("enter") << "Return";
        QTest::newRow("shift+enter") << "Shift+Return";
        QTest::newRow("paste") << "Paste";
    }
    void emptied_paragraph() {
        QFETCH(QString, action);
        const QString original = Lines(300);
        UnicodeTextBox box;
        box.SetText(original);
        const QString raw = box.document()->toRawText();
        const int p = static_cast<int>(raw.indexOf(QChar::ParagraphSeparator));
        const int next = static_cast<int>(raw.indexOf(QChar::ParagraphSeparator, p + 1));
        QVERIFY(p > 0 && next > p + 1);
        const int t = p - static_cast<int>(raw.first(p).count(QChar::LineSeparator));
        const qsizetype emptied =
            next - p - 1 - raw.sliced(p + 1, next - p - 1).count(QChar::LineSeparator);

        QTextCursor cursor = box.textCursor();
        cursor.setPosition(p + 1);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        box.setTextCursor(cursor);
        QTest::keyClick(&box, Qt::Key_Delete);
        QCOMPARE(box.textCursor().block().length(), 1);
        if (action == QLatin1String("Paste")) {
            QApplication::clipboard()->setText(QStringLiteral("\n"));
            box.paste();
        } else {
            QTest::keySequence(&box, QKeySequence(action));
        }
        QTest::keyClicks(&box, QStringLiteral("k"));
        QCOMPARE(box.Text(),
                 original.first(t) + QStringLiteral("\nk") + original.sliced(t + emptied));
    }

    // The input box (no line-end tag): a pasted text reads back exactly, long runs get display
    // breaks that keep every paragraph short, and the paste is one step to undo and redo.
    void input_paste_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("typed");  // what Text() gives back for it
        QString html;
        while (html.size() < TextBox::kMaxRunChars * 5)
            html += QStringLiteral("<p class=\"t\">Riiga v\u00a0aa</p> ");
        const QString run(TextBox::kMaxRunChars * 3 + 5, QLatin1Char('x'));
        QTest::newRow("one long line") << html << html;
        QTest::newRow("long run without blanks") << run << run;
        QTest::newRow("long lines") << html + "\n" + run + "\n" << html + "\n" + run + "\n";
        QTest::newRow("other line breaks")
            << QString::fromUtf8("a\r\nb\rc\u2028d\u2029e") << "a\nb\nc\nd\ne";
    }
    void input_paste() {
        QFETCH(QString, pasted);
        QFETCH(QString, typed);
        TextBox box;
        box.resize(300, 200);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QString original = QStringLiteral("ab\ncd");
        box.SetText(original);
        QTextCursor cursor = box.textCursor();
        cursor.setPosition(4);  // between "c" and "d"
        box.setTextCursor(cursor);
        QApplication::clipboard()->setText(pasted);
        QTest::keySequence(&box, QKeySequence::Paste);
        const QString edited = QStringLiteral("ab\nc") + typed + QStringLiteral("d");
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(box.Text(), edited);
            for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next())
                QVERIFY(b.length() <= TextBox::kMaxRunChars + 8);
            QCOMPARE(box.TextOffset(box.textCursor().position()), edited.size() - 1);
            QCOMPARE(box.DocumentPosition(edited.size() - 1), box.textCursor().position());
            box.selectAll();
            QCOMPARE(box.SelectionLength(), edited.size());
            QApplication::clipboard()->clear();
            box.copy();
            QCOMPARE(QApplication::clipboard()->text(), edited);
            QTest::keySequence(&box, QKeySequence::Undo);
            QCOMPARE(box.Text(), original);
            QTest::keySequence(&box, QKeySequence::Redo);
            cursor = box.textCursor();
            cursor.setPosition(box.DocumentPosition(edited.size() - 1));
            box.setTextCursor(cursor);
        }
        // Line separators the text was set with are text too.
        box.SetText(QString::fromUtf8("a\u2028b"));
        QCOMPARE(box.Text(), QString::fromUtf8("a\u2028b"));
        QCOMPARE(box.DisplayBreakCount(), 0);
    }

    // A second text replaces the first with its own breaks.
    void set_again() {
        UnicodeTextBox box;
        box.SetText(Lines(50));
        box.SetText(QStringLiteral("a<Br>b"));
        QCOMPARE(box.Text(), QStringLiteral("a<Br>b"));
        QCOMPARE(box.DisplayBreakCount(), 1);
        // Setting a text, breaks marked and all, is no edit to undo.
        QTest::keyClicks(&box, QStringLiteral("c"));
        box.SetText(Lines(300));
        QCOMPARE(box.DisplayBreakCount(), 300);
        QVERIFY(!box.document()->isUndoAvailable());
        QVERIFY(!box.document()->isModified());
    }
};

ZV_UI_TEST_MAIN(TextBoxTest)
#include "test_ui_text_box.moc"
