// Restoring marks in the main window (F8, "Atjaunot garumzīmes") on Latvian typed without marks:
// the time from the command until the restored text stands in the box, and the longest the
// window went without handling its events meanwhile (a timer that asks to tick every 10 ms
// records its longest gap). Each text is set in the box and checked first, as a text the user
// has typed or pasted is (the check opens the dictionary). First on 100 KB, as a user's first
// restoring (the lexicon mapped and the restorer made on the worker thread then), then again on
// the same text after undo, and then on 1 MB.
//
//   zv-bench-restore-window [KILOBYTES] [BIG_KILOBYTES]
//
// The text: the benchmarks' typed Latvian (corpus/), converted to letters and every mark taken
// off. Fails when the first 100 KB take more than 300 ms. Run it offscreen or on Xvfb.
#include <QApplication>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus/corpus.h"
#include "engine/references.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"
#include "event_loop_wait.h"
#include "ui/main/form1.h"
#include "ui/marks/spell_marks.h"
#include "window_program.h"

namespace {

constexpr double kMaxMs = 300;

// A wait for the restoring: until it ended (-1: not within a minute), and whether it was
// applied.
struct Wait : zv::bench::EventLoopWait {
    bool applied = false;
};

// Runs the window's restore command and the event loop until the restoring has ended.
Wait Restore(zv::ui::Form1& main, zv::ui::SpellMarks& marks) {
    Wait wait;
    bool ended = false;
    const auto connection =
        QObject::connect(&marks, &zv::ui::SpellMarks::Restored, [&](bool applied) {
            ended = true;
            wait.applied = applied;
        });
    // The command itself runs before the first tick: its time is a gap too.
    static_cast<zv::bench::EventLoopWait&>(wait) = zv::bench::RunEventLoop(
        [&] { return ended; }, 60000, [&] { QTest::keyClick(main.Text1(), Qt::Key_F8); });
    QObject::disconnect(connection);
    return wait;
}

// Sets text in the box and runs the event loop until its check has been applied.
bool SetAndCheck(zv::ui::TextBox& box, zv::ui::SpellMarks& marks, const QString& text) {
    bool checked = false;
    const auto connection =
        QObject::connect(&marks, &zv::ui::SpellMarks::Checked, [&] { checked = true; });
    box.SetText(text);
    const bool done = QTest::qWaitFor([&] { return checked; }, 120000);
    QObject::disconnect(connection);
    if (!done) std::printf("  FAILED: the text was not checked within two minutes\n");
    return done;
}

// The benchmarks' typed Latvian in letters, every mark taken off, cut at the last line end
// within bytes (characters, nearly all of one byte).
QString Unmarked(std::size_t bytes) {
    // The pairs of the typed text become one letter each: more typed text than wanted.
    std::string typed = zv::TypedLatvianCorpus(bytes + bytes / 2);
    std::erase(typed, '\r');
    std::u16string letters = zv::ReferencesToLetters(zv::Transliterate(zv::ToUtf16(typed)));
    for (char16_t& c : letters) {
        if (const char16_t plain = zv::PairFirst(c); plain != 0 && c > 0x7F) c = plain;
    }
    QString text = QString::fromStdU16String(letters);
    text.truncate(text.lastIndexOf(QLatin1Char('\n'), static_cast<qsizetype>(bytes)) + 1);
    return text;
}

bool Report(const char* what, const QString& text, const Wait& wait, bool judged) {
    std::printf("%-34s %8lld %10s %16.0f\n", what, static_cast<long long>(text.size()),
                wait.ms < 0 ? "-" : std::to_string(static_cast<long long>(wait.ms)).c_str(),
                wait.stall_ms);
    std::fflush(stdout);
    const bool ok = wait.applied && wait.ms >= 0 && (!judged || wait.ms <= kMaxMs);
    if (!ok) std::printf("  FAILED\n");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t kilobytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const std::size_t big = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000;
    QApplication app(argc, argv);
    const QString small_text = Unmarked(kilobytes * 1000);
    const QString big_text = Unmarked(big * 1000);

    zv::bench::WindowProgram program;
    auto& main = static_cast<zv::ui::Form1&>(program.Main());
    zv::ui::TextBox* box = main.Text1();
    auto* marks = box->findChild<zv::ui::SpellMarks*>();
    box->setFocus();

    std::string load;
    if (std::FILE* file = std::fopen("/proc/loadavg", "r")) {
        char line[64] = {};
        if (std::fgets(line, sizeof line, file) != nullptr) load = line;
        std::fclose(file);
    }
    std::printf("%s; load average %s", qPrintable(QGuiApplication::platformName()),
                load.empty() ? "unknown\n" : load.c_str());
    std::printf("%-34s %8s %10s %16s\n", "", "chars", "ms", "longest stall ms");
    bool ok = SetAndCheck(*box, *marks, small_text);
    ok = Report("first restoring", small_text, Restore(main, *marks), true) && ok;
    if (box->Text() == small_text) {
        std::printf("  FAILED: nothing restored\n");
        ok = false;
    }
    box->undo();
    ok = Report("the same text again", small_text, Restore(main, *marks), false) && ok;
    ok = SetAndCheck(*box, *marks, big_text) && ok;
    ok = Report("a bigger text", big_text, Restore(main, *marks), false) && ok;
    return ok ? 0 : 1;
}
