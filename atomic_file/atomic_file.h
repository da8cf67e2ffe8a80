// Replacing a file whole: the new contents go to a temporary file in the same folder, which is
// synced and renamed over the old file only when everything has been written. A reader sees
// the old file or the new one, never a part; on any failure the old file stays as it was and
// the temporary file is removed.
//
// A symbolic link in the file's place is followed only when the link, every link after it and
// the file it leads to all belong to the user running the program; a link that leads nowhere
// is never followed (its target is not created). In a folder that others may write to, a link
// planted there by someone else can so never make the program overwrite one of the user's
// files.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zv {

// what() is the reason alone (not the path), for the caller to put into its own message.
class AtomicFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The file that writing to path would replace: path itself, or the file its symbolic link
// leads to when the policy above allows following it. Throws AtomicFileError otherwise.
std::string WriteTarget(const std::string& path);

class AtomicFile {
  public:
    // Creates the temporary file beside the file that path names (see WriteTarget).
    explicit AtomicFile(const std::string& path);
    // Removes the temporary file unless Commit() has succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes);
    // Syncs the temporary file and renames it over the target.
    void Commit();

    // The temporary file's path while it exists (empty after Commit or removal). Kept in a
    // plain buffer so that a signal handler can remove it (see TemporaryPathForSignals).
    const std::string& TemporaryPath() const { return temp_; }

  private:
    void Discard() noexcept;

    std::string target_;
    std::string temp_;
    int fd_ = -1;
};

// The temporary file of the AtomicFile created last and not yet committed or discarded, as a
// NUL-terminated path for unlink() in a signal handler; empty when there is none.
const char* TemporaryPathForSignals() noexcept;

}  // namespace zv
