// A large paste: typed Latvian (10 MB) in the main window, F5, and the time until the outputs
// show the result: the Unicode text set and painted (the document written with it), and the
// first screenful of the new document painted in the preview. Then the Unicode text box alone:
// the same text set again and painted, read back, and its selection measured.
//
//   zv-bench-large-paste [MB]
//
// Each wait the user sees has a target of 5 seconds (about 0.6 s and 1.2 s on a quiet machine):
// beyond it, or when the outputs are not the conversion of the paste, it ends with status 1. Run
// it offscreen (QT_QPA_PLATFORM=offscreen) or on Xvfb; as root with QTWEBENGINE_DISABLE_SANDBOX=1.
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "corpus/corpus.h"
#include "engine/transliterate.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/unicode_text_box.h"
#include "window_program.h"

namespace {

constexpr double kTargetMs = 5000;

// When (milliseconds since the epoch) the view's current document first painted text, and how
// many line breaks it holds so far; nothing while it has not painted yet. The query runs in the
// application's own script world, which works with the page's scripts off. Its answer may come
// after the wait has given up (at the latest when the page goes): it lands in shared state.
struct Paint {
    double at_ms = 0;
    int breaks = 0;
};
std::optional<Paint> FirstPaint(zv::ui::BrowserView* view) {
    auto answer = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(
        QStringLiteral("(function(){const p=performance.getEntriesByType('paint')"
                       ".find(e=>e.name==='first-contentful-paint');"
                       "return p?{at:performance.timeOrigin+p.startTime,"
                       "breaks:document.getElementsByTagName('br').length}:null;})()"),
        QWebEngineScript::ApplicationWorld, [answer](const QVariant& v) { *answer = v; });
    if (!QTest::qWaitFor([&] { return answer->has_value(); }, 30000)) return std::nullopt;
    const QVariantMap map = (*answer)->toMap();
    if (map.isEmpty()) return std::nullopt;
    return Paint{map.value("at").toDouble(), map.value("breaks").toInt()};
}

double Ms(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// Prints a measured wait; a wait with a target counts as a failure beyond it.
int Report(const char* what, double ms, bool has_target) {
    const bool over = has_target && ms > kTargetMs;
    std::printf("%-44s %10.0f%s\n", what, ms, over ? "  over the target" : "");
    std::fflush(stdout);
    return over ? 1 : 0;
}

int Fail(const char* why) {
    std::fprintf(stderr, "zv-bench-large-paste: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 10.0;
    QApplication app(argc, argv);

    // The text box holds lines ended by a line feed, as a paste leaves them.
    std::string typed = zv::TypedLatvianCorpus(static_cast<std::size_t>(mb * 1024 * 1024));
    std::erase(typed, '\r');
    const QString text = QString::fromStdString(typed);
    std::string().swap(typed);
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QString expected = QString::fromStdU16String(zv::Transliterate(crlf.toStdU16String()));

    zv::bench::WindowProgram program;
    zv::ui::Form1Definition& main = program.Main();
    zv::ui::BrowserView* preview = zv::ui::TheForms().Form2().WebBrowser1();
    zv::ui::Form3Definition& unicode_window = zv::ui::TheForms().Form3();
    zv::ui::UnicodeTextBox* box = unicode_window.Text1();
    // The startup document has painted before the paste.
    if (!QTest::qWaitFor([&] { return FirstPaint(preview).has_value(); }, 60000)) {
        return Fail("the preview never painted the startup document");
    }
    main.Text1()->setPlainText(text);
    QTest::qWait(200);  // the box settles before the clock starts

    std::printf("%s, %.1f MB typed Latvian (%lld characters)\n",
                qPrintable(QGuiApplication::platformName()), mb,
                static_cast<long long>(text.size()));
    std::printf("%-44s %10s\n", "", "ms");
    const double pressed_at = static_cast<double>(QDateTime::currentMSecsSinceEpoch());
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(main.Text1(), Qt::Key_F5);
    const double converted_ms = Ms(clock);  // the Unicode text and the document are set
    unicode_window.repaint();
    const double painted_ms = Ms(clock);
    // The preview: the first paint of a document that began loading after F5.
    std::optional<Paint> paint;
    if (!QTest::qWaitFor(
            [&] {
                paint = FirstPaint(preview);
                return paint && paint->at_ms >= pressed_at;
            },
            60000)) {
        return Fail("the preview did not paint the new document within a minute");
    }
    const double preview_ms = paint->at_ms - pressed_at;
    // The painted document is the new one: the startup document has only a few line breaks.
    if (!QTest::qWaitFor(
            [&] {
                const std::optional<Paint> now = FirstPaint(preview);
                return now && now->breaks > 1000;
            },
            60000)) {
        return Fail("the preview painted another document than the paste's");
    }
    preview->stop();  // the rest of the document would keep a core busy for a minute

    clock.restart();
    const QString read_back = box->Text();
    const double read_ms = Ms(clock);
    if (read_back != expected) return Fail("the Unicode text is not the paste's conversion");
    box->selectAll();
    clock.restart();
    const qsizetype selected = box->SelectionLength();
    const double select_ms = Ms(clock);
    if (selected != expected.size()) return Fail("select-all does not select the whole text");
    clock.restart();
    box->SetText(expected);
    const double set_ms = Ms(clock);
    unicode_window.repaint();
    const double set_painted_ms = Ms(clock);

    int over = 0;
    Report("F5: converted, Unicode text set, written", converted_ms, false);
    over += Report("F5: and the Unicode text painted", painted_ms, true);
    over += Report("F5: preview's first screenful painted", preview_ms, true);
    Report("Unicode text box: set", set_ms, false);
    over += Report("Unicode text box: set and painted", set_painted_ms, true);
    Report("Unicode text box: read back", read_ms, false);
    Report("Unicode text box: selection length", select_ms, false);
    return over > 0 ? 1 : 0;
}
