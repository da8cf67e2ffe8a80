// A large paste: 10 MB of typed Latvian in the main window and F5. All three outputs hold the
// conversion (the Unicode text box set and painted, the document written), and the preview paints
// the new document. How long each takes is zv-bench-large-paste's to measure.
#include <QPlainTextEdit>
#include <string>

#include "corpus/corpus.h"
#include "ui/definitions/browser_view.h"
#include "ui/main/form1.h"
#include "ui/secondary/form2.h"
#include "ui/secondary/form3.h"
#include "ui_test_support.h"

using namespace zv::ui;
using zv::ui::test::Program;

namespace {

// How many line breaks the view's current document holds once it has painted text; -1 before
// (or when the view does not answer).
int PaintedBreaks(BrowserView* view) {
    const QVariant breaks = test::RunScript(
        view,
        QStringLiteral("performance.getEntriesByName('first-contentful-paint').length ? "
                       "document.getElementsByTagName('br').length : -1"),
        30000);
    return breaks.isValid() ? breaks.toInt() : -1;
}

}  // namespace

class LargeTextTest : public QObject {
    Q_OBJECT
  private slots:
    void ten_megabytes() {
        // The text box holds lines ended by a line feed, as a paste leaves them.
        // The same text on every machine: sentences of the repository's Latvian words.
        std::string typed = zv::TypedLatvianWordsCorpus(10u << 20);
        std::erase(typed, '\r');
        const QString text = QString::fromStdString(typed);
        std::string().swap(typed);

        Program p;
        auto& main = static_cast<Form1&>(p.forms().Form1());
        BrowserView* preview = p.forms().Form2().WebBrowser1();
        Form3Definition& unicode_window = p.forms().Form3();
        QVERIFY(test::WaitForRenderedText(preview, QStringLiteral("Kas?")));
        main.Text1()->setPlainText(text);
        QTest::keyClick(main.Text1(), Qt::Key_F5);
        unicode_window.repaint();

        const QString expected = test::Converted(text);  // by the rule-by-rule reference
        UnicodeTextBox* box = unicode_window.Text1();
        QCOMPARE(box->Text(), expected);
        box->selectAll();
        QCOMPARE(box->SelectionLength(), expected.size());
        // The box alone: the same text set again and painted.
        QVERIFY(box->isVisible());
        box->SetText(expected);
        unicode_window.repaint();
        QCOMPARE(box->DisplayBreakCount(), expected.count(QLatin1String("<Br>")));
        QVERIFY(p.Document() == test::RunDocument(expected));  // QCOMPARE would print 10 MB
        // The painted document is the new one: the help text has only a few line breaks.
        QTRY_VERIFY_WITH_TIMEOUT(PaintedBreaks(preview) > 1000, 60000);
        preview->stop();  // the rest of the document would keep a core busy for a minute
    }
};

ZV_UI_TEST_MAIN(LargeTextTest)
#include "test_ui_large.moc"
