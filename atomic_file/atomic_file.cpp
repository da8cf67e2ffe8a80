#include "atomic_file/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace zv {
namespace {

// The hidden name of the live AtomicFile's new file, for a signal handler that must remove it.
// The path is copied into one of two buffers in turn (one writer at a time) and then published
// by the pointer, so a handler on any thread sees a whole path or none.
char g_temp_buffers[2][4096];
int g_next_buffer = 0;
std::mutex g_temp_writer;
std::atomic<const char*> g_signal_temp{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

void SetSignalTemp(const std::string& path) noexcept {
    const std::lock_guard lock(g_temp_writer);
    char* buffer = g_temp_buffers[g_next_buffer];
    g_next_buffer ^= 1;
    if (path.size() >= sizeof g_temp_buffers[0]) {
        g_signal_temp.store(nullptr);
        return;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    g_signal_temp.store(buffer);
}

extern "C" void RemoveTemporaryAndEnd(int signal) {
    if (const char* temp = g_signal_temp.load()) unlink(temp);
    // The signal is blocked while its handler runs: once back at its default, it is
    // delivered again as soon as the handler returns, and ends the program as usual.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

[[noreturn]] void Throw(const std::string& reason) { throw AtomicFileError(reason); }
[[noreturn]] void ThrowErrno(int error) { throw AtomicFileError(std::strerror(error), error); }

// The folder that holds the file path names: "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? "." : folder;
}

// A name in folder for the new file while it is put in place: hidden, short (".zv-" and six
// letters or digits, so that a name as long as the system allows fits beside it as well) and
// of random letters, which nobody can tell beforehand.
std::string HiddenName(const std::filesystem::path& folder) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != sizeof random) {
        // No random bytes yet (early at boot): the clock and the process, with O_EXCL or
        // linkat refusing a name that is taken.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        unsigned long mix = static_cast<unsigned long>(now.tv_nsec) * 2654435761u ^
                            static_cast<unsigned long>(getpid()) ^
                            static_cast<unsigned long>(now.tv_sec);
        for (unsigned char& byte : random) {
            byte = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005u + 1442695040888963407u;
            byte ^= static_cast<unsigned char>(mix >> 33);
        }
    }
    std::string name = ".zv-";
    for (const unsigned char byte : random) name += kLetters[byte % (sizeof kLetters - 1)];
    return (folder / name).string();
}

// A file, FIFO or device that someone other than the user and the folder's owner has put in a
// folder that others may write to (a shared folder such as /tmp, or one open to a group) is
// neither replaced nor written, as the kernel's protected_regular and protected_fifos refuse
// to open them: the user may have meant a file of that name that did not exist yet, and anyone
// could have been first. A replacement would keep that owner and permissions, and so hand them
// what the user wrote; a FIFO would hand it over as it is written.
void RefusePlanted(const WriteTarget& target) {
    struct stat folder {};
    if (stat(FolderOf(target.path).c_str(), &folder) != 0) ThrowErrno(errno);
    const uid_t owner = target.status->st_uid;
    if (!(folder.st_mode & (S_IWGRP | S_IWOTH)) || owner == geteuid() || owner == folder.st_uid) {
        return;
    }
    if (target.IsSpecial()) {
        Throw("a FIFO or device that belongs to another user, in a folder others may write to");
    }
    Throw("a file that belongs to another user, in a folder others may write to");
}

FileStamp StampFrom(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

// The path that stands for the file open as fd: for the calls that take no descriptor opened
// with O_PATH (the extended attributes), and for linkat of an O_TMPFILE file.
std::string ThroughDescriptor(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Whole list of a file's extended attribute names, NUL-separated; empty when it has none or
// its file system keeps none. The file is path or, without one, fd.
std::vector<char> AttributeNames(const std::string* path, int fd) {
    std::vector<char> names;
    for (;;) {
        const ssize_t size =
            path ? listxattr(path->c_str(), nullptr, 0) : flistxattr(fd, nullptr, 0);
        if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return {};
        if (size < 0) ThrowErrno(errno);
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = path ? listxattr(path->c_str(), names.data(), names.size())
                                 : flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return names;
        }
        if (errno != ERANGE) ThrowErrno(errno);  // ERANGE: the list grew meanwhile
    }
}

// One attribute's value; nothing when the file has no such attribute.
std::optional<std::vector<char>> AttributeValue(const char* name, const std::string* path, int fd) {
    std::vector<char> value;
    for (;;) {
        const ssize_t size =
            path ? getxattr(path->c_str(), name, nullptr, 0) : fgetxattr(fd, name, nullptr, 0);
        // ENOTSUP: a file system that keeps no such attributes.
        if (size < 0 && (errno == ENODATA || errno == ENOTSUP)) return std::nullopt;
        if (size < 0) ThrowErrno(errno);
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = path ? getxattr(path->c_str(), name, value.data(), value.size())
                                 : fgetxattr(fd, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno == ENODATA) return std::nullopt;
        if (errno != ERANGE) ThrowErrno(errno);
    }
}

// Gives the new file fd what decides who may use the old file, opened as old_fd when it was
// found (for reading, or with O_PATH when old_readable is false) and then of status old: owner
// and group, permissions, and the extended attributes (the ACL among them). Nothing is looked
// up by name again: a file put in the old one's place since would otherwise give its owner and
// permissions to what is written.
void KeepAccess(int fd, int old_fd, bool old_readable, const struct stat& old) {
    struct stat now {};
    if (fstat(fd, &now) != 0) ThrowErrno(errno);
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0) {
        Throw("cannot keep its owner and group (" + std::to_string(old.st_uid) + ":" +
              std::to_string(old.st_gid) + "): " + std::strerror(errno));
    }
    // After the owner: changing it clears the set-user-ID and set-group-ID bits.
    if (fchmod(fd, old.st_mode & 07777) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(old.st_mode & 07777));
        Throw(std::string("cannot keep its permissions (") + mode + "): " + std::strerror(errno));
    }
    const std::string proc = ThroughDescriptor(old_fd);
    const std::string* path = old_readable ? nullptr : &proc;
    const std::vector<char> names = AttributeNames(path, old_fd);
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        // A program file's capabilities are not passed on to new contents; any write to the
        // old file would have dropped them as well.
        if (std::strcmp(name, "security.capability") == 0) continue;
        try {
            const auto value = AttributeValue(name, path, old_fd);
            if (!value || AttributeValue(name, nullptr, fd) == value) continue;
            if (fsetxattr(fd, name, value->data(), value->size(), 0) != 0) ThrowErrno(errno);
        } catch (const AtomicFileError& error) {
            Throw(std::string("cannot keep its attribute ") + name + ": " + error.what());
        }
    }
    // An ACL the old file did not have (the new one took it from the folder's default ACL) would
    // give the new file other permissions than the old one's.
    if (!AttributeValue("system.posix_acl_access", path, old_fd) &&
        AttributeValue("system.posix_acl_access", nullptr, fd) &&
        fremovexattr(fd, "system.posix_acl_access") != 0) {
        Throw(std::string("cannot keep its permissions: ") + std::strerror(errno));
    }
}

// The file that target names, opened with flags without following a link, and only when it is
// still the file FindWriteTarget found; its status as opened goes to opened.
int OpenFound(const WriteTarget& target, int flags, struct stat& opened) {
    const int fd = open(target.path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) ThrowErrno(errno);
    if (fstat(fd, &opened) != 0 || !target.status || opened.st_dev != target.status->st_dev ||
        opened.st_ino != target.status->st_ino) {
        close(fd);
        Throw("another file was put in its place while it was opened");
    }
    return fd;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return StampFrom(status);
}

WriteTarget FindWriteTarget(const std::string& path) {
    // Links in the folders above are the user's own choice of folder; only the file's own
    // place is checked, link by link.
    constexpr int kMostLinks = 40;
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0) {
            if (errno == ENOENT && links > 0) {
                Throw("a symbolic link to a file that does not exist");
            }
            if (errno == ENOENT) return {path, std::nullopt};  // a new file
            ThrowErrno(errno);
        }
        if (!S_ISLNK(status.st_mode)) {
            if (links > 0 && status.st_uid != geteuid()) {
                Throw("a symbolic link to a file that belongs to another user");
            }
            WriteTarget target{current, status};
            if (!S_ISDIR(status.st_mode)) RefusePlanted(target);
            // A file the user may not write is not replaced either, as the shell's ">" would
            // not write it: its permissions keep it as it is (root may write any file).
            if (S_ISREG(status.st_mode) &&
                faccessat(AT_FDCWD, current.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 &&
                (errno == EACCES || errno == EPERM || errno == EROFS)) {
                ThrowErrno(errno);
            }
            return target;
        }
        if (status.st_uid != geteuid()) Throw("a symbolic link that belongs to another user");
        if (links == kMostLinks) ThrowErrno(ELOOP);
        std::string to(4096, '\0');
        const ssize_t n = readlink(current.c_str(), to.data(), to.size());
        if (n < 0) ThrowErrno(errno);
        if (static_cast<std::size_t>(n) == to.size()) ThrowErrno(ENAMETOOLONG);
        to.resize(static_cast<std::size_t>(n));
        current = FolderOf(current) / to;  // an absolute link replaces the folder
    }
}

int OpenInPlace(const WriteTarget& target) {
    struct stat opened {};
    return OpenFound(target, O_WRONLY | O_NOCTTY, opened);
}

AtomicFile::AtomicFile(const std::string& path) {
    const WriteTarget target = FindWriteTarget(path);
    target_ = target.path;
    const bool replaces = target.status && S_ISREG(target.status->st_mode);
    // The old file's owner, permissions and attributes are taken from it as found now, opened
    // for reading or, when the user may not read it, without its contents (O_PATH).
    if (replaces) {
        try {
            old_fd_ = OpenFound(target, O_RDONLY | O_NONBLOCK | O_NOCTTY, old_);
            old_readable_ = true;
        } catch (const AtomicFileError& error) {
            if (error.ErrorNumber() != EACCES) throw;
            old_fd_ = OpenFound(target, O_PATH, old_);
        }
    }
    // One that replaces a file stays the user's alone until it is complete: Commit gives it
    // the old file's owner and permissions. A new file gets those of any new file there, as the
    // kernel gives them (the user's file creation mask, or the folder's default ACL).
    const mode_t mode = replaces ? 0600 : 0666;
    const std::filesystem::path folder = FolderOf(target_);
    // Without a name until Commit: whatever ends the program meanwhile leaves nothing behind.
    struct stat proc {};
    if (stat("/proc/self/fd", &proc) == 0) {
        fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd_ >= 0) return;
        // EISDIR: a kernel without O_TMPFILE; EOPNOTSUPP: a file system without it.
        if (errno != EISDIR && errno != EOPNOTSUPP) {
            const int error = errno;
            Discard();
            ThrowErrno(error);
        }
    }
    // Otherwise under a hidden name from the start, which the signal handlers remove.
    for (int tries = 0;; ++tries) {
        std::string candidate = HiddenName(folder);
        SetSignalTemp(candidate);
        fd_ = open(candidate.c_str(),
                   O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temp_ = std::move(candidate);
            return;
        }
        const int error = errno;
        g_signal_temp.store(nullptr);
        if (error != EEXIST || tries == 100) {
            Discard();
            ThrowErrno(error);
        }
    }
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() noexcept {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (old_fd_ >= 0) close(old_fd_);
    old_fd_ = -1;
    if (!temp_.empty()) {
        g_signal_temp.store(nullptr);
        unlink(temp_.c_str());
    }
    temp_.clear();
}

void AtomicFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void AtomicFile::LinkUnderHiddenName() {
    // linkat cannot put a file in the place of one that exists: the file without a name gets a
    // hidden one, which the rename then puts in the target's place at once.
    const std::string self = ThroughDescriptor(fd_);
    for (int tries = 0;; ++tries) {
        std::string candidate = HiddenName(FolderOf(target_));
        SetSignalTemp(candidate);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = std::move(candidate);
            return;
        }
        const int error = errno;
        g_signal_temp.store(nullptr);
        if (error != EEXIST || tries == 100) ThrowErrno(error);
    }
}

FileStamp AtomicFile::Commit() {
    if (old_fd_ >= 0) KeepAccess(fd_, old_fd_, old_readable_, old_);
    if (fsync(fd_) != 0) ThrowErrno(errno);
    struct stat written {};
    if (fstat(fd_, &written) != 0) ThrowErrno(errno);
    if (temp_.empty()) LinkUnderHiddenName();
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
    if (rename(temp_.c_str(), target_.c_str()) != 0) ThrowErrno(errno);
    // A signal from here on finds no file to remove.
    g_signal_temp.store(nullptr);
    temp_.clear();
    // The rename itself reaches the disk with the folder.
    const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        close(folder);
    }
    return StampFrom(written);
}

const char* TemporaryPathForSignals() noexcept {
    const char* temp = g_signal_temp.load();
    return temp ? temp : "";
}

void RemoveTemporaryFileOnSignals() {
    // Every signal that ends a program by default and that another program (or a limit, as
    // SIGXFSZ and SIGXCPU) may send; not those of the program's own faults.
    for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2,
                             SIGPOLL, SIGPROF, SIGVTALRM, SIGXCPU, SIGXFSZ, SIGPWR}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporaryAndEnd;
        sigemptyset(&handler.sa_mask);
        sigaction(signal, &handler, nullptr);
    }
}

}  // namespace zv
