// Shared set-up of the desktop program's tests.
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "ui/definitions/message_box.h"
#include "ui/main/app_forms.h"

namespace zv::ui {
class BrowserView;
}

namespace zv::ui::test {

// Runs a QtTest object under QApplication. On the plain offscreen platform the screen is set to
// 1024 x 768 pixels at 96 DPI (15,360 x 11,520 twips).
int RunUiTest(int argc, char** argv, QObject* test);

// The text a view renders once its current load has finished; empty on timeout.
QString RenderedText(BrowserView* view, int timeout_ms = 15000);
// The value of script run in the application's own script world of the view's page (it runs
// with the page's scripts off); invalid on timeout.
QVariant RunScript(BrowserView* view, const QString& script, int timeout_ms = 15000);
// Waits until the view renders text containing needle.
bool WaitForRenderedText(BrowserView* view, const QString& needle, int timeout_ms = 15000);

QByteArray ReadFile(const QString& path);

// The conversion of a typed text by the plain rule-by-rule reference, not by the engine the
// program runs: each line break the user types is CR LF to the rules.
QString Converted(const QString& typed);
// The documents a run and quitting write, spelt out: the header line with its credit, the body,
// the footer.
QByteArray RunDocument(const QString& body);
QByteArray ShutdownDocument(const QString& body);

// The whole program started in a temporary program folder, every message box answered at once
// and recorded, the online-state query failing unless the test sets another.
class Program {
  public:
    explicit Program(bool start = true);
    ~Program();

    AppForms& forms() { return *forms_; }
    QString folder() const { return dir_.path(); }
    QString DocumentPath() const;
    QByteArray Document() const;
    const std::vector<MessageRequest>& messages() const { return *messages_; }
    void ClearMessages() { messages_->clear(); }
    int empty_count() const { return *empty_count_; }
    // Runs instead of the default answer for each box (after it has been recorded).
    void OnMessage(std::function<void(const MessageRequest&)> reply) { *reply_ = std::move(reply); }

  private:
    QTemporaryDir dir_;
    std::shared_ptr<std::vector<MessageRequest>> messages_;
    std::shared_ptr<int> empty_count_;
    std::shared_ptr<std::function<void(const MessageRequest&)>> reply_;
    std::unique_ptr<AppForms> forms_;
};

// Lets deleteLater() take effect.
void FlushDeletes();

// Resizes a window as the user does by dragging its frame, to an outer size in pixels (frame
// and menu bar included).
void ResizeOuter(QWidget* window, QSize outer);

// One tick of a timer, delivered at once: its timeout() emitted, whether it runs or not.
void Tick(QTimer* timer);

// A web server on 127.0.0.1 that answers each request with what reply gives for its path: a
// status and an HTML body. With status 0 it takes the request and never answers.
class WebServer : public QTcpServer {
  public:
    struct Reply {
        int status = 200;
        QByteArray body;
    };
    explicit WebServer(std::function<Reply(const QByteArray& path)> reply);
    QString Url(const QString& path) const;

  private:
    std::function<Reply(const QByteArray& path)> reply_;
};

// Why this machine cannot reach its own 127.0.0.1 (a build chroot may have no loopback
// network), found once by a connection to a server of its own; empty when it can.
QString NoLoopbackReason();

// Notes that a test was skipped for want of the loopback network: RunUiTest then ends with
// status 77, CTest's "skipped", unless a test failed.
void NoteNoLoopback(const QString& reason);

}  // namespace zv::ui::test

// Skips the test function, with the reason, where 127.0.0.1 cannot be reached.
#define ZV_REQUIRE_LOOPBACK()                                                    \
    do {                                                                         \
        const QString reason = zv::ui::test::NoLoopbackReason();                 \
        if (!reason.isEmpty()) {                                                 \
            zv::ui::test::NoteNoLoopback(reason);                                \
            QSKIP(qPrintable(QStringLiteral("no loopback network: ") + reason)); \
        }                                                                        \
    } while (false)

namespace zv::ui::test {}  // namespace zv::ui::test

#define ZV_UI_TEST_MAIN(TestClass)                         \
    int main(int argc, char** argv) {                      \
        TestClass test;                                    \
        return zv::ui::test::RunUiTest(argc, argv, &test); \
    }
