// The main window's kept text with a large text in the box: after a paste of typed Latvian
// (10 MB unless told), keys typed for a while, one every 50 ms, while the text is kept on disk
// every second; then a pause. It reports how long until the file held the pasted text and the
// text after the last key, the longest the window went without handling its events meanwhile
// (a timer that asks to tick every 10 ms records its longest gap), and the time the window's
// thread spent taking the text for one write.
//
//   zv-bench-kept-text [MB] [seconds of typing]
//
// Run it offscreen or on Xvfb. The text is kept in a temporary folder.
#include "ui/main/kept_text.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "corpus/corpus.h"
#include "event_loop_wait.h"
#include "ui/main/form1.h"
#include "window_program.h"

namespace {

using zv::bench::EventLoopWait;
using zv::bench::RunEventLoop;

// Whether the file holds text (compared in UTF-8, as it is written).
bool Holds(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() == text.size() && file.readAll() == text;
}

void Report(const char* what, const EventLoopWait& wait) {
    std::printf("%-34s %14s %18.0f\n", what,
                wait.ms < 0 ? "-" : std::to_string(static_cast<long long>(wait.ms)).c_str(),
                wait.stall_ms);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double typing_s = argc > 2 ? std::atof(argv[2]) : 5.0;
    QApplication app(argc, argv);
    const auto bytes = static_cast<std::size_t>(mb * 1024 * 1024);
    const QString text = QString::fromStdString(zv::TypedLatvianCorpus(bytes));

    zv::bench::WindowProgram program;
    auto& main = static_cast<zv::ui::Form1&>(program.Main());
    zv::ui::TextBox* box = main.Text1();
    const QString path = main.Kept().Path();
    std::printf("%s, %.1f MB typed Latvian (%lld characters), kept in %s\n",
                qPrintable(QGuiApplication::platformName()), mb,
                static_cast<long long>(text.size()), qPrintable(path));
    std::printf("%-34s %14s %18s\n", "", "until kept ms", "longest stall ms");
    Report("nothing (for comparison)", RunEventLoop([] { return false; }, 2000));

    box->clear();
    QApplication::clipboard()->setText(text);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    const QByteArray pasted = box->Text().toUtf8();
    Report("paste (Ctrl+V), then a pause",
           RunEventLoop([&] { return Holds(path, pasted); }, 60000));

    // One key every 50 ms, at the end of the text.
    box->moveCursor(QTextCursor::End);
    QElapsedTimer typing;
    typing.start();
    QElapsedTimer since_key;
    since_key.start();
    int keys = 0;
    const EventLoopWait typed = RunEventLoop([&] { return typing.elapsed() > typing_s * 1000; },
                                             static_cast<int>(typing_s * 1000) + 5000, {},
                                             [&] {
                                                 if (since_key.elapsed() < 50) return;
                                                 since_key.restart();
                                                 QTest::keyClick(box, Qt::Key_A);
                                                 ++keys;
                                             });
    std::printf("%-34s %14s %18.0f  (%d keys)\n", "typing, a key every 50 ms", "", typed.stall_ms,
                keys);
    const QByteArray last = box->Text().toUtf8();
    Report("after the last key", RunEventLoop([&] { return Holds(path, last); }, 60000));

    // What one write costs the window's thread: taking the text from the box.
    QElapsedTimer take;
    take.start();
    const QString taken = box->Text();
    std::printf("%-34s %14.1f\n", "taking the text once (ms)",
                static_cast<double>(take.nsecsElapsed()) / 1e6);
    return taken.isEmpty() ? 1 : 0;
}
