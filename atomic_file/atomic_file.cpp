#include "atomic_file/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace zv {
namespace {

// The temporary file of the live AtomicFile, for a signal handler that must remove it. The
// path is copied into one of two buffers in turn and then published by the pointer, so a
// handler on any thread sees a whole path or none.
char g_temp_buffers[2][4096];
int g_next_buffer = 0;
std::atomic<const char*> g_signal_temp{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

void SetSignalTemp(const std::string& path) noexcept {
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

// The permissions open() gives a new file of mode 0666 in folder: those of the folder's
// default ACL where it has one (its owner, mask or group, and other entries), else 0666 less
// the user's file creation mask.
mode_t NewFileMode(const std::filesystem::path& folder) {
    // The ACL: a version, then entries of a tag and permissions (16 bits each) and an id.
    constexpr char kDefaultAcl[] = "system.posix_acl_default";
    const ssize_t size = getxattr(folder.c_str(), kDefaultAcl, nullptr, 0);
    std::vector<unsigned char> acl(static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
    if (size > 4 && getxattr(folder.c_str(), kDefaultAcl, acl.data(), acl.size()) == size) {
        unsigned owner = 0, group = 0, mask = 8, other = 0;
        for (ssize_t at = 4; at + 8 <= size; at += 8) {
            const unsigned tag = acl[at] | acl[at + 1] << 8, bits = acl[at + 2] & 7u;
            if (tag == 0x01) owner = bits;
            if (tag == 0x04) group = bits;
            if (tag == 0x10) mask = bits;
            if (tag == 0x20) other = bits;
        }
        return static_cast<mode_t>((owner << 6 | (mask == 8 ? group : mask) << 3 | other) & 0666);
    }
    // The mask is read, not set: setting it, even back, would change it for every thread.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) {
            return 0666 & ~static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    const mode_t mask = umask(022);  // no /proc: it can only be read by setting it
    umask(mask);
    return 0666 & ~mask;
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

// The path through which the file that fd was opened on (with O_PATH) can be asked for its
// extended attributes: the f*xattr calls take no such descriptor.
std::string ThroughDescriptor(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Whole list of a file's extended attribute names, NUL-separated; empty when it has none or
// its file system keeps none.
std::vector<char> AttributeNames(const std::string& path) {
    std::vector<char> names;
    for (;;) {
        const ssize_t size = listxattr(path.c_str(), nullptr, 0);
        if (size < 0 && (errno == ENOTSUP || errno == ENOSYS)) return {};
        if (size < 0) ThrowErrno(errno);
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = listxattr(path.c_str(), names.data(), names.size());
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
        if (size < 0 && errno == ENODATA) return std::nullopt;
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
// found and then of status old: owner and group, permissions, and the extended attributes
// (the ACL among them). Nothing is looked up by name again: a file put in the old one's place
// since would otherwise give its owner and permissions to what is written.
void KeepAccess(int fd, int old_fd, const struct stat& old) {
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
    const std::string path = ThroughDescriptor(old_fd);
    const std::vector<char> names = AttributeNames(path);
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::strlen(name) + 1;
        // A program file's capabilities are not passed on to new contents; any write to the
        // old file would have dropped them as well.
        if (std::strcmp(name, "security.capability") == 0) continue;
        try {
            const auto value = AttributeValue(name, &path, -1);
            if (!value || AttributeValue(name, nullptr, fd) == value) continue;
            if (fsetxattr(fd, name, value->data(), value->size(), 0) != 0) ThrowErrno(errno);
        } catch (const AtomicFileError& error) {
            Throw(std::string("cannot keep its attribute ") + name + ": " + error.what());
        }
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
    // One that replaces a file stays the user's alone until it is complete: Commit gives it
    // the old file's owner and permissions. A new file gets those of any new file there.
    const bool replaces = target.status && S_ISREG(target.status->st_mode);
    // The old file's owner, permissions and attributes are taken from it as found now (O_PATH:
    // its contents are not opened, and it need not be readable).
    if (replaces) old_fd_ = OpenFound(target, O_PATH, old_);
    // A hidden name beside the target; mkostemp creates it (mode 0600, never through a link).
    const std::filesystem::path name(target_);
    std::string hidden = ".";
    hidden += name.filename().string();
    hidden += ".XXXXXX";
    std::string candidate = (FolderOf(name) / hidden).string();
    fd_ = mkostemp(candidate.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        Discard();
        ThrowErrno(error);
    }
    temp_ = std::move(candidate);
    SetSignalTemp(temp_);
    // A file system that keeps no permissions (FAT) refuses the change; the file then has
    // those the mount gives every file, as it would from open().
    if (!replaces) (void)fchmod(fd_, NewFileMode(FolderOf(name)));
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

FileStamp AtomicFile::Commit() {
    if (old_fd_ >= 0) KeepAccess(fd_, old_fd_, old_);
    if (fsync(fd_) != 0) ThrowErrno(errno);
    struct stat written {};
    if (fstat(fd_, &written) != 0) ThrowErrno(errno);
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
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporaryAndEnd;
        sigemptyset(&handler.sa_mask);
        sigaction(signal, &handler, nullptr);
    }
}

}  // namespace zv
