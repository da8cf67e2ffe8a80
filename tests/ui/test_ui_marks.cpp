// The dictionary marks of the main window's text box, with the small test dictionary that CTest
// names in ZV_DICTIONARY: marks on the right words whatever line breaks and
// display breaks stand before them and whatever edits come while a check runs, the hover text,
// the right-click fix in one undo step, and a program without a dictionary. Restoring marks
// (F8): the text restored as the library restores it, in one undo step, the uncertain choices
// marked, the selection alone, and a result for an older text dropped.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDeadlineTimer>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <thread>

#include "checker/checker.h"
#include "engine/transliterate.h"
#include "lexicon/lexicon.h"
#include "restore/restore.h"
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

// What restoring text gives, from the library itself, as the window's restoring asks it.
zv::restore::Restored Restored(const QString& text) {
    const zv::lexicon::Lexicon* lexicon = zv::lexicon::Lexicon::Get();
    if (lexicon == nullptr) return {};
    const auto base = zv::checker::Checker::FindDictionary();
    zv::restore::Restorer restorer(
        *lexicon, base ? zv::restore::HunspellForms(*base) : zv::restore::DictionaryForms{});
    return restorer.Restore(text.toStdU16String());
}

// Runs the window's restore command with F8 in its text box and waits until it has ended.
bool RestoreWithF8(Program& p) {
    Form1& main = Main(p);
    main.show();
    main.activateWindow();
    if (!QTest::qWaitForWindowActive(&main, 5000)) return false;
    QSignalSpy ended(&Marks(p), &SpellMarks::Restored);
    QTest::keyClick(main.Text1(), Qt::Key_F8);
    return ended.wait(kWaitMs) && ended.takeFirst().at(0).toBool();
}

constexpr char16_t kUnmarked[] = u"Es dzivoju Riga, bet man patik ari Liepaja.\nTas ir ka majas.";

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

    // The whole text restored as the library restores it (display breaks left out of what it
    // reads, line breaks kept), in one edit that undo takes back.
    void restore_the_whole_text_in_one_edit_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("two lines") << QString::fromStdU16String(kUnmarked);
        // One line too long for the screen: its display breaks stay out of the text.
        QString run =
            QString::fromStdU16String(kUnmarked).replace(QLatin1Char('\n'), QLatin1Char(' '));
        QTest::newRow("across display breaks")
            << (run + QLatin1Char(' ')).repeated(2 * TextBox::kMaxRunChars / run.size());
    }
    void restore_the_whole_text_in_one_edit() {
        QFETCH(QString, text);
        const zv::restore::Restored expected = Restored(text);
        QVERIFY2(expected.changed > 0, "no lexicon, or nothing restored");
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(text);
        QCOMPARE(box.DisplayBreakCount() > 0, text.size() > TextBox::kMaxRunChars);
        QVERIFY(RestoreWithF8(p));
        QCOMPARE(box.Text(), QString::fromStdU16String(expected.text));
        QCOMPARE(Marks(p).Uncertain().size(), expected.uncertain.size());
        for (const SpellMark& mark : Marks(p).Uncertain()) QCOMPARE(Word(box, mark), mark.typed);
        box.undo();
        QCOMPARE(box.Text(), text);
    }

    // Each uncertain choice is marked on its word, with the other forms in its hover text and
    // at the top of its menu; choosing one types it in. Every menu of the box restores too.
    void uncertain_choices_are_marked() {
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(QString::fromStdU16String(kUnmarked));
        QVERIFY(RestoreWithF8(p));
        const zv::restore::Restored expected = Restored(QString::fromStdU16String(kUnmarked));
        QVERIFY(!expected.uncertain.empty());
        const std::vector<SpellMark>& uncertain = Marks(p).Uncertain();
        QCOMPARE(uncertain.size(), expected.uncertain.size());
        for (std::size_t k = 0; k < uncertain.size(); ++k) {
            const zv::restore::Uncertain& choice = expected.uncertain[k];
            QCOMPARE(Word(box, uncertain[k]), QString::fromStdU16String(expected.text.substr(
                                                  choice.out_begin, choice.out_length)));
            QCOMPARE(uncertain[k].converted, QString::fromStdU16String(choice.chosen.word));
            QCOMPARE(uncertain[k].suggestions.size(), choice.others.size());
        }
        const SpellMark mark = uncertain.back();
        box.moveCursor(QTextCursor::End);
        QWidget* viewport = box.viewport();
        const QPoint at = PointIn(box, mark);
        QHelpEvent hover(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), SpellMarks::ToolTip(mark));
        QToolTip::hideText();

        QContextMenuEvent click(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &click);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        QCOMPARE(menu->actions().first()->text(), SpellMarks::MenuLine(mark.suggestions[0]));
        QVERIFY(menu->actions().contains(Main(p).Menu().Restore));
        const QString before = box.Text();
        menu->actions().first()->trigger();
        menu->close();
        const qsizetype place = box.TextOffset(mark.begin);
        QCOMPARE(box.Text(), before.left(place) + mark.suggestions[0].typed +
                                 before.mid(place + mark.typed.size()));
        QVERIFY(Marks(p).MarkAt(mark.begin) == nullptr);

        // Away from any mark the box's own menu, with the restore command.
        box.moveCursor(QTextCursor::Start);
        QTest::keyClick(&box, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr);
        QVERIFY(!menu->actions().first()->objectName().startsWith(QStringLiteral("suggestion")));
        QVERIFY(menu->actions().contains(Main(p).Menu().Restore));
        menu->close();
    }

    // A selection is restored in whole words, and nothing else; it stays selected.
    void restore_the_selection_only() {
        const QString first = QStringLiteral("Riga majas\n");
        const QString second =
            QString::fromStdU16String(kUnmarked).section(QLatin1Char('\n'), 0, 0);
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(first + second);
        // From inside the second line's first word to inside its last.
        QTextCursor selection(box.document());
        selection.setPosition(box.DocumentPosition(first.size() + 1));
        selection.setPosition(box.DocumentPosition(first.size() + second.size() - 2),
                              QTextCursor::KeepAnchor);
        box.setTextCursor(selection);
        QVERIFY(RestoreWithF8(p));
        const QString restored = QString::fromStdU16String(Restored(second).text);
        QCOMPARE(box.Text(), first + restored);
        QCOMPARE(box.textCursor().selectedText() + QLatin1Char('.'), restored);  // to "Liepaajaa"
    }

    // An edit made while the worker restores: the result, for the text before it, is dropped.
    void an_edit_meanwhile_drops_the_restoring() {
        Program p;
        TextBox& box = *Main(p).Text1();
        box.SetText(QString::fromStdU16String(kUnmarked));
        QSignalSpy ended(&Marks(p), &SpellMarks::Restored);
        Main(p).Restore_Click();
        QTextCursor cursor(box.document());
        cursor.insertText(QStringLiteral("jauna "));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, kWaitMs);
        QCOMPARE(ended.takeFirst().at(0).toBool(), false);
        // Nor does its result land later: the worker's next result, the check of the edited
        // text, comes after anything the restoring sent.
        QSignalSpy checked(&Marks(p), &SpellMarks::Checked);
        QVERIFY(checked.wait(kWaitMs));
        QVERIFY(ended.isEmpty());
        QCOMPARE(box.Text(), QStringLiteral("jauna ") + QString::fromStdU16String(kUnmarked));
        QVERIFY(Marks(p).Uncertain().empty());
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
