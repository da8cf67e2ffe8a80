// Replacing a file whole: the new contents go to a new file in the same folder, which has no
// name while it is written (O_TMPFILE), and which is synced, linked under a short hidden name
// and renamed over the old file only when everything has been written. A reader sees the old
// file or the new one, never a part; on any failure, and when the program is ended meanwhile,
// the old file stays as it was and nothing is left beside it. Where the system or the file
// system has no O_TMPFILE, the new file has its hidden name from the start, and it is removed
// on failure (and by the signal handlers below).
//
// The new file keeps who may read and change the old one: its owner, group, permissions, ACL
// and other extended attributes, as the old file had them when the write began (a file put in
// its place since gives nothing). Where one of them cannot be given to the new file (a user
// may not give a file away to someone else), the write fails and the old file stays. A file
// the user may not write (its permissions) is not replaced; root may write any.
//
// A symbolic link in the file's place is followed only when the link, every link after it and
// the file it leads to all belong to the user running the program; a link that leads nowhere
// is never followed (its target is not created). In a folder that others may write to, a link
// planted there by someone else can so never make the program write to one of the user's
// files, nor to a FIFO or device; nor is a file, FIFO or device replaced or written there that
// belongs to someone other than the user and the folder's owner.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zv {

// what() is the reason alone (not the path), for the caller to put into its own message.
class AtomicFileError : public std::runtime_error {
  public:
    explicit AtomicFileError(const std::string& reason, int error_number = 0)
        : std::runtime_error(reason), error_number_(error_number) {}
    // The errno of the call that failed; 0 when the link policy or a kept attribute refused
    // the write (what() says why).
    int ErrorNumber() const noexcept { return error_number_; }

  private:
    int error_number_;
};

// The place that writing to a path would write, as the link policy above allows it.
struct WriteTarget {
    std::string path;                   // the path itself, or the file its links lead to
    std::optional<struct stat> status;  // that file's own status; nothing when it is new

    // A FIFO, a device or a socket: something that cannot be replaced by another file.
    bool IsSpecial() const {
        return status && !S_ISREG(status->st_mode) && !S_ISDIR(status->st_mode);
    }
};

// Follows path's symbolic links one by one without opening anything. Throws AtomicFileError
// when the policy forbids following a link, and for a file, FIFO or device that belongs to
// neither the user nor the folder's owner in a folder that its group or everyone may write to
// (a shared folder such as /tmp): anyone could have put it there in place of the file the user
// meant to create.
WriteTarget FindWriteTarget(const std::string& path);

// Opens a special target (FIFO, device) for writing in place, without following a link and
// only when it is still the file FindWriteTarget found. Returns the descriptor.
int OpenInPlace(const WriteTarget& target);

// What identifies a file's contents as written: a later write, by this program or another,
// gives another file or another size or time of change.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};

    bool operator==(const FileStamp& other) const;
};

// The stamp of the file path names (links followed); nothing when there is none.
std::optional<FileStamp> StampOf(const std::string& path);

class AtomicFile {
  public:
    // Creates the new file beside the file that path names (see FindWriteTarget).
    explicit AtomicFile(const std::string& path);
    // Removes the new file unless Commit() has succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Gives the new file the old one's owner, permissions and attributes, syncs it and renames
    // it over the target. Returns the stamp of the file now in the target's place.
    FileStamp Commit();

    // How many other names (hard links) the file replaced had when the write began: they keep
    // the old contents. 0 for a new file.
    nlink_t OtherLinks() const { return old_fd_ >= 0 ? old_.st_nlink - 1 : 0; }

  private:
    void Discard() noexcept;
    void LinkUnderHiddenName();

    std::string target_;
    std::string temp_;  // the new file's hidden name, once it has one
    int fd_ = -1;
    int old_fd_ = -1;            // the file replaced, as found at the start; -1 for a new file
    bool old_readable_ = false;  // opened for reading, else with O_PATH
    struct stat old_ {};         // its status then
};

// The hidden name of the new file of the AtomicFile that gave one last and has not yet
// committed or discarded it, as a NUL-terminated path for unlink() in a signal handler; empty
// when there is none.
const char* TemporaryPathForSignals() noexcept;

// From now on each signal that ends a program by default and comes from outside it (SIGINT,
// SIGTERM, SIGHUP, SIGQUIT, SIGPIPE from a write to a pipe whose reader has gone, SIGALRM,
// SIGUSR1, SIGUSR2, SIGXFSZ and SIGXCPU from a limit, and the like) removes that hidden file
// and then ends the program as the signal itself would. A signal that was ignored when this is
// called stays ignored (nohup).
void RemoveTemporaryFileOnSignals();

}  // namespace zv
