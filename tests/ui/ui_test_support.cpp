#include "ui_test_support.h"

#include <QApplication>
#include <QFile>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

#include "document/unicode_document.h"
#include "engine/reference/reference.h"
#include "ui/definitions/browser_view.h"
#include "ui/definitions/forms.h"
#include "ui/main/document_location.h"
#include "ui/main/online_state.h"
#include "zv/config.h"

namespace zv::ui::test {

namespace {
QString no_loopback;  // why tests were skipped; empty when none was
}  // namespace

int RunUiTest(int argc, char** argv, QObject* test) {
    QTemporaryDir config_dir;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform == "offscreen") {
        const QString path = config_dir.filePath(QStringLiteral("screen.json"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [{"name": "zv", "x": 0, "y": 0, "width": 1024,
                "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
        }
    }
    // The text typed in tests is kept here, never in the user's own state folder; a test that
    // looks at it sets a folder of its own.
    qputenv("XDG_STATE_HOME", config_dir.filePath(QStringLiteral("state")).toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int status = QTest::qExec(test, argc, argv);
    if (status == 0 && !no_loopback.isEmpty()) {
        std::fprintf(stderr, "Skipped in part: %s\n", qPrintable(no_loopback));
        return 77;
    }
    return status;
}

QString NoLoopbackReason() {
    static const QString reason = [] {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost)) {
            return "127.0.0.1 cannot be listened on: " + server.errorString();
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, server.serverPort());
        if (!probe.waitForConnected(10000)) {
            return "127.0.0.1 cannot be reached: " + probe.errorString();
        }
        return QString();
    }();
    return reason;
}

void NoteNoLoopback(const QString& reason) { no_loopback = reason; }

QString Converted(const QString& typed) {
    QString text = typed;
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QString::fromStdU16String(zv::reference::Transliterate(text.toStdU16String()));
}

QByteArray RunDocument(const QString& body) {
    return QByteArray(
               "<HTML><meta HTTP-EQUIV=\"Content-Type\"Content=\"text-html; charset=utf-8\">"
               "<BODY><font size = 1> Teksta Zilvardis &#8482; &copy; ") +
           config::kCopyrightYear + " " + config::kMakerSite + "<font size = 4> <br><br>\r\n" +
           body.toUtf8() + "\r\n</font></BODY></HTML>\r\n";
}

QByteArray ShutdownDocument(const QString& body) {
    return QByteArray(
               "<HTML><meta HTTP-EQUIV=\"Content-Type\"Content=\"text-html; charset=utf-8\">"
               "<BODY><font size = 1> Text Zilvardizer&#8482; &copy; ") +
           config::kCopyrightYear + " " + config::kMakerName + "<font size = 4> <br><br>\r\n" +
           body.toUtf8() + "\r\n</font></BODY></HTML>\r\n";
}

// The answers below come back through callbacks that the page may call long after the wait has
// given up (at the latest when it is destroyed): they write into shared state, never into a
// caller's stack frame that is gone by then.
QString RenderedText(BrowserView* view, int timeout_ms) {
    auto answer = std::make_shared<std::optional<QString>>();
    view->page()->toPlainText([answer](const QString& result) { *answer = result; });
    (void)QTest::qWaitFor([&] { return answer->has_value(); }, timeout_ms);
    return answer->value_or(QString());
}

QVariant RunScript(BrowserView* view, const QString& script, int timeout_ms) {
    auto answer = std::make_shared<std::optional<QVariant>>();
    view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                [answer](const QVariant& result) { *answer = result; });
    (void)QTest::qWaitFor([&] { return answer->has_value(); }, timeout_ms);
    return answer->value_or(QVariant());
}

bool WaitForRenderedText(BrowserView* view, const QString& needle, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeout_ms) {
        if (RenderedText(view, timeout_ms).contains(needle)) return true;
        QTest::qWait(50);
    }
    return false;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void ResizeOuter(QWidget* window, QSize outer) {
    window->resize(outer - (window->frameGeometry().size() - window->size()));
}

void Tick(QTimer* timer) {
    // timeout() is a private signal: only the meta-object can emit it from outside.
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

WebServer::WebServer(std::function<Reply(const QByteArray& path)> reply)
    : reply_(std::move(reply)) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                // The request line and headers, which may come in parts.
                QByteArray request = socket->property("request").toByteArray() + socket->readAll();
                socket->setProperty("request", request);
                if (!request.contains("\r\n\r\n")) return;
                const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
                const Reply answer = reply_(line.size() > 1 ? line[1] : QByteArray("/"));
                if (answer.status == 0) return;
                socket->write("HTTP/1.1 " + QByteArray::number(answer.status) +
                              " Status\r\nContent-Type: text/html; charset=utf-8\r\n"
                              "Content-Length: " +
                              QByteArray::number(answer.body.size()) +
                              "\r\nConnection: close\r\n\r\n" + answer.body);
                socket->disconnectFromHost();
            });
        }
    });
    listen(QHostAddress::LocalHost);
}

QString WebServer::Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()) + path;
}

Program::Program(bool start)
    : messages_(std::make_shared<std::vector<MessageRequest>>()),
      empty_count_(std::make_shared<int>(0)),
      reply_(std::make_shared<std::function<void(const MessageRequest&)>>()),
      forms_(std::make_unique<AppForms>()) {
    SetProgramFolder(dir_.path());
    // The machine's own online state never decides a test: by default the query fails, which
    // leaves the offline picture up and asks for no message box.
    SetOnlineStateQuery([]() -> int { throw std::runtime_error("no online state in tests"); });
    SetMessageHook([messages = messages_, reply = reply_](const MessageRequest& request) {
        messages->push_back(request);
        if (*reply) (*reply)(request);
    });
    forms_->SetOnEmpty([count = empty_count_] { ++*count; });
    InstallForms(forms_.get());
    if (start) forms_->Start();
}

Program::~Program() {
    forms_.reset();
    FlushDeletes();
    InstallForms(nullptr);
    SetMessageHook({});
    SetOnlineStateQuery({});
    SetProgramFolder(QString());
}

QString Program::DocumentPath() const { return UnicodeDocumentPath(dir_.path()); }

QByteArray Program::Document() const { return ReadFile(DocumentPath()); }

}  // namespace zv::ui::test
