#include "ui/definitions/desktop_opener.h"

#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <utility>

#include "ui/definitions/handlers.h"

namespace zv::ui {

namespace {

// The failure handler of the OpenOnTheDesktop call in progress, for the opener to take.
std::function<void()>* pending_failure = nullptr;
int runs = 0;
int settle_ms = kSettleMs;

constexpr const char* kSchemes[] = {"http", "https", "mailto"};

// Starts program with the address as its one argument, in a session of its own and with the
// signals as a new program expects them. Returns its process id, or -1.
pid_t Start(const QString& program, const QUrl& url) {
    const QByteArray path = QFile::encodeName(program);
    const QByteArray address = url.toEncoded();
    char* argv[] = {const_cast<char*>(path.constData()), const_cast<char*>(address.constData()),
                    nullptr};
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0) return -1;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, path.constData(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

void Report(const std::function<void()>& failed) {
    if (failed) ResumeNext(failed);
}

// One run of the opener, from its start until it has ended and been reaped.
class OpenerRun : public QObject {
  public:
    OpenerRun(pid_t pid, std::function<void()> failed, QObject* parent)
        : QObject(parent), pid_(pid), failed_(std::move(failed)) {
        ++runs;
        clock_.start();
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        if (pidfd_ >= 0) {
            // Readable once the process has ended.
            notifier_ = new QSocketNotifier(pidfd_, QSocketNotifier::Read, this);
            connect(notifier_, &QSocketNotifier::activated, this, &OpenerRun::Check);
        } else {
            // A kernel without process descriptors: look now and then.
            timer_ = new QTimer(this);
            connect(timer_, &QTimer::timeout, this, &OpenerRun::Check);
            timer_->start(100);
        }
    }
    ~OpenerRun() override {
        if (pidfd_ >= 0) close(pidfd_);
        --runs;
    }
    OpenerRun(const OpenerRun&) = delete;
    OpenerRun& operator=(const OpenerRun&) = delete;

  private:
    void Check() {
        int status = 0;
        const pid_t ended = waitpid(pid_, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) return;  // still running
        // Ended, or no longer this program's to wait for (then its result is unknown).
        if (notifier_) notifier_->setEnabled(false);
        if (timer_) timer_->stop();
        const bool failed = ended == pid_ && !(WIFEXITED(status) && WEXITSTATUS(status) == 0) &&
                            clock_.elapsed() < settle_ms;
        if (failed) Report(std::exchange(failed_, nullptr));
        deleteLater();
    }

    pid_t pid_;
    int pidfd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
    std::function<void()> failed_;
};

class DesktopOpener : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Goes with the application. Its handlers are given back first: Qt warns, once for each
    // scheme, of a handler destroyed while still registered.
    ~DesktopOpener() override {
        for (const char* scheme : kSchemes) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

  public slots:
    // QDesktopServices' handler: takes the failure handler of the call in progress, if any.
    void Open(const QUrl& url) {
        std::function<void()> failed;
        if (pending_failure) failed = std::exchange(*pending_failure, nullptr);
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (program.isEmpty()) {
            // Called from within the handler, openUrl goes to Qt's own way for the desktop.
            if (!QDesktopServices::openUrl(url)) Later(std::move(failed));
            return;
        }
        const pid_t pid = Start(program, url);
        if (pid < 0) {
            Later(std::move(failed));
            return;
        }
        new OpenerRun(pid, std::move(failed), this);
    }

  private:
    // Reports once openUrl has returned: a box shown from within the handler would leave
    // QDesktopServices inside it, and other addresses would bypass the handler meanwhile.
    void Later(std::function<void()> failed) {
        if (failed) QTimer::singleShot(0, this, [failed = std::move(failed)] { Report(failed); });
    }
};

}  // namespace

void InstallDesktopOpener() {
    static QPointer<DesktopOpener> opener;
    if (!opener) opener = new DesktopOpener(QCoreApplication::instance());
    for (const char* scheme : kSchemes) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), opener, "Open");
    }
}

void OpenOnTheDesktop(const QUrl& url, std::function<void()> failed) {
    std::function<void()>* outer = std::exchange(pending_failure, &failed);
    const bool handed_on = QDesktopServices::openUrl(url);
    pending_failure = outer;
    if (!handed_on) Report(failed);
}

int DesktopOpenerRuns() { return runs; }

void SetSettleTime(int ms) { settle_ms = ms; }

}  // namespace zv::ui

#include "desktop_opener.moc"
