#include "atomic_file/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace zv {
namespace {

// The temporary file of the live AtomicFile, for a signal handler that must remove it.
char g_signal_temp[4096];

void SetSignalTemp(const std::string& path) noexcept {
    if (path.size() < sizeof g_signal_temp) {
        std::memcpy(g_signal_temp, path.c_str(), path.size() + 1);
    } else {
        g_signal_temp[0] = '\0';
    }
}

[[noreturn]] void Throw(const char* reason) { throw AtomicFileError(reason); }
[[noreturn]] void ThrowErrno(int error) { throw AtomicFileError(std::strerror(error)); }

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string WriteTarget(const std::string& path) {
    // Links in the folders above are the user's own choice of folder; only the file's own
    // place is checked, link by link.
    constexpr int kMostLinks = 40;
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0) {
            if (errno == ENOENT && links > 0)
                Throw("a symbolic link to a file that does not exist");
            if (errno == ENOENT) return path;  // a new file
            ThrowErrno(errno);
        }
        if (!S_ISLNK(status.st_mode)) {
            if (links > 0 && status.st_uid != geteuid()) {
                Throw("a symbolic link to a file that belongs to another user");
            }
            return current;
        }
        if (status.st_uid != geteuid()) Throw("a symbolic link that belongs to another user");
        if (links == kMostLinks) ThrowErrno(ELOOP);
        std::string to(4096, '\0');
        const ssize_t n = readlink(current.c_str(), to.data(), to.size());
        if (n < 0) ThrowErrno(errno);
        if (static_cast<std::size_t>(n) == to.size()) ThrowErrno(ENAMETOOLONG);
        to.resize(static_cast<std::size_t>(n));
        current = !to.empty() && to.front() == '/' ? to : FolderOf(current) + "/" + to;
    }
}

AtomicFile::AtomicFile(const std::string& path) : target_(WriteTarget(path)) {
    const std::string base = FolderOf(target_) + "/." + NameOf(target_) + ".";
    std::random_device seed;
    std::mt19937_64 random(seed());
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::string candidate = base;
        for (int i = 0; i < 8; ++i) candidate += kLetters[random() % (sizeof kLetters - 1)];
        // Mode 0666 less the user's umask, as for any new file; never through a link.
        fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temp_ = std::move(candidate);
        } else if (errno != EEXIST || attempt == 100) {
            ThrowErrno(errno);
        }
    }
    SetSignalTemp(temp_);
    // The new file keeps the old one's permissions.
    struct stat old {};
    if (lstat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        (void)fchmod(fd_, old.st_mode & 07777);
    }
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() noexcept {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
    g_signal_temp[0] = '\0';
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

void AtomicFile::Commit() {
    if (fsync(fd_) != 0) ThrowErrno(errno);
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0 && errno != EINTR) ThrowErrno(errno);
    if (rename(temp_.c_str(), target_.c_str()) != 0) ThrowErrno(errno);
    temp_.clear();
    g_signal_temp[0] = '\0';
    // The rename itself reaches the disk with the folder.
    const int folder = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        close(folder);
    }
}

const char* TemporaryPathForSignals() noexcept { return g_signal_temp; }

}  // namespace zv
