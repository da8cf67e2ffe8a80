// The windows as defined (captions, menus, controls), the message box, the error dispatcher
// and the browser view.
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
#include <memory>

#include "document/unicode_document.h"
#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/form1_definition.h"
#include "ui/definitions/form2_definition.h"
#include "ui/definitions/form3_definition.h"
#include "ui/definitions/form4_definition.h"
#include "ui/definitions/handlers.h"
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

QString Blanks(int n) { return QString(n, QLatin1Char(' ')); }

void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Evaluates script in a world of its own (page scripts may be switched off) and returns
// the result as text.
QString Evaluate(BrowserView* view, const QString& script) {
    QString value;
    bool done = false;
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                [&](const QVariant& result) {
                                    value = result.toString();
                                    done = true;
                                });
    (void)QTest::qWaitFor([&] { return done; }, 10000);
    return value;
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
    void captions_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Form1")
            << "Form1"
            << "ZV  --  Teksta Zilvardis  v.0.98s -- (Enter or paste text here) ";
        QTest::newRow("Form2") << "Form2"
                               << "Preview HTML (Copy & paste to mail)";
        QTest::newRow("Form3") << "Form3"
                               << "Unicode (Copy & paste to HTML editor)";
        QTest::newRow("Form4") << "Form4"
                               << "Online paligs (help)";
    }
    void captions() {
        QFETCH(QString, window);
        QFETCH(QString, caption);
        const auto form = MakeWindow(window);
        QCOMPARE(form->objectName(), window);
        QCOMPARE(form->windowTitle(), caption);
    }

    // Every menu item: where it sits (menu bar position / position in its menu), its caption
    // exactly as shown, its shortcut and its check mark.
    void menus_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("path");  // "3" = third menu-bar title, "3.2" = its 2nd item
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QKeySequence>("shortcut");
        QTest::addColumn<int>("mark");  // -1 no check mark possible, 0 unmarked, 1 marked
        const QKeySequence none;
        QTest::newRow("1: 1") << "Form1"
                              << "1"
                              << "File"
                              << "ZV" << none << -1;
        QTest::newRow("1: 1.1") << "Form1"
                                << "1.1"
                                << "Quit"
                                << "Iziet" << QKeySequence(Qt::CTRL | Qt::Key_Q) << -1;
        QTest::newRow("1: 1.2") << "Form1"
                                << "1.2"
                                << "About"
                                << "Par ZV" << none << -1;
        QTest::newRow("1: 2") << "Form1"
                              << "2"
                              << "Window"
                              << "Logi" << none << -1;
        QTest::newRow("1: 2.1") << "Form1"
                                << "2.1"
                                << "Help"
                                << "Online Paligs" << QKeySequence(Qt::Key_F1) << -1;
        QTest::newRow("1: 2.2") << "Form1"
                                << "2.2"
                                << "HTML"
                                << "HTML" << QKeySequence(Qt::Key_F2) << -1;
        QTest::newRow("1: 2.3") << "Form1"
                                << "2.3"
                                << "Unicodedtext"
                                << "Unikod. teksts " << QKeySequence(Qt::Key_F3) << -1;
        QTest::newRow("1: 3") << "Form1"
                              << "3"
                              << "Zilvardize"
                              << "Zilvardo" << none << -1;
        QTest::newRow("1: 3.1") << "Form1"
                                << "3.1"
                                << "Now"
                                << "Tagad" << QKeySequence(Qt::Key_F5) << -1;
        QTest::newRow("1: 3.2") << "Form1"
                                << "3.2"
                                << "every"
                                << "Katras 10 sek" << QKeySequence(Qt::Key_F6) << 0;
        QTest::newRow("1: 3.3") << "Form1"
                                << "3.3"
                                << "Never"
                                << "Nekad" << QKeySequence(Qt::Key_F7) << 1;
        QTest::newRow("1: 3.4") << "Form1"
                                << "3.4"
                                << "select_all"
                                << "Izvelies visu" << QKeySequence(Qt::CTRL | Qt::Key_A) << -1;
        QTest::newRow("1: 4") << "Form1"
                              << "4"
                              << "betatest" << Blanks(54) + "Atsauksmes" << none << -1;
        QTest::newRow("1: 4.1") << "Form1"
                                << "4.1"
                                << "feedback" << Blanks(42) + "Izpildi online feedback" << none
                                << -1;
        QTest::newRow("1: 4.2") << "Form1"
                                << "4.2"
                                << "feedback3" << Blanks(44) + "Paldies!" + Blanks(74) << none
                                << -1;
        QTest::newRow("1: 5") << "Form1"
                              << "5"
                              << "Lang" << QString::fromUtf8("Valoda/Language/språk") << none << -1;
        QTest::newRow("2: 1") << "Form2"
                              << "1"
                              << "File"
                              << "Iziet" << none << -1;
        QTest::newRow("2: 1.1") << "Form2"
                                << "1.1"
                                << "Exit"
                                << "Iziet" << QKeySequence(Qt::CTRL | Qt::Key_Q) << -1;
        QTest::newRow("2: 1.2") << "Form2"
                                << "1.2"
                                << "Close"
                                << "Aizvert logu" << QKeySequence(Qt::CTRL | Qt::Key_W) << -1;
        QTest::newRow("3: 1") << "Form3"
                              << "1"
                              << "quit3"
                              << "Iziet" << none << -1;
        QTest::newRow("3: 1.1") << "Form3"
                                << "1.1"
                                << "select_all"
                                << "Izvelies visu" << QKeySequence(Qt::CTRL | Qt::Key_A) << -1;
        QTest::newRow("3: 1.2") << "Form3"
                                << "1.2"
                                << "quit"
                                << "Iziet" << QKeySequence(Qt::CTRL | Qt::Key_Q) << -1;
        QTest::newRow("3: 1.3") << "Form3"
                                << "1.3"
                                << "close"
                                << "Aizvert logu" << QKeySequence(Qt::CTRL | Qt::Key_W) << -1;
        QTest::newRow("4: 1") << "Form4"
                              << "1"
                              << "Iziet"
                              << "Iziet" << none << -1;
        QTest::newRow("4: 1.1") << "Form4"
                                << "1.1"
                                << "Quit"
                                << "Iziet" << QKeySequence(Qt::CTRL | Qt::Key_Q) << -1;
        QTest::newRow("4: 1.2") << "Form4"
                                << "1.2"
                                << "Close"
                                << "Aizvert logu" << QKeySequence(Qt::CTRL | Qt::Key_W) << -1;
    }
    void menus() {
        QFETCH(QString, window);
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QKeySequence, shortcut);
        QFETCH(int, mark);
        const auto form = MakeWindow(window);
        const QStringList steps = path.split('.');
        const QList<QAction*> bar = form->menuBar()->actions();
        const int top = steps[0].toInt() - 1;
        QVERIFY(top < bar.size());
        QAction* action = bar[top];
        if (steps.size() == 2) {
            QVERIFY(action->menu() != nullptr);
            const QList<QAction*> items = action->menu()->actions();
            const int index = steps[1].toInt() - 1;
            QVERIFY(index < items.size());
            action = items[index];
            for (QAction* item : items) QVERIFY(!item->isSeparator());
        }
        QCOMPARE(action->objectName(), name);
        QCOMPARE(Shown(action->text()), caption);
        QCOMPARE(action->shortcut(), shortcut);
        if (!shortcut.isEmpty()) QCOMPARE(action->shortcutContext(), Qt::WindowShortcut);
        QVERIFY(action->isEnabled());
        QVERIFY(action->isVisible());
        if (mark < 0) {
            QVERIFY(!action->isCheckable());
        } else {
            QVERIFY(action->isCheckable());
            QCOMPARE(action->isChecked(), mark == 1);
        }
    }

    void menu_bar_sizes_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QList<int>>("items");  // items per menu-bar title, -1: opens no menu
        QTest::newRow("Form1") << "Form1" << QList<int>{2, 3, 4, 2, -1};
        QTest::newRow("Form2") << "Form2" << QList<int>{2};
        QTest::newRow("Form3") << "Form3" << QList<int>{3};
        QTest::newRow("Form4") << "Form4" << QList<int>{2};
    }
    void menu_bar_sizes() {
        QFETCH(QString, window);
        QFETCH(QList<int>, items);
        const auto form = MakeWindow(window);
        const QList<QAction*> bar = form->menuBar()->actions();
        QCOMPARE(bar.size(), items.size());
        for (int i = 0; i < bar.size(); ++i) {
            if (items[i] < 0) {
                QVERIFY(bar[i]->menu() == nullptr);
            } else {
                QVERIFY(bar[i]->menu() != nullptr);
                QCOMPARE(bar[i]->menu()->actions().size(), items[i]);
            }
        }
    }

    void text_boxes_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("times_bold");
        QTest::newRow("Form1") << "Form1" << QColor(128, 0, 0) << true;
        QTest::newRow("Form3") << "Form3" << QColor(0, 0, 192) << false;
    }
    void text_boxes() {
        QFETCH(QString, window);
        QFETCH(QColor, color);
        QFETCH(bool, times_bold);
        const auto form = MakeWindow(window);
        auto* text = form->findChild<QPlainTextEdit*>("Text1");
        QVERIFY(text != nullptr);
        QVERIFY(text->toPlainText().isEmpty());
        QVERIFY(!text->isReadOnly());
        QCOMPARE(text->palette().color(QPalette::Text), color);
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(text->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(text->font().bold(), times_bold);
        if (times_bold) {
            QCOMPARE(text->font().family(), QStringLiteral("Times New Roman"));
            QCOMPARE(text->font().pointSizeF(), 12.0);
        }
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

    void timer_runs_from_creation() {
        const auto form = MakeWindow("Form1");
        auto* timer = form->findChild<QTimer*>("Timer1");
        QVERIFY(timer != nullptr);
        QCOMPARE(timer->interval(), 10000);
        QVERIFY(timer->isActive());
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

    // An error that escapes a handler is shown, with its reason, and goes no further.
    void dispatcher_reports_and_continues() {
        std::vector<MessageRequest> shown;
        SetMessageHook([&](const MessageRequest& request) { shown.push_back(request); });
        const bool ok = Dispatch(
            [] { throw zv::DocumentError("/nowhere/unitext.html: No such file or directory"); });
        const bool ok2 = Dispatch([] { throw 42; });
        const bool ok3 = Dispatch([] {});
        SetMessageHook({});
        QVERIFY(!ok);
        QVERIFY(!ok2);
        QVERIFY(ok3);
        QCOMPARE(shown.size(), std::size_t(2));
        QVERIFY(shown[0].text.contains("/nowhere/unitext.html: No such file or directory"));
        QCOMPARE(shown[0].caption, QStringLiteral("Zilvardizer_3"));
        QVERIFY(!shown[1].text.isEmpty());
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

    // The preview renders the user's text: its scripts do not run and it reads no other file.
    // The help window's view is an ordinary one; the same page there shows what the preview's
    // defences stop.
    void untrusted_content_data() {
        QTest::addColumn<bool>("untrusted");
        QTest::newRow("preview view") << true;
        QTest::newRow("ordinary view") << false;
    }
    void untrusted_content() {
        QFETCH(bool, untrusted);
        QImage picture(4, 3, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString picture_path = dir_.filePath("local.png");
        QVERIFY(picture.save(picture_path));
        const QString path = dir_.filePath(untrusted ? "untrusted.html" : "trusted.html");
        WriteText(path, "<p id='x'>before</p><img id='i' src='" +
                            QUrl::fromLocalFile(picture_path).toEncoded() +
                            "'><script>document.getElementById('x').textContent='after';</script>");
        BrowserView view(untrusted ? BrowserView::Content::Untrusted
                                   : BrowserView::Content::Trusted);
        QVERIFY(Load(&view, path));
        // The picture has arrived, or been refused.
        QTRY_COMPARE_WITH_TIMEOUT(Evaluate(&view, "String(document.getElementById('i').complete)"),
                                  QStringLiteral("true"), 10000);
        const QString text = test::RenderedText(&view);
        QCOMPARE(text.contains("after"), !untrusted);
        QCOMPARE(text.contains("before"), untrusted);
        QCOMPARE(Evaluate(&view, "String(document.getElementById('i').naturalWidth)"),
                 untrusted ? QStringLiteral("0") : QStringLiteral("4"));
    }

    // Pasted HTML that tries to load or launch things, with the desktop's opener replaced by
    // a recorder. As in the program, the document is shown, rewritten and shown again (a
    // reload, after which a frame's navigation passes for a clicked link). Each page ends with
    // a link that the test clicks with the mouse last: once its address is recorded,
    // everything the page did before has been decided, and it must be the only address handed
    // out. The preview keeps showing the document throughout.
    void preview_launches_only_clicked_links_data() {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("mouse_click");   // id of an element the user clicks first
        QTest::addColumn<QString>("script_click");  // id of an element a script clicks
        const QByteArray server = "http://127.0.0.1:8765";
        const QByteArray desktop = QUrl::fromLocalFile(dir_.filePath("start.desktop")).toEncoded();
        QTest::newRow("iframe") << "<iframe src=" + server + "/frame></iframe>"
                                << ""
                                << "";
        QTest::newRow("object") << "<object data=" + server + "/object></object>"
                                << ""
                                << "";
        QTest::newRow("embed") << "<embed src=" + server + "/embed>"
                               << ""
                               << "";
        QTest::newRow("data frame")
            << QByteArray("<iframe src='data:text/html,<p>inner</p>'></iframe>") << ""
            << "";
        QTest::newRow("desktop file frame") << "<iframe src=" + desktop + "></iframe>"
                                            << ""
                                            << "";
        QTest::newRow("mailto frame")
            << QByteArray("<iframe src=mailto:a@example.org></iframe>") << ""
            << "";
        QTest::newRow("meta refresh")
            << "<meta http-equiv=refresh content='0;url=" + server + "/refresh'>"
            << ""
            << "";
        QTest::newRow("meta refresh to itself")
            << QByteArray("<meta http-equiv=refresh content=0>") << ""
            << "";
        QTest::newRow("form submitted")
            << "<form action=" + server + "/form><input type=submit id=go value=Go></form>"
            << "go"
            << "";
        QTest::newRow("javascript link")
            << QByteArray("<a id=go href='javascript:void(0)'>go</a>") << "go"
            << "";
        QTest::newRow("file link") << "<a id=go href=" + desktop + ">go</a>"
                                   << "go"
                                   << "";
        QTest::newRow("link to a new window")
            << "<a id=go target=_blank href=" + server + "/blank>go</a>"
            << "go"
            << "";
        QTest::newRow("link clicked by a script") << "<a id=go href=" + server + "/scripted>go</a>"
                                                  << ""
                                                  << "go";
    }
    void preview_launches_only_clicked_links() {
        QFETCH(QByteArray, html);
        QFETCH(QString, mouse_click);
        QFETCH(QString, script_click);
        WriteText(dir_.filePath("start.desktop"),
                  "[Desktop Entry]\nType=Application\nName=x\nExec=touch /tmp/zv-launched\n");
        const QString path = dir_.filePath("payload.html");
        const QStringList schemes = {"http", "https", "mailto", "file", "data", "javascript"};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "handle");
        opened_.clear();
        BrowserView view(BrowserView::Content::Untrusted);
        view.resize(600, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        WriteText(path, "<p>before</p>");
        QVERIFY(Load(&view, path));
        WriteText(path, "<p>DOCUMENT</p>" + html +
                            "<p><a id=last href=http://example.org/clicked>last</a></p>");
        QVERIFY(Load(&view, path));
        if (!mouse_click.isEmpty()) QVERIFY(UserClick(&view, mouse_click));
        if (!script_click.isEmpty()) {
            Evaluate(&view, "document.getElementById('" + script_click + "').click(); 1");
        }
        QVERIFY(UserClick(&view, "last"));
        QTRY_VERIFY_WITH_TIMEOUT(opened_.contains(QUrl("http://example.org/clicked")), 10000);
        for (const QString& scheme : schemes) QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(opened_, QList<QUrl>{QUrl("http://example.org/clicked")});
        QCOMPARE(view.url(), QUrl::fromLocalFile(path));
        QVERIFY(test::RenderedText(&view).contains("DOCUMENT"));
    }

    void display_flags_change_nothing_visible() {
        BrowserView view(BrowserView::Content::Trusted);
        view.resize(200, 100);
        view.SetAddressBar(false);
        view.SetFullScreen(true);
        QVERIFY(!view.AddressBar());
        QVERIFY(view.FullScreen());
        QCOMPARE(view.size(), QSize(200, 100));
        QVERIFY(!view.isFullScreen());
    }
};

int main(int argc, char** argv) {
    DefinitionsTest test;
    return zv::ui::test::RunUiTest(argc, argv, &test);
}
#include "test_ui_definitions.moc"
