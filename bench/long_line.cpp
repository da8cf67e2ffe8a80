// The main window with a large paste: the same HTML text once as one long line (as minified
// HTML comes) and once in ordinary lines. For each: the paste (Ctrl+V), then ten typed keys and
// F5, each painted before the next, timed on the real program's windows.
//
//   zv-bench-long-line [MB] [rounds]
//
// Run it on the platform to measure: under Xvfb with QT_QPA_PLATFORM=xcb, or offscreen.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corpus/corpus.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/form3_definition.h"
#include "window_program.h"

namespace {

// About bytes characters of the corpus as HTML, every typed line a paragraph on a line of its
// own.
QString HtmlText(std::size_t bytes) {
    const QString typed = QString::fromStdString(zv::TypedLatvianCorpus(bytes));
    QString html;
    html.reserve(typed.size() + typed.size() / 8);
    for (const QStringView line : QStringView(typed).split(u"\r\n", Qt::SkipEmptyParts)) {
        html += QStringLiteral("<p class=\"t\">");
        html += line;
        html += QStringLiteral("</p>");
        html += QLatin1Char('\n');
        if (html.size() >= static_cast<qsizetype>(bytes)) break;
    }
    return html;
}

struct Times {
    double paste_ms = 0;
    double keys_ms = 0;
    double f5_ms = 0;
};

void Paint(QWidget* window) {
    QCoreApplication::processEvents();
    window->repaint();
}

Times Measure(zv::ui::Form1Definition& main, const QString& text) {
    QPlainTextEdit* box = main.Text1();
    box->clear();
    Paint(&main);
    QApplication::clipboard()->setText(text);
    box->setFocus();
    QElapsedTimer clock;
    Times t;

    clock.start();
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    Paint(&main);
    t.paste_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    // Ten keys in the middle of the text, where the long line is.
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(box->document()->characterCount() / 2);
    box->setTextCursor(cursor);
    Paint(&main);
    clock.restart();
    for (const char c : std::string("Riigaa aa ")) {
        QTest::keyClick(box, c);
        Paint(&main);
    }
    t.keys_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    clock.restart();
    QTest::keyClick(box, Qt::Key_F5);
    Paint(&main);
    Paint(&zv::ui::TheForms().Form3());
    t.f5_ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // The paste and the keys went in: the box holds them (its display breaks aside).
    if (box->document()->characterCount() < text.size() + 10) {
        std::fprintf(stderr, "the box holds %d characters, fewer than pasted and typed\n",
                     box->document()->characterCount());
        std::exit(1);
    }
    return t;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QApplication app(argc, argv);

    const auto bytes = static_cast<std::size_t>(mb * 1024 * 1024);
    const QString in_lines = HtmlText(bytes);
    QString one_line = in_lines;
    one_line.remove(QLatin1Char('\n'));

    zv::bench::WindowProgram program;
    zv::ui::Form1Definition& main = program.Main();

    std::printf("%s, %.1f MB (%lld characters), median of %d rounds\n",
                qPrintable(QGuiApplication::platformName()), mb,
                static_cast<long long>(one_line.size()), rounds);
    std::printf("%-10s %10s %14s %8s %14s\n", "text", "paste ms", "ten keys ms", "F5 ms",
                "keys + F5 ms");
    for (const bool lines : {true, false}) {
        std::vector<double> paste, keys, f5, sum;
        for (int r = 0; r < rounds; ++r) {
            const Times t = Measure(main, lines ? in_lines : one_line);
            paste.push_back(t.paste_ms);
            keys.push_back(t.keys_ms);
            f5.push_back(t.f5_ms);
            sum.push_back(t.keys_ms + t.f5_ms);
        }
        std::printf("%-10s %10.0f %14.1f %8.1f %14.1f\n", lines ? "in lines" : "one line",
                    Median(paste), Median(keys), Median(f5), Median(sum));
        std::fflush(stdout);
    }
    return 0;
}
