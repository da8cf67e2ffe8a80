// The dictionary marks of the main window's text box, with the small test dictionary that CTest
// names in ZV_DICTIONARY: marks on the right words whatever line breaks and
// display breaks stand before them and whatever edits come while a check runs, the hover text,
// the right-click fix in one undo step, and a program without a dictionary.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QHelpEvent>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <thread>

#include "engine/transliterate.h"
#include "ui/main/form1.h"
#include "ui/marks/spell_marks.h"
#include "ui/secondary/form3.h"
#include "ui_test_support.h"

using namespace zv::ui;
using zv::ui::test::Program;

namespace {

constexpr int kWaitMs = 20000;  // a first check opens the dictionary on a busy machine

Form1& Main(Program& p) { return static_cast<Form1&>(p.forms().Form1()); }
SpellMarks& Marks(Program& p) { return *Main(p).Text1()->findChild<SpellMarks*>(); }

// The typed text under a mark.
QString Word(TextBox& box, const SpellMark& mark) {
    const qsizetype begin = box.TextOffset(mark.begin);
    return box.Text().mid(begin, box.TextOffset(mark.end) - begin);
}

// The middle of a mark's first letters, in viewport coordinates.
QPoint PointIn(TextBox& box, const SpellMark& mark) {
    QTextCursor cursor(box.document());
    cursor.setPosition(mark.begin + 2);
    return box.cursorRect(cursor).center();
}

}  // namespace

class MarksTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { test::FlushDeletes(); }

    void marks_land_on_the_words_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("first line") << QString();
        QTest::newRow("after line breaks, one a line separator")
            << QString::fromUtf8("labi\n\nlabi\u2028labi\n");
        // A line too long for the screen, without a blank to break it at: the display break
        // falls inside "sheema", and the word is still the one typed.
        QString run = QStringLiteral("labi,").repeated(TextBox::kMaxRunChars / 5);
        run += QString(TextBox::kMaxRunChars - 3 - run.size(), QLatin1Char(','));
        QTest::newRow("across a display break") << run;
    }
    void marks_land_on_the_words() {
        QFETCH(QString, before);
        Program p;
        TextBox& box = *Main(p).Text1();
        const QString text = before + QStringLiteral("sheema un riikjosla");
        box.SetText(text);
        QTRY_COMPARE_WITH_TIMEOUT(Marks(p).Marks().size(), std::size_t{2}, kWaitMs);
        QCOMPARE(Word(box, Marks(p).Marks()[0]), QStringLiteral("sheema"));
        QCOMPARE(Word(box, Marks(p).Marks()[1]), QStringLiteral("riikjosla"));
        QCOMPARE(box.DisplayBreakCount(), before.size() > TextBox::kMaxRunChars / 2 ? 1 : 0);
        QCOMPARE(box.TextOffset(Marks(p).Marks()[1].begin), text.indexOf(QStringLiteral("riik")));
        // Underlined once on screen.
        box.moveCursor(QTextCursor::End);
        QTRY_COMPARE(box.extraSelections().size(), 2);
        QCOMPARE(box.extraSelections()[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);
        // The marks are not part of the text a run converts.
        Main(p).Now_Click();
        QString crlf = text;
        crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"))
            .replace(QChar::LineSeparator, QLatin1String("\r\n"));
        QCOMPARE(p.forms().Form3().Text1()->Text(),
                 QString::fromStdU16String(zv::Transliterate(crlf.toStdU16String())));
    }

    void hover_and_fix_from_the_menu() {
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(QStringLiteral("sheema un riikjosla"));
        QTRY_COMPARE_WITH_TIMEOUT(Marks(p).Marks().size(), std::size_t{2}, kWaitMs);
        QWidget* viewport = box.viewport();
        const QPoint at = PointIn(box, Marks(p).Marks()[0]);

        QHelpEvent hover(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().startsWith(
                     QStringLiteral("sheema → šēma: vai domājāt shēma (rakstiet s-heema)")),
                 qPrintable(QToolTip::text()));
        QToolTip::hideText();

        QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &click);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        QAction* first = menu->actions().first();
        QCOMPARE(first->objectName(), QStringLiteral("suggestion1"));
        QCOMPARE(first->text(), QStringLiteral("shēma  (rakstiet s-heema)"));
        QVERIFY(menu->actions().at(Marks(p).Marks()[0].suggestions.size())->isSeparator());
        first->trigger();
        menu->close();
        QCOMPARE(box.Text(), QStringLiteral("s-heema un riikjosla"));
        // The fixed word is no longer marked; the other one still is, where it now stands.
        QTRY_COMPARE_WITH_TIMEOUT(Marks(p).Marks().size(), std::size_t{1}, kWaitMs);
        QCOMPARE(Word(box, Marks(p).Marks()[0]), QStringLiteral("riikjosla"));

        box.undo();
        QCOMPARE(box.Text(), QStringLiteral("sheema un riikjosla"));
    }

    // The Menu key and Shift+F10 open the menu at the text cursor: the suggestions of the word
    // it stands in, or the box's usual menu elsewhere.
    void menu_from_the_keyboard_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("first");  // the first item's name; empty: no suggestion
        QTest::newRow("Menu key in a marked word") << int(Qt::Key_Menu) << 0 << 13 << "suggestion1";
        QTest::newRow("Shift+F10 in a marked word")
            << int(Qt::Key_F10) << int(Qt::ShiftModifier) << 2 << "suggestion1";
        QTest::newRow("Shift+F10 elsewhere")
            << int(Qt::Key_F10) << int(Qt::ShiftModifier) << 8 << QString();
    }
    void menu_from_the_keyboard() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, cursor);
        QFETCH(QString, first);
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(QStringLiteral("sheema un riikjosla"));
        QTRY_COMPARE_WITH_TIMEOUT(Marks(p).Marks().size(), std::size_t{2}, kWaitMs);
        QTextCursor at(box.document());
        at.setPosition(cursor);
        box.setTextCursor(at);
        QTest::keyClick(&box, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        const QString name = menu->actions().first()->objectName();
        const QString text = menu->actions().first()->text();
        menu->close();
        QVERIFY2(first.isEmpty() ? !name.startsWith(QStringLiteral("suggestion")) : name == first,
                 qPrintable(name));
        if (!first.isEmpty()) {
            // The suggestions are those of the word at the cursor.
            const SpellMark* mark = Marks(p).MarkAt(cursor);
            QVERIFY(mark != nullptr);
            QCOMPARE(text, SpellMarks::MenuLine(mark->suggestions[0]));
        }
        QCOMPARE(box.Text(), QStringLiteral("sheema un riikjosla"));
    }

    void results_for_an_older_text_never_land() {
        Program p;
        TextBox& box = *Main(p).Text1();
        SpellMarks& marks = Marks(p);
        box.SetText(QStringLiteral("sheema un riikjosla"));
        // Once the first check has sent its result, and before the window has it, text comes
        // before the words; every result applied must still put each mark on a flagged word.
        bool edited = false;
        connect(&marks, &SpellMarks::CheckStarted, &box, [&] {
            if (edited) return;
            edited = true;
            const quint64 sent = marks.ResultsSent();
            QDeadlineTimer deadline(kWaitMs);
            while (marks.ResultsSent() == sent && !deadline.hasExpired()) {
                std::this_thread::yield();  // no events: the result stays queued
            }
            QTextCursor cursor(box.document());
            cursor.insertText(QStringLiteral("jauna "));
        });
        QStringList applied;
        connect(&marks, &SpellMarks::Checked, &box, [&] {
            for (const SpellMark& mark : marks.Marks()) applied << Word(box, mark);
        });
        QTRY_COMPARE_WITH_TIMEOUT(marks.Marks().size(), std::size_t{2}, kWaitMs);
        QVERIFY(edited);
        QCOMPARE(applied, (QStringList{QStringLiteral("sheema"), QStringLiteral("riikjosla")}));
        QCOMPARE(box.TextOffset(marks.Marks()[0].begin), 6);
    }

    void no_dictionary_no_marks() {
        struct Restore {
            const bool was_set = qEnvironmentVariableIsSet("ZV_DICTIONARY");
            const QByteArray value = qgetenv("ZV_DICTIONARY");
            ~Restore() { was_set ? qputenv("ZV_DICTIONARY", value) : qunsetenv("ZV_DICTIONARY"); }
        } restore;
        qputenv("ZV_DICTIONARY", "/nonexistent/lv_LV");
        Program p;
        const std::size_t boxes = p.messages().size();
        TextBox& box = *Main(p).Text1();
        box.SetText(QStringLiteral("sheema un riikjosla"));
        QTRY_VERIFY_WITH_TIMEOUT(!Marks(p).Available(), kWaitMs);
        QVERIFY(Marks(p).Marks().empty());
        QVERIFY(box.extraSelections().isEmpty());
        QCOMPARE(p.messages().size(), boxes);
        QCOMPARE(box.Text(), QStringLiteral("sheema un riikjosla"));
    }
};

ZV_UI_TEST_MAIN(MarksTest)
#include "test_ui_marks.moc"
