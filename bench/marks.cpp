// The main window's dictionary marks after a large paste of typed Latvian (or, with --made-up,
// of made-up words full of pairs): how long until the marks show, and how long the window was
// kept from its events meanwhile. A timer that asks to
// tick every 10 ms records its longest gap: the longest the window could not answer a key or
// paint. Then one key typed into the text, and the same again for the check that follows it.
//
//   zv-bench-marks [--made-up] [MB]
//
// Needs the Latvian dictionary (hunspell-lv, or ZV_DICTIONARY). Run it offscreen or on Xvfb.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "corpus/corpus.h"
#include "event_loop_wait.h"
#include "ui/definitions/form1_definition.h"
#include "ui/marks/spell_marks.h"
#include "window_program.h"

namespace {

// A wait for the marks: until they showed (the quiet time before the check included; -1: not
// within a minute), and how many.
struct Wait : zv::bench::EventLoopWait {
    std::size_t marks = 0;
};

// Runs the event loop until the next check's result is applied.
Wait WaitForMarks(zv::ui::SpellMarks& marks) {
    bool checked = false;
    const auto connection =
        QObject::connect(&marks, &zv::ui::SpellMarks::Checked, [&] { checked = true; });
    Wait wait{zv::bench::RunEventLoop([&] { return checked; }, 60000)};
    QObject::disconnect(connection);
    wait.marks = marks.Marks().size();
    return wait;
}

void Report(const char* what, double action_ms, const Wait& wait) {
    std::printf("%-26s %10.0f %12s %16.0f %8zu\n", what, action_ms,
                wait.ms < 0 ? "-" : std::to_string(static_cast<long long>(wait.ms)).c_str(),
                wait.stall_ms, wait.marks);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const bool made_up = argc > 1 && std::string(argv[1]) == "--made-up";
    const double mb = argc > 1 + made_up ? std::atof(argv[1 + made_up]) : 10.0;
    QApplication app(argc, argv);

    const auto bytes = static_cast<std::size_t>(mb * 1024 * 1024);
    const QString text = QString::fromStdString(made_up ? zv::MadeUpWordsCorpus(bytes, false)
                                                        : zv::TypedLatvianCorpus(bytes));

    zv::bench::WindowProgram program;
    zv::ui::Form1Definition& main = program.Main();
    zv::ui::TextBox* box = main.Text1();
    auto* marks = box->findChild<zv::ui::SpellMarks*>();

    std::printf("%s, %.1f MB %s (%lld characters)\n", qPrintable(QGuiApplication::platformName()),
                mb, made_up ? "made-up words full of pairs" : "typed Latvian",
                static_cast<long long>(text.size()));
    std::printf("%-26s %10s %12s %16s %8s\n", "", "action ms", "marks ms", "longest stall ms",
                "marks");
    box->clear();
    QApplication::clipboard()->setText(text);
    // The machine's own noise: the same ticks with nothing to do, for two seconds.
    Report("nothing (for comparison)", 0, {zv::bench::RunEventLoop([] { return false; }, 2000)});
    box->setFocus();
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    const double paste_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    Report("paste (Ctrl+V)", paste_ms, WaitForMarks(*marks));

    QTextCursor cursor = box->textCursor();
    cursor.setPosition(box->document()->characterCount() / 2);
    box->setTextCursor(cursor);
    clock.restart();
    QTest::keyClick(box, Qt::Key_A);
    const double key_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    Report("a key in the middle", key_ms, WaitForMarks(*marks));

    return 0;
}
