// The online state, the help window's check behind it, the feedback commands, and the folder
// the document goes to. The online state always comes from a query the test sets; no web page
// is ever fetched (the test runs with every host name failing to resolve).
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <optional>
#include <stdexcept>

#include "document/unicode_document.h"
#include "resources/resources.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/desktop_opener.h"
#include "ui/definitions/forms.h"
#include "ui/main/application.h"
#include "ui/main/document_location.h"
#include "ui/main/form1.h"
#include "ui/main/online_state.h"
#include "ui/secondary/form2.h"
#include "ui/secondary/form3.h"
#include "ui/secondary/form4.h"
#include "ui_test_support.h"
#include "zv/config.h"

using namespace zv::ui;
using zv::ui::test::Program;

namespace {

// Told, with the feedback page's address after it, when no program can open the page.
const QString kNoBrowser = QStringLiteral(
    "Atsauksmju lapu nevar atvert: nav programmas, kas atver timekla adreses. "
    "Atver so adresi parluka:\n\n");

// The query's answer in a data row: a value, or an error (nullopt).
using Answer = std::optional<int>;
constexpr int kThrows = -1000;
Answer FromRow(int value) { return value == kThrows ? Answer() : Answer(value); }

int Give(const Answer& answer) {
    if (!answer) throw std::runtime_error("query failed");
    return *answer;
}

Form1& Main(Program& p) { return static_cast<Form1&>(p.forms().Form1()); }
BrowserView* HelpView(Program& p) { return p.forms().Form4().WebBrowser1(); }
bool PictureShown(Program& p) { return !p.forms().Form4().Picture1()->isHidden(); }
QUrl HelpPage() { return QUrl(zv::resources::HelpPageUrl()); }

// An address the help view is sent to just before the query answers: still there afterwards
// means the check did not send the view anywhere.
QString Marker(Program& p) { return QDir(p.folder()).filePath(QStringLiteral("marker.html")); }

bool WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Routing tables as this kernel writes them.
const QByteArray kIpv4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const QByteArray kIpv4Default = "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n";
const QByteArray kIpv4Subnet = "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
const QByteArray kIpv6Default =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000003 00000000 00000003     eth0\n";
const QByteArray kIpv6Subnet =
    "fd000000000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n";
// What the kernel keeps when there is no IPv6 default route: a reject route on lo.
const QByteArray kIpv6LoReject =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";

// For as long as it lives, the calling thread lacks root's way past permission bits (the
// capabilities stay permitted and come back at the end): a read-only folder is read-only for
// it whoever runs the test. Other threads keep theirs.
class PermissionBitsHold {
  public:
    PermissionBitsHold() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct fewer[2] = {saved_[0], saved_[1]};
        fewer[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        holds_ = syscall(SYS_capset, &header_, fewer) == 0;
    }
    ~PermissionBitsHold() {
        if (holds_) syscall(SYS_capset, &header_, saved_);
    }
    PermissionBitsHold(const PermissionBitsHold&) = delete;
    PermissionBitsHold& operator=(const PermissionBitsHold&) = delete;
    bool Holds() const { return holds_; }

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool holds_ = false;
};

}  // namespace

class OnlineTest : public QObject {
    Q_OBJECT
  public slots:
    void OpenUrl(const QUrl& url) { opened_ << url; }

  private slots:
    // The help view keeps what the checks send it to: no built-in page stands in for the
    // maker's site, which cannot be reached here.
    void initTestCase() { zv::resources::SetShippedHelpPageEnabled(false); }
    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        opened_.clear();
        SetOnlineStateQuery({});
        test::FlushDeletes();
    }

    void routing_table_data() {
        QTest::addColumn<bool>("ipv6");
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<bool>("default_route");
        QTest::newRow("v4 default") << false << kIpv4Header + kIpv4Subnet + kIpv4Default << true;
        QTest::newRow("v4 no default") << false << kIpv4Header + kIpv4Subnet << false;
        QTest::newRow("v4 header only") << false << kIpv4Header << false;
        QTest::newRow("v4 empty") << false << QByteArray() << false;
        QTest::newRow("v4 default on lo")
            << false << kIpv4Header + QByteArray(kIpv4Default).replace("eth0", "lo") << false;
        QTest::newRow("v4 default not up")
            << false << kIpv4Header + QByteArray(kIpv4Default).replace("0003", "0002") << false;
        QTest::newRow("v4 reject default")
            << false << kIpv4Header + QByteArray(kIpv4Default).replace("0003", "0201") << false;
        QTest::newRow("v4 truncated line") << false << kIpv4Header + "eth0\t00000000\n" << false;
        QTest::newRow("v4 flags not hex")
            << false << kIpv4Header + QByteArray(kIpv4Default).replace("0003", "zz") << false;
        QTest::newRow("v4 no trailing newline") << false << kIpv4Default.chopped(1) << true;
        QTest::newRow("v4 CR LF") << false << QByteArray(kIpv4Default).replace("\n", "\r\n")
                                  << true;
        QTest::newRow("v6 default") << true << kIpv6Subnet + kIpv6Default + kIpv6LoReject << true;
        QTest::newRow("v6 only the lo reject route")
            << true << kIpv6Subnet + kIpv6LoReject << false;
        QTest::newRow("v6 default on lo, up")
            << true << QByteArray(kIpv6Default).replace("eth0", "lo") << false;
        QTest::newRow("v6 zero address, prefix 64")
            << true << QByteArray(kIpv6Default).replace(" 00 0000", " 40 0000") << false;
        QTest::newRow("v6 missing interface")
            << true << kIpv6Default.left(kIpv6Default.size() - 10) << false;
        QTest::newRow("v6 IPv4 table") << true << kIpv4Header + kIpv4Default << false;
        QTest::newRow("v4 IPv6 table") << false << kIpv6Default << false;
        QTest::newRow("binary junk") << false << QByteArray("\0\xff\x01 00000000\n", 13) << false;
    }
    void routing_table() {
        QFETCH(bool, ipv6);
        QFETCH(QByteArray, table);
        QFETCH(bool, default_route);
        const QString text = QString::fromLatin1(table);
        QCOMPARE(ipv6 ? HasIpv6DefaultRoute(text) : HasIpv4DefaultRoute(text), default_route);
    }

    // Either table may be missing; only when both are does the query fail.
    void route_files_data() {
        QTest::addColumn<QByteArray>("ipv4");  // "-": no such file
        QTest::addColumn<QByteArray>("ipv6");
        QTest::addColumn<int>("state");
        QTest::newRow("v4 default") << kIpv4Header + kIpv4Default << kIpv6LoReject << kOnline;
        QTest::newRow("v6 default only") << kIpv4Header << kIpv6Default << kOnline;
        QTest::newRow("neither") << kIpv4Header + kIpv4Subnet << kIpv6Subnet + kIpv6LoReject
                                 << kOffline;
        QTest::newRow("no v6 table") << kIpv4Header + kIpv4Default << QByteArray("-") << kOnline;
        QTest::newRow("no v4 table") << QByteArray("-") << kIpv6LoReject << kOffline;
        QTest::newRow("no tables") << QByteArray("-") << QByteArray("-") << kThrows;
    }
    void route_files() {
        QFETCH(QByteArray, ipv4);
        QFETCH(QByteArray, ipv6);
        QFETCH(int, state);
        QTemporaryDir dir;
        const QString v4 = dir.filePath("route");
        const QString v6 = dir.filePath("ipv6_route");
        if (ipv4 != "-") QVERIFY(WriteText(v4, ipv4));
        if (ipv6 != "-") QVERIFY(WriteText(v6, ipv6));
        if (state == kThrows) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, OnlineStateFromRouteFiles(v4, v6));
        } else {
            QCOMPARE(OnlineStateFromRouteFiles(v4, v6), state);
        }
    }

    // Only a backend that does not know asks the routing tables.
    void reachability_data() {
        QTest::addColumn<QNetworkInformation::Reachability>("reachability");
        QTest::addColumn<int>("routes");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("asks_routes");
        using R = QNetworkInformation::Reachability;
        QTest::newRow("online") << R::Online << kOffline << kOnline << false;
        QTest::newRow("disconnected") << R::Disconnected << kOnline << kOffline << false;
        QTest::newRow("local") << R::Local << kOnline << kOffline << false;
        QTest::newRow("site") << R::Site << kOnline << kOffline << false;
        QTest::newRow("unknown, route") << R::Unknown << kOnline << kOnline << true;
        QTest::newRow("unknown, no route") << R::Unknown << kOffline << kOffline << true;
        QTest::newRow("unknown, tables fail") << R::Unknown << kThrows << kThrows << true;
    }
    void reachability() {
        QFETCH(QNetworkInformation::Reachability, reachability);
        QFETCH(int, routes);
        QFETCH(int, state);
        QFETCH(bool, asks_routes);
        int asked = 0;
        auto from_routes = [&] {
            ++asked;
            return Give(FromRow(routes));
        };
        if (state == kThrows) {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                     OnlineStateFromReachability(reachability, from_routes));
        } else {
            QCOMPARE(OnlineStateFromReachability(reachability, from_routes), state);
        }
        QCOMPARE(asked, asks_routes ? 1 : 0);
    }

    // The query set is the one asked; cleared, the system's answers (locally, no traffic).
    void query_seam() {
        SetOnlineStateQuery([] { return 7; });
        QCOMPARE(QueryOnlineState(), 7);
        SetOnlineStateQuery({});
        const int state = QueryOnlineState();
        QVERIFY2(state == kOnline || state == kOffline, qPrintable(QString::number(state)));
    }

    // At startup: the picture goes only when online; otherwise the message comes while the
    // main window is still hidden, and the view is sent to the help page after the box.
    void startup_check_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("message");
        QTest::addColumn<bool>("navigates");
        QTest::newRow("online") << 1 << false << false << false;
        QTest::newRow("offline") << 0 << true << true << true;
        QTest::newRow("two") << 2 << true << true << true;
        QTest::newRow("negative") << -1 << true << true << true;
        QTest::newRow("query fails") << kThrows << true << false << true;
    }
    void startup_check() {
        QFETCH(int, answer);
        QFETCH(bool, picture);
        QFETCH(bool, message);
        QFETCH(bool, navigates);
        Program p(false);
        int asked = 0;
        SetOnlineStateQuery([&] {
            ++asked;
            HelpView(p)->Navigate(Marker(p));
            return Give(FromRow(answer));
        });
        bool main_visible_at_box = true;
        bool help_visible_at_box = false;
        bool picture_at_box = false;
        p.OnMessage([&](const MessageRequest&) {
            main_visible_at_box = p.forms().Window(FormId::Form1)->isVisible();
            help_visible_at_box = p.forms().Window(FormId::Form4)->isVisible();
            picture_at_box = PictureShown(p);
        });
        p.forms().Start();
        QCOMPARE(asked, 1);
        QVERIFY(Main(p).isVisible());
        QCOMPARE(PictureShown(p), picture);
        QCOMPARE(p.messages().size(), std::size_t(message ? 1 : 0));
        if (message) {
            const MessageRequest& box = p.messages().front();
            QCOMPARE(box.text, QStringLiteral("Online paligs nav pieejams bez interneta"));
            QCOMPARE(box.caption, QStringLiteral("Zilvardizer_3"));
            QCOMPARE(box.style, MessageStyle::OkInformation);
            QVERIFY(!main_visible_at_box);
            QVERIFY(help_visible_at_box);
            QVERIFY(picture_at_box);
        }
        QCOMPARE(HelpView(p)->RequestedUrl(),
                 navigates ? HelpPage() : QUrl::fromLocalFile(Marker(p)));
        // The rest of startup happened regardless.
        QVERIFY(QFile::exists(p.DocumentPath()));
    }

    // The help command checks again each time, then shows the help window with the focus.
    void help_command_data() {
        QTest::addColumn<int>("at_startup");
        QTest::addColumn<int>("on_help");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<int>("messages");  // from the help commands only
        QTest::addColumn<bool>("navigates");
        QTest::newRow("offline, still offline") << 0 << 0 << true << 3 << true;
        QTest::newRow("offline, then online") << 0 << 1 << false << 0 << false;
        QTest::newRow("online, then offline") << 1 << 0 << true << 3 << true;
        QTest::newRow("online, then two") << 1 << 2 << true << 3 << true;
        QTest::newRow("offline, then query fails") << 0 << kThrows << true << 0 << true;
        QTest::newRow("online, still online") << 1 << 1 << false << 0 << false;
    }
    void help_command() {
        QFETCH(int, at_startup);
        QFETCH(int, on_help);
        QFETCH(bool, picture);
        QFETCH(int, messages);
        QFETCH(bool, navigates);
        Program p(false);
        SetOnlineStateQuery([&] { return Give(FromRow(at_startup)); });
        p.forms().Start();
        const std::size_t at_start = p.messages().size();
        const bool picture_at_start = PictureShown(p);
        p.forms().Form4().hide();

        // Between checks the picture does not follow the connection: no timer of the program
        // asks for it, not even the conversion's ticks (marked to convert on them here).
        int asked = 0;
        SetOnlineStateQuery([&] {
            ++asked;
            HelpView(p)->Navigate(Marker(p));
            return Give(FromRow(on_help));
        });
        Main(p).Menu().every->trigger();
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            for (QTimer* timer :
                 p.forms().Window(id)->findChildren<QTimer*>(Qt::FindDirectChildrenOnly)) {
                test::Tick(timer);
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(asked, 0);
        QCOMPARE(PictureShown(p), picture_at_start);

        for (int i = 0; i < 3; ++i) {
            Main(p).Menu().Help->trigger();
            QCOMPARE(PictureShown(p), picture);
            QCOMPARE(HelpView(p)->RequestedUrl(),
                     navigates ? HelpPage() : QUrl::fromLocalFile(Marker(p)));
        }
        QCOMPARE(p.messages().size() - at_start, std::size_t(messages));
        for (std::size_t i = at_start; i < p.messages().size(); ++i) {
            QCOMPARE(p.messages()[i].text, Form1::kOfflineMessage);
        }
        ZvWindow* help = p.forms().Window(FormId::Form4);
        QVERIFY(help->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(help, 5000));
    }

    // Offline, the box comes before the help window is shown.
    void help_box_before_window() {
        Program p(false);
        SetOnlineStateQuery([] { return kOffline; });
        p.forms().Start();
        p.forms().Form4().hide();
        bool help_visible_at_box = true;
        p.OnMessage([&](const MessageRequest&) {
            help_visible_at_box = p.forms().Window(FormId::Form4)->isVisible();
        });
        Main(p).Menu().Help->trigger();
        QCOMPARE(p.messages().size(), std::size_t(2));
        QVERIFY(!help_visible_at_box);
        QVERIFY(p.forms().Window(FormId::Form4)->isVisible());
    }

    // Closed with its close box, the help window is created anew by the check (its load sends
    // it to the help page) and then shown.
    void help_after_close_box_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<int>("messages");
        QTest::newRow("online") << 1 << false << 0;
        QTest::newRow("offline") << 0 << true << 1;
        QTest::newRow("query fails") << kThrows << true << 0;
    }
    void help_after_close_box() {
        QFETCH(int, answer);
        QFETCH(bool, picture);
        QFETCH(int, messages);
        Program p(false);
        SetOnlineStateQuery([] { return kOnline; });
        p.forms().Start();
        QPointer<ZvWindow> old = p.forms().Window(FormId::Form4);
        old->close();
        test::FlushDeletes();
        QVERIFY(old.isNull());
        QVERIFY(!p.forms().IsLoaded(FormId::Form4));

        SetOnlineStateQuery([&] { return Give(FromRow(answer)); });
        Main(p).Menu().Help->trigger();
        ZvWindow* help = p.forms().Window(FormId::Form4);
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QCOMPARE(PictureShown(p), picture);
        QCOMPARE(HelpView(p)->RequestedUrl(), HelpPage());
        QCOMPARE(p.messages().size(), std::size_t(messages));
    }

    // Both feedback items open the same page in the default browser, ask nothing about the
    // connection and report nothing. A handler set in the desktop opener's place takes the page,
    // and nothing is started.
    void feedback_data() {
        QTest::addColumn<QString>("item");
        QTest::newRow("Izpildi online feedback") << "feedback";
        QTest::newRow("Paldies!") << "feedback3";
    }
    void feedback() {
        QFETCH(QString, item);
        InstallDesktopOpener();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "OpenUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
        Program p;
        int asked = 0;
        SetOnlineStateQuery([&] {
            ++asked;
            return kOffline;
        });
        const Form1Menu& m = Main(p).Menu();
        (item == "feedback" ? m.feedback : m.feedback3)->trigger();
        QCOMPARE(opened_, QList<QUrl>{QUrl(zv::resources::FeedbackPageUrl())});
        QCOMPARE(opened_.front().path(), QStringLiteral("/zilvardo/feedback.htm"));
        QCOMPARE(asked, 0);
        QVERIFY(p.messages().empty());
        QCOMPARE(DesktopOpenerRuns(), 0);
    }

    // The desktop's opener (xdg-open) runs while the window goes on; when it reports that
    // nothing could open the page, or cannot start, the box gives the address as above. One
    // still running after the settle time counts as having opened it, and is left to finish.
    void feedback_when_the_opener_fails_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("box");
        QTest::addColumn<int>("settle_ms");
        const QByteArray shell = "#!/bin/sh\n";
        // The address is recorded last: a run stopped early leaves no record.
        const QByteArray records = "printf '%s' \"$*\" >\"$0.args\"\n";
        QTest::newRow("exits 3") << shell + records + "exit 3\n" << true << true << kSettleMs;
        QTest::newRow("exits 0") << shell + records + "exit 0\n" << true << false << kSettleMs;
        // A settle time of 0 has passed whenever the opener ends.
        QTest::newRow("exits 3 after the settle time") << shell + records + "exit 3\n"
                                                       << true << false << 0;
        QTest::newRow("cannot start")
            << QByteArray("#!/nonexistent/sh\n") << false << true << kSettleMs;
    }
    void feedback_when_the_opener_fails() {
        QFETCH(QByteArray, script);
        QFETCH(bool, runs);
        QFETCH(bool, box);
        QFETCH(int, settle_ms);
        SetSettleTime(settle_ms);
        const auto restore_settle = qScopeGuard([] { SetSettleTime(kSettleMs); });
        QTemporaryDir bin;
        const QString opener = bin.filePath(QStringLiteral("xdg-open"));
        QVERIFY(WriteText(opener, script));
        QVERIFY(QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        struct RestorePath {
            QByteArray path;
            ~RestorePath() { qputenv("PATH", path); }
        } restore{path};
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        InstallDesktopOpener();
        Program p;
        Main(p).Menu().feedback->trigger();
        QCOMPARE(DesktopOpenerRuns(), runs ? 1 : 0);  // the trigger did not wait for it
        const QString address = zv::resources::FeedbackPageUrl();
        if (box) {
            QTRY_COMPARE_WITH_TIMEOUT(p.messages().size(), std::size_t(1), 20000);
            QCOMPARE(p.messages().front().text, kNoBrowser + address);
        }
        QTRY_COMPARE_WITH_TIMEOUT(DesktopOpenerRuns(), 0, 20000);  // ended, reaped, reported
        QCOMPARE(p.messages().size(), std::size_t(box ? 1 : 0));
        if (runs) QCOMPARE(test::ReadFile(opener + QStringLiteral(".args")), address.toUtf8());
    }

    // No browser can be started: each item tells the user the page's address, and the program
    // goes on.
    void feedback_without_a_browser() {
        if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen")) {
            QSKIP("Only the offscreen platform is sure to start no browser");
        }
        QVERIFY(!QDesktopServices::openUrl(QUrl(zv::resources::FeedbackPageUrl())));
        Program p;
        Main(p).Menu().feedback->trigger();
        Main(p).Menu().feedback3->trigger();
        QCOMPARE(p.messages().size(), std::size_t(2));
        for (const MessageRequest& box : p.messages()) {
            QCOMPARE(box.caption, QStringLiteral("Zilvardizer_3"));
            QCOMPARE(box.text, kNoBrowser + QString::fromLatin1(zv::config::kMakerSite) +
                                   QStringLiteral("/zilvardo/feedback.htm"));
            QCOMPARE(box.style, MessageStyle::OkInformation);
        }
        for (FormId id : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4}) {
            QVERIFY(p.forms().IsLoaded(id));
        }
    }

    // Where the document goes: the executable's folder when it can be written and a write of
    // the document there is not refused (another user's document or FIFO in a folder others
    // may write to), otherwise the user's data folder, created on the way.
    void program_folder_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("kept");
        QTest::newRow("writable folder") << "writable" << true;
        QTest::newRow("path under a regular file") << "under file" << false;
        QTest::newRow("missing folder") << "missing" << false;
        QTest::newRow("read-only folder") << "read-only" << false;
        QTest::newRow("installed in /usr/bin") << "system" << false;
        QTest::newRow("another user's document, sticky folder") << "planted file" << false;
        QTest::newRow("another user's FIFO, folder all may write") << "planted fifo" << false;
        QTest::newRow("document the user may not write") << "read-only document" << false;
    }
    void program_folder() {
        QFETCH(QString, kind);
        QFETCH(bool, kept);
        QTemporaryDir scratch;
        QString executable_folder = scratch.filePath("bin");
        QVERIFY(QDir().mkpath(executable_folder));
        if (kind == "under file") {
            QVERIFY(WriteText(scratch.filePath("file"), "x"));
            executable_folder = scratch.filePath("file/bin");
        } else if (kind == "missing") {
            executable_folder = scratch.filePath("gone");
        }
        std::optional<PermissionBitsHold> bits_hold;
        if (kind == "read-only") {
            QVERIFY(QFile::setPermissions(executable_folder, QFile::ReadOwner | QFile::ExeOwner));
            bits_hold.emplace();
            QVERIFY(bits_hold->Holds());
            QFile attempt(QDir(executable_folder).filePath("attempt"));
            QVERIFY(!attempt.open(QIODevice::WriteOnly));  // the folder is read-only for us
        }
        if (kind == "read-only document") {
            const QString document = zv::UnicodeDocumentPath(executable_folder);
            QVERIFY(WriteText(document, "kept"));
            QVERIFY(QFile::setPermissions(document, QFile::ReadOwner | QFile::ReadOther));
            bits_hold.emplace();
            QVERIFY(bits_hold->Holds());
        }
        if (kind == "system") executable_folder = QStringLiteral("/usr/bin");
        if (kind.startsWith("planted")) {
            if (geteuid() != 0) QSKIP("needs root to make another user's files");
            const QByteArray folder = QFile::encodeName(executable_folder);
            const QByteArray document =
                QFile::encodeName(zv::UnicodeDocumentPath(executable_folder));
            if (kind == "planted fifo") {
                QCOMPARE(mkfifo(document.constData(), 0666), 0);
            } else {
                QVERIFY(WriteText(QString::fromLocal8Bit(document), "theirs"));
            }
            QCOMPARE(chown(document.constData(), 65534, 65534), 0);
            QCOMPARE(chmod(folder.constData(), kind == "planted fifo" ? 0777 : 01777), 0);
        }
        const QString data_folder = scratch.filePath("home/.local/share/zv");
        const QString chosen = ChooseProgramFolder(executable_folder, data_folder);
        QCOMPARE(chosen, kept ? executable_folder : data_folder);
        QCOMPARE(QFileInfo(data_folder).isDir(), !kept);
        if (kept)
            QCOMPARE(QDir(executable_folder)
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                     QStringList());  // the probe is gone again
        bits_hold.reset();
        if (kind == "read-only") {
            QFile::setPermissions(executable_folder,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    // With the data folder chosen, the document and the preview both use it.
    void document_in_the_data_folder() {
        QTemporaryDir scratch;
        QVERIFY(WriteText(scratch.filePath("file"), "x"));
        const QString data_folder = scratch.filePath("share/zv");
        Program p(false);
        SetProgramFolder(ChooseProgramFolder(scratch.filePath("file/bin"), data_folder));
        p.forms().Start();
        const QString document = zv::UnicodeDocumentPath(data_folder);
        QVERIFY(QFile::exists(document));
        QVERIFY(p.messages().empty());
        QCOMPARE(p.forms().Form2().WebBrowser1()->RequestedUrl(), QUrl::fromLocalFile(document));
        const QString body = p.forms().Form3().Text1()->Text();  // the last run's result
        Main(p).Menu().Quit->trigger();
        QCOMPARE(test::ReadFile(document),
                 zv::UnicodeDocumentBytes(zv::DocumentVariant::Shutdown, body));
    }

    // The program's names give the data folder ~/.local/share/zv and the desktop entry's id.
    void application_identity() {
        QStandardPaths::setTestModeEnabled(true);
        SetUpApplication();
        QCOMPARE(QGuiApplication::desktopFileName(), QString::fromLatin1(zv::config::kAppId));
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QVERIFY2(data.endsWith(QStringLiteral("/share/zv")), qPrintable(data));
        const QString executable_folder = QCoreApplication::applicationDirPath();
        QCOMPARE(ProgramFolder(), CanWriteInto(executable_folder) ? executable_folder : data);
        QStandardPaths::setTestModeEnabled(false);
    }

  private:
    QList<QUrl> opened_;
};

ZV_UI_TEST_MAIN(OnlineTest)
#include "test_ui_online.moc"
