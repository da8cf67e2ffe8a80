#include "ui/main/kept_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>

#include "atomic_file/atomic_file.h"
#include "document/write_failure.h"
#include "ui/definitions/handlers.h"
#include "ui/definitions/message_box.h"
#include "ui/definitions/text_box.h"
#include "ui/texts.h"

namespace zv::ui {
namespace {

// Reasons in the program's language, as its other message boxes give them.
[[noreturn]] void Refuse(const std::string& reason) { throw KeptTextError(reason); }
[[noreturn]] void Refuse(const QString& reason) { Refuse(reason.toStdString()); }
// A reason that names the folder.
[[noreturn]] void Refuse(const QString& reason, const std::string& folder) {
    Refuse(reason.arg(QString::fromStdString(folder)));
}

std::string Reason(int error, const char* otherwise) {
    return LatvianReason(error).value_or(QString::fromLocal8Bit(otherwise)).toStdString();
}

[[noreturn]] void RefuseErrno(int error) { Refuse(Reason(error, std::strerror(error))); }

// Closes a descriptor when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder may hold the kept text: a folder of the user's own that no one else may write to
// (a link to one is the user's own choice). False when it does not exist.
bool UsableFolder(const std::string& folder) {
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0) {
        if (errno == ENOENT) return false;
        RefuseErrno(errno);
    }
    if (!S_ISDIR(status.st_mode)) Refuse(texts::kKeptFolderNotAFolder, folder);
    if (status.st_uid != geteuid()) Refuse(texts::kKeptFolderNotOwn, folder);
    if (status.st_mode & (S_IWGRP | S_IWOTH)) Refuse(texts::kKeptFolderWritable, folder);
    return true;
}

// Makes the folder and each missing one above it, mode 0700, as a state folder is made.
void MakeFolder(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) RefuseErrno(errno);
    }
    if (!UsableFolder(folder)) RefuseErrno(ENOENT);
}

// The status of the file in path's place, which must be a regular file of the user's own;
// nothing when there is none.
std::optional<struct stat> KeptFileStatus(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT) return std::nullopt;
        RefuseErrno(errno);
    }
    if (S_ISLNK(status.st_mode)) Refuse(texts::kKeptFileLink);
    if (!S_ISREG(status.st_mode)) Refuse(texts::kKeptFileNotRegular);
    if (status.st_uid != geteuid()) Refuse(texts::kKeptFileNotOwn);
    return status;
}

// Opens the regular file found at path, without following a link and without waiting for a
// writer (a FIFO put there since), and only when it is still the file found.
int OpenFound(const std::string& path, const struct stat& found, int flags) {
    const int fd = open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) RefuseErrno(errno);
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || opened.st_dev != found.st_dev || opened.st_ino != found.st_ino) {
        close(fd);
        Refuse(texts::kKeptFileReplaced);
    }
    return fd;
}

// What path holds; nothing when there is no file or it is empty.
std::optional<QString> ReadKept(const std::string& path) {
    if (!UsableFolder(FolderOf(path))) return std::nullopt;
    const std::optional<struct stat> found = KeptFileStatus(path);
    if (!found) return std::nullopt;
    const Descriptor file{OpenFound(path, *found, O_RDONLY)};
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(found->st_size));
    char block[1 << 16];
    for (;;) {
        const ssize_t n = read(file.fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RefuseErrno(errno);
        if (n == 0) break;
        bytes.append(block, static_cast<qsizetype>(n));
    }
    if (bytes.isEmpty()) return std::nullopt;
    return QString::fromUtf8(bytes);
}

// Replaces path with bytes. A new file is made first, empty and mode 0600, and one of another
// mode is given 0600: the replacement keeps the mode of the file it replaces.
void WriteKept(const std::string& path, const QByteArray& bytes) {
    MakeFolder(FolderOf(path));
    std::optional<struct stat> found = KeptFileStatus(path);
    if (!found) {
        const int fd =
            open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) RefuseErrno(errno);
        if (fd >= 0) close(fd);
        found = KeptFileStatus(path);
        if (!found) RefuseErrno(ENOENT);
    }
    if ((found->st_mode & 07777) != 0600) {
        const Descriptor file{OpenFound(path, *found, O_RDONLY)};
        if (fchmod(file.fd, 0600) != 0) RefuseErrno(errno);
    }
    AtomicFile file(path);
    file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    file.Commit();
}

}  // namespace

// Writes one text at a time on a thread of its own; a newer text takes the place of one still
// waiting. One lock keeps the file to one reader or writer at a time.
class KeptText::Writer {
  public:
    Writer(KeptText* owner, std::string path)
        : owner_(owner),
          path_(std::move(path)),
          thread_([this](std::stop_token stop) { Run(stop); }) {}

    ~Writer() {
        thread_.request_stop();
        thread_.join();
    }

    void Submit(QString text) {
        {
            const std::lock_guard lock(mutex_);
            pending_ = std::move(text);
        }
        wake_.notify_all();
    }

    // Drops what waits, waits for a write in progress, then writes text here unless the file
    // holds it already. The reason when it fails.
    std::optional<QString> WriteNow(const QString& text) {
        {
            std::unique_lock lock(mutex_);
            pending_.reset();
            idle_.wait(lock, [this] { return !busy_; });
        }
        return Write(text);
    }

    std::optional<QString> Previous() {
        const std::lock_guard lock(file_mutex_);
        TakePrevious();
        if (previous_error_) throw KeptTextError(*previous_error_);
        return previous_;
    }

  private:
    void Run(std::stop_token stop) {
        for (;;) {
            QString text;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, stop, [this] { return pending_.has_value(); });
                if (stop.stop_requested()) return;
                text = std::move(*pending_);
                pending_.reset();
                busy_ = true;
            }
            const std::optional<QString> error = Write(text);
            {
                const std::lock_guard lock(mutex_);
                busy_ = false;
            }
            idle_.notify_all();
            // Told on the window's thread; dropped when the owner has gone meanwhile. The lambda
            // holds a flag and a string rather than the optional, whose copy GCC 12 at -O3 takes
            // for a read of an unset QString (-Wmaybe-uninitialized).
            QMetaObject::invokeMethod(
                owner_,
                [owner = owner_, failed = error.has_value(), reason = error.value_or(QString())] {
                    owner->Report(failed ? std::optional<QString>(reason) : std::nullopt);
                },
                Qt::QueuedConnection);
        }
    }

    std::optional<QString> Write(const QString& text) {
        const std::lock_guard lock(file_mutex_);
        TakePrevious();
        if (written_ && *written_ == text) return std::nullopt;
        try {
            WriteKept(path_, text.toUtf8());
        } catch (const AtomicFileError& error) {
            return QString::fromStdString(Reason(error.ErrorNumber(), error.what()));
        } catch (const std::exception& error) {
            return QString::fromUtf8(error.what());
        }
        written_ = text;
        return std::nullopt;
    }

    // What the file held before this instance first writes it, read once (under file_mutex_).
    void TakePrevious() {
        if (previous_taken_) return;
        previous_taken_ = true;
        try {
            previous_ = ReadKept(path_);
        } catch (const std::exception& error) {
            previous_error_ = error.what();
        }
    }

    KeptText* const owner_;
    const std::string path_;

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::condition_variable_any idle_;
    std::optional<QString> pending_;
    bool busy_ = false;

    std::mutex file_mutex_;
    std::optional<QString> written_;  // what this instance wrote last
    bool previous_taken_ = false;
    std::optional<QString> previous_;
    std::optional<std::string> previous_error_;

    std::jthread thread_;  // last: starts when the rest is ready
};

KeptText::KeptText(TextBox& box, QString path, QString not_kept)
    : QObject(&box),
      box_(box),
      path_(std::move(path)),
      not_kept_(std::move(not_kept)),
      writer_(std::make_unique<Writer>(this, path_.toStdString())) {
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    connect(&delay_, &QTimer::timeout, this, [this] { Dispatch([this] { TakeText(); }); });
    // Counted from the first edit the file does not hold yet, not restarted by later ones: a
    // user who types on and on loses no more than one who pauses.
    connect(&box_, &QPlainTextEdit::textChanged, this, [this] {
        if (!delay_.isActive()) delay_.start();
    });
}

KeptText::~KeptText() = default;

QString KeptText::DefaultPath() {
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    const QString folder = !state.isEmpty() && QDir::isAbsolutePath(state)
                               ? state
                               : QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(folder + QStringLiteral("/zv/typed.txt"));
}

void KeptText::TakeText() {
    const QString text = box_.Text();
    if (text.isEmpty() || text == not_kept_ || text == handed_) return;
    handed_ = text;
    writer_->Submit(text);
}

void KeptText::SaveNow() {
    delay_.stop();
    const QString text = box_.Text();
    if (text.isEmpty() || text == not_kept_) return;
    handed_ = text;
    Report(writer_->WriteNow(text));
}

std::optional<QString> KeptText::Previous() { return writer_->Previous(); }

void KeptText::Report(const std::optional<QString>& error) {
    if (!error) {
        told_ = false;
        return;
    }
    if (told_) return;
    told_ = true;
    ResumeNext([this, &error] {
        ShowMessage(texts::kKeptNotSaved.arg(QDir::toNativeSeparators(path_), *error),
                    MessageStyle::OkInformation);
    });
}

}  // namespace zv::ui
