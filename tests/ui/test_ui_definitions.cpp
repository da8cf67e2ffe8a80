// The windows as defined (captions, menus, controls), the message box, the error dispatcher
// and the browser view.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "document/unicode_document.h"
#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/form4_definition.h"
#include "ui/definitions/handlers.h"
#include "ui/definitions/twips.h"
#include "ui_test_support.h"

using namespace zv::ui;

namespace {

// The definitions alone, without behaviour.
template <class Definition>
class Bare : public Definition {
  public:
    void Form_Load() override {}
    void Form_Resize() override {}
};

std::unique_ptr<ZvWindow> MakeWindow(const QString& name) {
    if (name == "Form1") return std::make_unique<Bare<Form1Definition>>();
    if (name == "Form2") return std::make_unique<Bare<Form2Definition>>();
    if (name == "Form3") return std::make_unique<Bare<Form3Definition>>();
    return std::make_unique<Bare<Form4Definition>>();
}

// The caption as the user sees it: "&&" is one "&", a single "&" would be an access key.
QString Shown(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("&&"), QLatin1String("\x01"));
    if (shown.contains(QLatin1Char('&'))) return QStringLiteral("<access key in: ") + text + ">";
    shown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return shown;
}

// A menu-bar title or menu item on one line: its name, its caption as shown (in quotes), its
// shortcut, its check mark ("[x]" marked, "[ ]" not), and whatever is unusual about it.
QString MenuLine(const QAction& action) {
    if (action.isSeparator()) return QStringLiteral("--------");
    QStringList parts{action.objectName(), '"' + Shown(action.text()) + '"'};
    if (!action.shortcuts().isEmpty()) {
        parts << QKeySequence::listToString(action.shortcuts(), QKeySequence::PortableText);
        if (action.shortcutContext() != Qt::WindowShortcut) parts << "(beyond its window)";
    }
    if (action.isCheckable()) parts << (action.isChecked() ? "[x]" : "[ ]");
    if (!action.isEnabled()) parts << "(disabled)";
    if (!action.isVisible()) parts << "(hidden)";
    return parts.join(QLatin1Char(' '));
}

// A window's menu bar, a line for each title and (indented below it) each item of its menu.
QStringList MenuTree(const QMainWindow& window) {
    QStringList lines{window.objectName()};
    for (const QAction* title : window.menuBar()->actions()) {
        lines << "  " + MenuLine(*title) + (title->menu() == nullptr ? " (opens no menu)" : "");
        if (title->menu() == nullptr) continue;
        for (const QAction* item : title->menu()->actions()) lines << "    " + MenuLine(*item);
    }
    return lines;
}

// A text box on one line: its colours, its font, its scroll bars, whether it can be typed in and
// whether it holds text.
QString TextBoxLine(const QPlainTextEdit& box) {
    // A font the definition does not set is the desktop's, which differs from one to another.
    const QFont font = box.font();
    const QString font_line = font.resolveMask() == 0 ? QStringLiteral("the desktop's font")
                                                      : QString("font \"%1\" %2 pt%3")
                                                            .arg(font.family())
                                                            .arg(font.pointSizeF())
                                                            .arg(font.bold() ? " bold" : "");
    QStringList parts{
        box.objectName() + ": text box",
        "text " + box.palette().color(QPalette::Text).name() + " on " +
            box.palette().color(QPalette::Base).name(),
        font_line,
        box.verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? "vertical scroll bar"
                                                               : "no vertical scroll bar",
        box.horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff ? "no horizontal scroll bar"
                                                                  : "horizontal scroll bar",
        box.isReadOnly() ? "read-only" : "editable",
        box.toPlainText().isEmpty() ? "empty" : "holds text"};
    return parts.join(QStringLiteral(", "));
}

// A window as its definition makes it: its name and caption, its timer and text box, and its
// menus (MenuTree).
QStringList WindowDump(const QMainWindow& window) {
    QStringList lines{window.objectName() + " \"" + window.windowTitle() + '"'};
    if (const auto* timer = window.findChild<QTimer*>("Timer1")) {
        lines << QString("  Timer1: timer, every %1 ms, %2")
                     .arg(timer->interval())
                     .arg(timer->isActive() ? "running" : "stopped");
    }
    if (const auto* box = window.findChild<QPlainTextEdit*>("Text1")) {
        lines << "  " + TextBoxLine(*box);
    }
    lines << MenuTree(window).mid(1);
    return lines;
}

void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Evaluates script in a world of its own (page scripts may be switched off) and returns
// the result as text.
QString Evaluate(BrowserView* view, const QString& script) {
    return test::RunScript(view, script, 10000).toString();
}

// Clicks the middle of the element with the given id with the mouse, as a user would.
bool UserClick(BrowserView* view, const QString& id) {
    const QStringList box =
        Evaluate(view, "(function(){var r=document.getElementById('" + id +
                           "').getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2]"
                           ".join(',');})()")
            .split(',');
    if (box.size() != 2 || view->focusProxy() == nullptr) return false;
    const QPoint middle(qRound(box[0].toDouble()), qRound(box[1].toDouble()));
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, middle);
    return true;
}

// The address of the link that a page of the link tests ends with and that the test clicks
// last. A link to a scheme the view cannot show itself reaches the view's policy later than a
// web link clicked after it; this one comes after every decision on an earlier click.
const QUrl kLastLink("mailto:last@example.org");

// The addresses in a fixed order, to compare lists that came in any order.
QList<QUrl> Sorted(QList<QUrl> urls) {
    std::sort(urls.begin(), urls.end(),
              [](const QUrl& a, const QUrl& b) { return a.toString() < b.toString(); });
    return urls;
}

bool Load(BrowserView* view, const QString& where) {
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    view->Navigate(where);
    return finished.wait(15000);
}

}  // namespace

class DefinitionsTest : public QObject {
    Q_OBJECT

  public:
    Q_INVOKABLE void handle(const QUrl& url) { opened_.append(url); }

  private:
    QList<QUrl> opened_;
    QTemporaryDir dir_;

  private slots:
    // The four windows as their definitions make them, against windows.golden: name and
    // caption, timer, text box, and every menu-bar title and item in order, with its name,
    // caption as shown, shortcut and check mark.
    void definitions() {
        QFile file(QStringLiteral(ZV_WINDOWS_GOLDEN));
        QVERIFY2(file.open(QIODevice::ReadOnly), ZV_WINDOWS_GOLDEN);
        QStringList golden = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        golden.removeIf([](const QString& line) { return line.startsWith(QLatin1Char('#')); });
        QStringList dump;
        for (const char* name : {"Form1", "Form2", "Form3", "Form4"}) {
            dump << WindowDump(*MakeWindow(name)) << QString();
        }
        if (dump != golden) qWarning().noquote() << "The windows as defined:\n" + dump.join('\n');
        QCOMPARE(dump, golden);
    }

    // The running program's windows keep their definitions' captions and menus, and the main
    // window's timer runs.
    void running_windows_keep_their_definitions() {
        test::Program p;
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            const ZvWindow& running = *p.forms().Window(id);
            const auto defined = MakeWindow(running.objectName());
            QCOMPARE(running.windowTitle(), defined->windowTitle());
            QCOMPARE(MenuTree(running), MenuTree(*defined));
        }
        QVERIFY(p.forms().Form1().findChild<QTimer*>("Timer1")->isActive());
    }

    // A screen reader names each content control by its window's caption, without the padding
    // blanks, and says what it holds.
    void accessible_names_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        QTest::newRow("input") << "Form1"
                               << "Text1"
                               << "ZV -- Teksta Zilvardis v.0.98s -- (Enter or paste text here)";
        QTest::newRow("preview") << "Form2"
                                 << "WebBrowser1"
                                 << "Preview HTML (Copy & paste to mail)";
        QTest::newRow("unicode") << "Form3"
                                 << "Text1"
                                 << "Unicode (Copy & paste to HTML editor)";
        QTest::newRow("help view") << "Form4"
                                   << "WebBrowser1"
                                   << "Online paligs (help)";
        QTest::newRow("picture") << "Form4"
                                 << "Picture1"
                                 << "Online paligs (help)";
    }
    void accessible_names() {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QString, name);
        const auto form = MakeWindow(window);
        auto* widget = form->findChild<QWidget*>(control);
        QVERIFY(widget != nullptr);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible != nullptr);
        QCOMPARE(accessible->text(QAccessible::Name), name);
        QVERIFY(!accessible->text(QAccessible::Description).isEmpty());
    }

    void picture_lies_over_the_view() {
        const auto form = MakeWindow("Form4");
        auto* picture = form->findChild<QLabel*>("Picture1");
        auto* view = form->findChild<BrowserView*>("WebBrowser1");
        QVERIFY(picture != nullptr && view != nullptr);
        QVERIFY(!picture->isHidden());
        QVERIFY(!picture->hasScaledContents());
        QCOMPARE(picture->alignment(), Qt::AlignLeft | Qt::AlignTop);
        QCOMPARE(picture->pixmap().size(), zv::resources::OfflinePicture().size());
        QCOMPARE(picture->pos(), QPoint(0, 0));
        // Stacking: later siblings lie above earlier ones.
        const QObjectList siblings = picture->parent()->children();
        QVERIFY(siblings.indexOf(picture) > siblings.indexOf(view));
    }

    void message_box_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::newRow("OK only") << int(MessageStyle::Ok) << int(QMessageBox::NoIcon);
        QTest::newRow("information")
            << int(MessageStyle::OkInformation) << int(QMessageBox::Information);
    }
    void message_box() {
        QFETCH(int, style);
        QFETCH(int, icon);
        QString title, text;
        int shown_icon = -1;
        int buttons = 0;
        bool selectable = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            title = box->windowTitle();
            text = box->text();
            shown_icon = box->icon();
            buttons = box->buttons().size();
            selectable = box->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
            box->button(QMessageBox::Ok)->click();
        });
        poll.start();
        ShowMessage(QStringLiteral("Ja iet runa par arshanu, raksta pa-art, pa-aris"),
                    static_cast<MessageStyle>(style));
        poll.stop();
        QCOMPARE(title, QStringLiteral("Zilvardizer_3"));
        QCOMPARE(text, QStringLiteral("Ja iet runa par arshanu, raksta pa-art, pa-aris"));
        QCOMPARE(shown_icon, icon);
        QCOMPARE(buttons, 1);
        QVERIFY(selectable);
    }

    // An error that escapes a handler is shown, with its reason in Latvian where the program
    // knows one (the system's words where not), and goes no further.
    void dispatcher_reports_and_continues() {
        std::vector<MessageRequest> shown;
        SetMessageHook([&](const MessageRequest& request) { shown.push_back(request); });
        const bool ok = Dispatch([] {
            throw zv::DocumentError("/nowhere/unitext.html", ENOSPC, "No space left on device");
        });
        const bool ok2 = Dispatch([] { throw 42; });
        const bool ok3 = Dispatch([] {});
        Dispatch([] { throw zv::DocumentError("/a/unitext.html", ETXTBSY, "Text file busy"); });
        Dispatch([] { zv::ui::CheckedQuotient(1, 0); });
        SetMessageHook({});
        QVERIFY(!ok);
        QVERIFY(!ok2);
        QVERIFY(ok3);
        QCOMPARE(shown.size(), std::size_t(4));
        QCOMPARE(shown[0].text,
                 QStringLiteral("Kluda: Nevar ierakstit /nowhere/unitext.html: diska nav vietas"));
        QCOMPARE(shown[0].caption, QStringLiteral("Zilvardizer_3"));
        QCOMPARE(shown[1].text, QStringLiteral("Kluda: nezinama kluda"));
        QCOMPARE(shown[2].text,
                 QStringLiteral("Kluda: Nevar ierakstit /a/unitext.html: Text file busy"));
        QCOMPARE(shown[3].text, QStringLiteral("Kluda: dalisana ar nulli"));
    }

    void addresses_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("path") << "/tmp/a b/unitext.html"
                              << QUrl::fromLocalFile("/tmp/a b/unitext.html");
        QTest::newRow("doubled slash")
            << "/tmp/x//unitext.html" << QUrl::fromLocalFile("/tmp/x/unitext.html");
        QTest::newRow("http") << "http://zilvardis.example.org/zilvardo/banner.html"
                              << QUrl("http://zilvardis.example.org/zilvardo/banner.html");
        QTest::newRow("https") << "https://example.org/a" << QUrl("https://example.org/a");
        QTest::newRow("built-in page")
            << "qrc:/zv/zilvardo/banner.html" << QUrl("qrc:/zv/zilvardo/banner.html");
        QTest::newRow("colon in a path") << "/tmp/c:d.html" << QUrl::fromLocalFile("/tmp/c:d.html");
    }
    void addresses() {
        QFETCH(QString, where);
        QFETCH(QUrl, url);
        QCOMPARE(BrowserView::AddressToUrl(where), url);
    }

    // The view loads only after the caller has returned to the event loop: a file written
    // after Navigate() is the one shown. Navigating to the same path again shows the file as
    // it is now, not a cached copy.
    void navigation_is_deferred_and_uncached() {
        BrowserView view(BrowserView::Content::Untrusted);
        const QString path = dir_.filePath("deferred.html");
        QSignalSpy finished(&view, &QWebEngineView::loadFinished);
        view.Navigate(path);
        WriteText(path, "<p>first</p>");
        QVERIFY(finished.wait(15000));
        QCOMPARE(test::RenderedText(&view).trimmed(), QStringLiteral("first"));
        for (const char* next : {"second", "third"}) {
            finished.clear();
            view.Navigate(path);
            WriteText(path, QByteArray("<p>") + next + "</p>");
            QVERIFY(finished.wait(15000));
            QCOMPARE(test::RenderedText(&view).trimmed(), QString::fromLatin1(next));
        }
    }

    // A document whose bytes have not changed is not loaded again (a large one takes the
    // view long); one that has changed is.
    void unchanged_document_is_not_reloaded() {
        BrowserView view(BrowserView::Content::Untrusted);
        const QString path = dir_.filePath("same.html");
        WriteText(path, "<p>same</p>");
        QSignalSpy started(&view, &QWebEngineView::loadStarted);
        QSignalSpy finished(&view, &QWebEngineView::loadFinished);
        view.Navigate(path);
        QVERIFY(finished.wait(15000));
        started.clear();
        finished.clear();
        view.Navigate(path);
        WriteText(path, "<p>same</p>");
        // The view has taken that request up once a call queued after it has run.
        bool taken_up = false;
        QMetaObject::invokeMethod(
            &view, [&] { taken_up = true; }, Qt::QueuedConnection);
        QVERIFY(QTest::qWaitFor([&] { return taken_up; }, 5000));
        view.Navigate(path);
        WriteText(path, "<p>changed</p>");
        QVERIFY(finished.wait(15000));
        QVERIFY(test::WaitForRenderedText(&view, QStringLiteral("changed")));
        QCOMPARE(started.count(), 1);  // the changed file's load only
    }

    // A FIFO put in the document's place is neither read by the window, which would wait for a
    // writer, nor shown: the view shows an empty page. Should anything open it for reading,
    // a writer comes after 10 seconds to let it go on, and the test fails.
    void fifo_in_the_documents_place_is_not_read() {
        BrowserView view(BrowserView::Content::Untrusted);
        const QString path = dir_.filePath("fifo.html");
        const QByteArray name = QFile::encodeName(path);
        QCOMPARE(mkfifo(name.constData(), 0600), 0);
        std::mutex mutex;
        std::condition_variable done_changed;
        bool done = false, released = false;
        std::thread writer([&] {
            std::unique_lock lock(mutex);
            if (done_changed.wait_for(lock, std::chrono::seconds(10), [&] { return done; })) return;
            const int fd = open(name.constData(), O_WRONLY | O_NONBLOCK);  // a reader waits
            released = fd >= 0;
            if (fd >= 0) close(fd);
        });
        QSignalSpy finished(&view, &QWebEngineView::loadFinished);
        view.Navigate(path);
        const bool loaded = finished.wait(15000);
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        done_changed.notify_all();
        writer.join();
        QVERIFY(!released);
        QVERIFY(loaded);
        QCOMPARE(view.page()->url(), QUrl(QStringLiteral("about:blank")));
    }

    // Neither view runs the scripts of its page or lets it read local files: the preview shows
    // the user's text, the help view a page from the web. The help view shows no local file at
    // all.
    void content_runs_no_script_and_reads_no_file_data() {
        QTest::addColumn<bool>("help");
        QTest::addColumn<bool>("from_the_web");
        QTest::addColumn<bool>("shown");
        QTest::newRow("preview, local file") << false << false << true;
        QTest::newRow("help, web page") << true << true << true;
        QTest::newRow("help, local file") << true << false << false;
    }
    void content_runs_no_script_and_reads_no_file() {
        QFETCH(bool, help);
        QFETCH(bool, from_the_web);
        QFETCH(bool, shown);
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString picture_path = dir_.filePath("local.png");
        QVERIFY(picture.save(picture_path));
        const QByteArray page = "<p id='x'>before</p><img id='i' src='" +
                                QUrl::fromLocalFile(picture_path).toEncoded() +
                                "'><script>document.getElementById('x').textContent='after';"
                                "</script>";
        const QString path = dir_.filePath("page.html");
        WriteText(path, page);
        test::WebServer server([&](const QByteArray&) {
            return test::WebServer::Reply{200, page};
        });
        if (from_the_web) ZV_REQUIRE_LOOPBACK();
        BrowserView view(help ? BrowserView::Content::Help : BrowserView::Content::Untrusted);
        QVERIFY(Load(&view, from_the_web ? server.Url("/page.html") : path));
        const QString text = test::RenderedText(&view);
        QVERIFY2(!text.contains("after"), qPrintable(text));
        QCOMPARE(text.contains("before"), shown);
        if (shown) {
            // The picture has been refused.
            QTRY_COMPARE_WITH_TIMEOUT(
                Evaluate(&view, "String(document.getElementById('i').complete)"),
                QStringLiteral("true"), 10000);
            QCOMPARE(Evaluate(&view, "String(document.getElementById('i').naturalWidth)"),
                     QStringLiteral("0"));
        }
    }

    // Pasted HTML that tries to load or launch things, with the desktop's opener replaced by
    // a recorder. As in the program, the document is shown, rewritten and shown again (a
    // reload, after which a frame's navigation passes for a clicked link). Each page ends with
    // a link that the test clicks with the mouse last: once its address is recorded,
    // everything the page did before has been decided, and only the address of a link the user
    // clicked first may come before it. The preview keeps showing the document throughout.
    void preview_launches_only_clicked_links_data() {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("mouse_click");   // id of an element the user clicks first
        QTest::addColumn<QString>("script_click");  // id of an element a script clicks
        QTest::addColumn<QString>("handed");        // the address that click hands out
        const QByteArray server = "http://127.0.0.1:8765";
        const QByteArray desktop = QUrl::fromLocalFile(dir_.filePath("start.desktop")).toEncoded();
        QTest::newRow("iframe") << "<iframe src=" + server + "/frame></iframe>"
                                << ""
                                << ""
                                << "";
        QTest::newRow("object") << "<object data=" + server + "/object></object>"
                                << ""
                                << ""
                                << "";
        QTest::newRow("embed") << "<embed src=" + server + "/embed>"
                               << ""
                               << ""
                               << "";
        QTest::newRow("data frame")
            << QByteArray("<iframe src='data:text/html,<p>inner</p>'></iframe>") << ""
            << ""
            << "";
        QTest::newRow("desktop file frame") << "<iframe src=" + desktop + "></iframe>"
                                            << ""
                                            << ""
                                            << "";
        QTest::newRow("mailto frame")
            << QByteArray("<iframe src=mailto:a@example.org></iframe>") << ""
            << ""
            << "";
        QTest::newRow("meta refresh")
            << "<meta http-equiv=refresh content='0;url=" + server + "/refresh'>"
            << ""
            << ""
            << "";
        QTest::newRow("meta refresh to itself")
            << QByteArray("<meta http-equiv=refresh content=0>") << ""
            << ""
            << "";
        QTest::newRow("form submitted")
            << "<form action=" + server + "/form><input type=submit id=go value=Go></form>"
            << "go"
            << ""
            << "";
        QTest::newRow("javascript link")
            << QByteArray("<a id=go href='javascript:void(0)'>go</a>") << "go"
            << ""
            << "";
        QTest::newRow("file link") << "<a id=go href=" + desktop + ">go</a>"
                                   << "go"
                                   << ""
                                   << "";
        QTest::newRow("link to a new window")
            << "<a id=go target=_blank href=" + server + "/blank>go</a>"
            << "go"
            << "" << QString::fromLatin1(server + "/blank");
        QTest::newRow("link to a named window")
            << "<a id=go target=elsewhere href=" + server + "/named>go</a>"
            << "go"
            << "" << QString::fromLatin1(server + "/named");
        QTest::newRow("link under a base target")
            << "<base target=_blank><a id=go href=" + server + "/based>go</a>"
            << "go"
            << "" << QString::fromLatin1(server + "/based");
        QTest::newRow("new window by a script")
            << "<a id=go target=_blank href=" + server + "/scripted-blank>go</a>"
            << ""
            << "go"
            << "";
        QTest::newRow("mailto link with attachments")
            << QByteArray(
                   "<a id=go href='mailto:a@example.org?subject=Hi&attach=/etc/passwd"
                   "&ATTACHMENT=%2Fetc%2Fshadow;att%61ch=x&body=text'>go</a>")
            << "go"
            << ""
            << "mailto:a@example.org?subject=Hi&body=text";
        QTest::newRow("smb link") << QByteArray("<a id=go href=smb://127.0.0.1/share>go</a>")
                                  << "go"
                                  << ""
                                  << "";
        QTest::newRow("link clicked by a script") << "<a id=go href=" + server + "/scripted>go</a>"
                                                  << ""
                                                  << "go"
                                                  << "";
    }
    void preview_launches_only_clicked_links() {
        QFETCH(QByteArray, html);
        QFETCH(QString, mouse_click);
        QFETCH(QString, script_click);
        QFETCH(QString, handed);
        WriteText(dir_.filePath("start.desktop"),
                  "[Desktop Entry]\nType=Application\nName=x\nExec=touch /tmp/zv-launched\n");
        const QString path = dir_.filePath("payload.html");
        const QStringList schemes = {"http", "https",      "mailto", "file",
                                     "data", "javascript", "smb"};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "handle");
        opened_.clear();
        BrowserView view(BrowserView::Content::Untrusted);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        WriteText(path, "<p>before</p>");
        QVERIFY(Load(&view, path));
        WriteText(path, "<p>DOCUMENT</p>" + html + "<p><a id=last href=" + kLastLink.toEncoded() +
                            ">last</a></p>");
        QVERIFY(Load(&view, path));
        if (!mouse_click.isEmpty()) QVERIFY(UserClick(&view, mouse_click));
        if (!script_click.isEmpty()) {
            Evaluate(&view, "document.getElementById('" + script_click + "').click(); 1");
        }
        QVERIFY(UserClick(&view, "last"));
        QTRY_VERIFY_WITH_TIMEOUT(opened_.contains(kLastLink), 10000);
        for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
        QList<QUrl> expected{kLastLink};
        if (!handed.isEmpty()) expected.prepend(QUrl(handed));
        QCOMPARE(Sorted(opened_), Sorted(expected));
        QCOMPARE(view.url(), QUrl::fromLocalFile(path));
        QVERIFY(test::RenderedText(&view).contains("DOCUMENT"));
    }

    // Links the user clicks on a page served as the online help: only http, https and mailto go
    // anywhere. Another page of the same site opens in place; the rest goes to the desktop (a
    // mailto link without its attachments). As in the preview's test, the page ends with a
    // mail link that the test clicks last.
    void help_view_follows_only_web_and_mail_links_data() {
        QTest::addColumn<QByteArray>("link");  // clicked first
        QTest::addColumn<QString>("handed");   // what it hands to the desktop; SITE: the server
        QTest::addColumn<bool>("in_place");    // it opens in the view
        QTest::newRow("smb") << QByteArray("<a id=go href=smb://127.0.0.1/share>go</a>") << ""
                             << false;
        QTest::newRow("ssh") << QByteArray("<a id=go href=ssh://127.0.0.1/>go</a>") << "" << false;
        QTest::newRow("file") << QByteArray("<a id=go href=file:///etc/hostname>go</a>") << ""
                              << false;
        QTest::newRow("smb in a new window")
            << QByteArray("<a id=go target=_blank href=smb://127.0.0.1/share>go</a>") << ""
            << false;
        QTest::newRow("mailto with an attachment")
            << QByteArray("<a id=go href='mailto:a@example.org?Attach=/etc/hostname'>go</a>")
            << "mailto:a@example.org" << false;
        QTest::newRow("page of the site")
            << QByteArray("<a id=go href=/zilvardo/feedback.htm>go</a>") << "" << true;
        QTest::newRow("site page in a new window")
            << QByteArray("<a id=go target=_blank href=/zilvardo/feedback.htm>go</a>")
            << "SITE/zilvardo/feedback.htm" << false;
    }
    void help_view_follows_only_web_and_mail_links() {
        QFETCH(QByteArray, link);
        QFETCH(QString, handed);
        QFETCH(bool, in_place);
        test::WebServer server([&](const QByteArray& path) {
            if (path == "/zilvardo/feedback.htm")
                return test::WebServer::Reply{200, "<p>FEEDBACK</p>"};
            return test::WebServer::Reply{200, "<p>HELP</p>" + link + "<p><a id=last href=" +
                                                   kLastLink.toEncoded() + ">last</a></p>"};
        });
        ZV_REQUIRE_LOOPBACK();
        const QStringList schemes = {"http", "https", "mailto", "file", "smb", "ssh"};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "handle");
        opened_.clear();
        BrowserView view(BrowserView::Content::Help);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QUrl page(server.Url("/zilvardo/banner.html"));
        QVERIFY(Load(&view, page.toString()));
        QVERIFY(UserClick(&view, "go"));
        QList<QUrl> expected;
        if (!handed.isEmpty()) expected << QUrl(handed.replace("SITE", server.Url("")));
        if (in_place) {
            QVERIFY(test::WaitForRenderedText(&view, "FEEDBACK"));
            QCOMPARE(view.url(), QUrl(server.Url("/zilvardo/feedback.htm")));
        } else {
            QVERIFY(UserClick(&view, "last"));
            QTRY_VERIFY_WITH_TIMEOUT(opened_.contains(kLastLink), 10000);
            QCOMPARE(view.url(), page);
            expected << kLastLink;
        }
        for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(Sorted(opened_), Sorted(expected));
    }
};

int main(int argc, char** argv) {
    DefinitionsTest test;
    return zv::ui::test::RunUiTest(argc, argv, &test);
}
#include "test_ui_definitions.moc"
