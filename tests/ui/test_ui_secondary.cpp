// The preview, Unicode text and help windows: layout on resize, placement when re-created,
// select all, close and the page they keep.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include "document/unicode_document.h"
#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/main/form1.h"
#include "ui/secondary/form2.h"
#include "ui/secondary/form3.h"
#include "ui/secondary/form4.h"
#include "ui_test_support.h"

using namespace zv::ui;
using zv::ui::test::Program;

namespace {

QWidget* Content(ZvWindow* window) {
    if (auto* text = window->findChild<QPlainTextEdit*>("Text1")) return text;
    return window->findChild<BrowserView*>("WebBrowser1");
}

// The online help page as a server with this status gives it, long enough for the browser to
// show it rather than an error page of its own.
test::WebServer::Reply OnlinePage(int status) {
    return {status, "<!DOCTYPE html><p>online page " + QByteArray::number(status) + "</p>" +
                        QByteArray(2048, ' ')};
}

}  // namespace

class SecondaryWindowsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { test::FlushDeletes(); }

    // After any change of size the content control stands at 100, 100 twips and measures
    // window height / 1.15 by window width / 1.05; what it shows is untouched, and a browser
    // view stays inside its window (the help window's display flags say full screen).
    void resize_layout_data() {
        QTest::addColumn<int>("form");
        QTest::addColumn<QSize>("outer");  // pixels, frame included: 15 twips each
        QTest::addColumn<float>("width");  // of the content control, twips
        QTest::addColumn<float>("height");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("preview larger")
            << 1 << QSize(630, 552) << 9000.f << 7200.f << QSize(600, 480);
        QTest::newRow("preview smaller")
            << 1 << QSize(420, 276) << 6000.f << 3600.f << QSize(400, 240);
        QTest::newRow("unicode larger")
            << 2 << QSize(735, 345) << 10500.f << 4500.f << QSize(700, 300);
        QTest::newRow("unicode smaller")
            << 2 << QSize(378, 207) << 5400.f << 2700.f << QSize(360, 180);
        QTest::newRow("help larger") << 3 << QSize(630, 414) << 9000.f << 5400.f << QSize(600, 360);
        QTest::newRow("help smaller")
            << 3 << QSize(399, 184) << 5700.f << 2400.f << QSize(380, 160);
    }
    void resize_layout() {
        QFETCH(int, form);
        QFETCH(QSize, outer);
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(QSize, pixels);
        Program p;
        ZvWindow* window = p.forms().Window(static_cast<FormId>(form));
        QWidget* content = Content(window);
        QVERIFY(content != nullptr);
        auto* text = qobject_cast<QPlainTextEdit*>(content);
        auto* view = qobject_cast<BrowserView*>(content);
        const QString text_before = text != nullptr ? text->toPlainText() : QString();
        const QUrl url_before = view != nullptr ? view->RequestedUrl() : QUrl();
        test::ResizeOuter(window, outer);
        QTRY_COMPARE(content->geometry(), QRect(QPoint(7, 7), pixels));
        const TwipsRect place = ControlPlace(content);
        QCOMPARE(place.left, 100.f);
        QCOMPARE(place.top, 100.f);
        QCOMPARE(place.width, width);
        QCOMPARE(place.height, height);
        if (text != nullptr) QCOMPARE(text->toPlainText(), text_before);
        if (view != nullptr) {
            QCOMPARE(view->RequestedUrl(), url_before);
            QCOMPARE(view->parentWidget(), window->Client());
            QVERIFY(!view->isFullScreen());
        }
        if (form == 3) QVERIFY(p.forms().Form4().Picture1()->isVisible());
    }

    // The help window's picture keeps its place and size (8535 x 6855 twips) whatever the
    // window's size, and is drawn at its natural size, never scaled.
    void picture_is_never_scaled() {
        Program p;
        Form4Definition& help = p.forms().Form4();
        const QSize natural = zv::resources::OfflinePicture().size();
        for (const auto& [outer, view] : {std::pair{QSize(399, 184), QSize(380, 160)},
                                          std::pair{QSize(840, 690), QSize(800, 600)}}) {
            test::ResizeOuter(&help, outer);
            QTRY_COMPARE(help.WebBrowser1()->size(), view);  // laid out for the new size
            QCOMPARE(help.Picture1()->geometry(), QRect(0, 0, 569, 457));
            QVERIFY(!help.Picture1()->hasScaledContents());
            QCOMPARE(help.Picture1()->pixmap().size(), natural);
        }
    }

    // Re-created after its close box, a window is placed from the main window's geometry as
    // it is now, and stays hidden.
    void recreated_from_current_geometry() {
        Program p;
        Form1Definition& main = p.forms().Form1();
        main.SetLeft(300);
        main.SetWidth(6000);
        main.SetHeight(6600);
        p.forms().Window(FormId::Form2)->close();
        p.forms().Window(FormId::Form3)->close();
        test::FlushDeletes();
        Form2Definition& preview = p.forms().Form2();
        QVERIFY(preview.isHidden());
        QCOMPARE(preview.Left(), 6320.f);  // 20 twips right of the main window
        QCOMPARE(preview.Width(), 6000.f);
        QCOMPARE(preview.Height(), 6600.f);
        QCOMPARE(preview.Top(), main.Top());
        Form3Definition& unicode_window = p.forms().Form3();
        QVERIFY(unicode_window.isHidden());
        QCOMPARE(unicode_window.Left(), 300.f);
        QCOMPARE(unicode_window.Top(), 6720.f);     // 120 twips below it
        QCOMPARE(unicode_window.Height(), 4880.f);  // 11,520 - (6600 + 40)
        QCOMPARE(unicode_window.Text1()->font().pointSizeF(), 8.0);
        QVERIFY(unicode_window.Text1()->toPlainText().isEmpty());
    }

    // A main window enlarged beyond the screen leaves a re-created Unicode window a usable
    // height instead of none.
    void unicode_window_under_a_tall_main_window() {
        Program p;
        p.forms().Form1().SetHeight(ScreenHeight() + 3000);
        p.forms().Window(FormId::Form3)->close();
        test::FlushDeletes();
        Form3Definition& unicode_window = p.forms().Form3();
        QCOMPARE(unicode_window.Height(), 1440.f);  // one inch
        QVERIFY(ControlPlace(unicode_window.Text1()).height > 0);
    }

    void unicode_select_all_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("converted") << "R&#299;ga<Br>otra rinda";
    }
    void unicode_select_all() {
        QFETCH(QString, text);
        Program p;
        Form3Definition& unicode_window = p.forms().Form3();
        unicode_window.Text1()->setPlainText(text);
        unicode_window.show();
        unicode_window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&unicode_window));
        QTest::keyClick(&unicode_window, Qt::Key_A, Qt::ControlModifier);
        const QTextCursor cursor = unicode_window.Text1()->textCursor();
        QCOMPARE(cursor.selectionStart(), 0);
        QCOMPARE(cursor.selectionEnd(), text.size());
        QCOMPARE(unicode_window.Text1()->toPlainText(), text);
    }

    // "Aizvert logu" hides: the window stays loaded with its text, place and page, and
    // conversions keep updating it while hidden.
    void hidden_windows_keep_receiving() {
        Program p;
        ZvWindow* preview = p.forms().Window(FormId::Form2);
        ZvWindow* unicode_window = p.forms().Window(FormId::Form3);
        const QRect preview_place = preview->frameGeometry();
        static_cast<Form2*>(preview)->Menu().Close->trigger();
        static_cast<Form3*>(unicode_window)->Menu().close->trigger();
        QVERIFY(preview->isHidden());
        QVERIFY(unicode_window->isHidden());
        Form1& main = static_cast<Form1&>(p.forms().Form1());
        main.Text1()->setPlainText(QStringLiteral("Riiga"));
        main.Menu().Now->trigger();
        QCOMPARE(p.forms().Window(FormId::Form2), preview);
        QCOMPARE(p.forms().Form3().Text1()->toPlainText(), QStringLiteral("R&#299;ga"));
        QVERIFY(test::WaitForRenderedText(p.forms().Form2().WebBrowser1(),
                                          QString::fromUtf8("R\u012bga")));
        main.Menu().HTML->trigger();
        QVERIFY(preview->isVisible());
        QCOMPARE(preview->frameGeometry(), preview_place);
    }

    // The help page built into the program stands in for an online page that does not load,
    // and shows over the picture; a page that loads stays.
    void help_falls_back_on_the_shipped_page_data() {
        QTest::addColumn<int>("status");  // of the server; -1: no name service, -2: no server
        QTest::addColumn<bool>("falls_back");
        QTest::newRow("no name service") << -1 << true;
        QTest::newRow("connection refused") << -2 << true;
        QTest::newRow("no answer") << 0 << true;
        QTest::newRow("not found") << 404 << true;
        QTest::newRow("server error") << 500 << true;
        QTest::newRow("the online page") << 200 << false;
    }
    void help_falls_back_on_the_shipped_page() {
        QFETCH(int, status);
        QFETCH(bool, falls_back);
        const QUrl shipped = zv::resources::ShippedHelpPageUrl();
        const QString heading = QString::fromUtf8("ZV \u2013 Teksta Zilvardis");
        Program p;
        Form4Definition& help = p.forms().Form4();
        BrowserView* view = help.WebBrowser1();
        // The maker's site does not answer here either.
        QVERIFY(test::WaitForRenderedText(view, heading));
        QTRY_VERIFY(help.Picture1()->isHidden());

        test::WebServer server([status](const QByteArray&) { return OnlinePage(status); });
        if (status >= 0) ZV_REQUIRE_LOOPBACK();
        QString url = status == -1 ? QStringLiteral("http://zilvardis.invalid/zilvardo/banner.html")
                                   : server.Url("/zilvardo/banner.html");
        if (status == -2) server.close();
        if (status == 0) static_cast<Form4&>(help).SetWebPageTimeout(300);
        help.Picture1()->setVisible(true);
        view->Navigate(url);
        if (falls_back) {
            // The shipped page has loaded again.
            QTRY_VERIFY_WITH_TIMEOUT(help.Picture1()->isHidden(), 15000);
            QCOMPARE(view->url(), shipped);
            QVERIFY(test::WaitForRenderedText(view, heading));
        } else {
            QVERIFY(test::WaitForRenderedText(view, QStringLiteral("online page 200")));
            QCOMPARE(view->url(), QUrl(url));
            QVERIFY(!help.Picture1()->isHidden());
        }
    }

    // A help page that someone planted where the program used to look for its own (the data
    // folder beside the program's folder, the desktop's data folders) is never shown: the help
    // window falls back on the page built into the program.
    void help_shows_no_planted_page_data() {
        QTest::addColumn<QString>("data_folder");
        QTest::newRow("beside the program")
            << QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share");
        QTest::newRow("desktop data folder") << QString();
    }
    void help_shows_no_planted_page() {
        QFETCH(QString, data_folder);
        QTemporaryDir scratch;
        if (data_folder.isEmpty()) data_folder = scratch.path();
        QVERIFY2(!QFileInfo::exists(data_folder + "/zv"), qPrintable(data_folder));
        const bool made_folder = !QFileInfo::exists(data_folder);
        const QByteArray data_dirs = qgetenv("XDG_DATA_DIRS");
        const auto restore = qScopeGuard([&] {
            qputenv("XDG_DATA_DIRS", data_dirs);
            QDir(data_folder + "/zv").removeRecursively();
            if (made_folder) QDir().rmdir(data_folder);
        });
        const QString page = data_folder + "/zv/zilvardo/banner.html";
        QVERIFY(QDir().mkpath(QFileInfo(page).path()));
        QFile planted(page);
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.write("<!DOCTYPE html><p>PLANTED</p><script>document.write('SCRIPT')</script>");
        planted.close();
        // First of the desktop's data folders, which still hold the type of every file.
        qputenv("XDG_DATA_DIRS",
                data_folder.toLocal8Bit() + ':' +
                    (data_dirs.isEmpty() ? "/usr/local/share:/usr/share" : data_dirs));
        Program p;
        BrowserView* view = p.forms().Form4().WebBrowser1();
        QVERIFY(test::WaitForRenderedText(view, QString::fromUtf8("ZV \u2013 Teksta Zilvardis")));
        QCOMPARE(view->url(), zv::resources::ShippedHelpPageUrl());
        QVERIFY(!test::RenderedText(view).contains("PLANTED"));
    }

    // The help window's close command keeps the picture as it was.
    void help_close_keeps_picture() {
        Program p;
        Form4Definition& help = p.forms().Form4();
        help.Picture1()->setVisible(false);
        static_cast<Form4&>(help).Menu().Close->trigger();
        QVERIFY(help.isHidden());
        QVERIFY(help.Picture1()->isHidden());
        QVERIFY(p.forms().IsLoaded(FormId::Form4));
    }
};

int main(int argc, char** argv) {
    SecondaryWindowsTest test;
    return zv::ui::test::RunUiTest(argc, argv, &test);
}
#include "test_ui_secondary.moc"
