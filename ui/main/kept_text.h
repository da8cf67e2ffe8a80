// The main window's text kept on disk, so that nothing the user typed is lost at quit, in a
// crash or in a power cut: typed.txt in the user's state folder, in UTF-8, mode 0600, replaced
// whole (atomic_file) at most kDelayMs after the first edit it does not hold yet, and at quit.
//
// The file is written on a thread of its own, so that a text of megabytes never holds up
// typing; the window's thread only takes the box's text when the delay is over. A text the user
// never typed (the built-in help text the window starts with) is not kept, nor is an empty box:
// the file then keeps what was typed before.
//
// The file and its folder are used only when they are the user's own: a symbolic link, a FIFO
// or anything but a regular file in typed.txt's place, another user's file, or a folder that
// another user owns or others may write to is never read from or written through. A missing
// folder is made with mode 0700.
//
// A failure to keep the text is told once, in a message box, and again only after a write has
// succeeded since. Two instances of the program each replace the file when their own text
// changes: the last one to write wins.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <stdexcept>

namespace zv::ui {

class TextBox;

// Why the kept text cannot be read or written; what() is the reason alone.
class KeptTextError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class KeptText : public QObject {
    Q_OBJECT
  public:
    // The longest an edit waits before the text goes to the file (plus the write itself).
    static constexpr int kDelayMs = 1000;

    // Keeps box's text in the file path, except a text equal to not_kept. Lives as box's child.
    KeptText(TextBox& box, QString path, QString not_kept);
    // Lets a write in progress finish; what is still pending is not written (SaveNow is).
    ~KeptText() override;

    // $XDG_STATE_HOME/zv/typed.txt, or ~/.local/state/zv/typed.txt when XDG_STATE_HOME is not
    // set, empty or not an absolute path.
    static QString DefaultPath();
    const QString& Path() const { return path_; }

    // Writes the box's text now, on the calling thread, unless the file holds it already or
    // it is not kept (at quit). A failure is told as any other.
    void SaveNow();

    // The text the file held before this instance first replaced it: nothing when it held
    // none. Throws KeptTextError when the file may not be read (see above) or cannot be.
    std::optional<QString> Previous();

    // Whether an edit waits for its delay before the text is taken (for tests).
    bool Waiting() const { return delay_.isActive(); }

  private:
    class Writer;

    void TakeText();
    void Report(const std::optional<QString>& error);

    TextBox& box_;
    const QString path_;
    const QString not_kept_;
    QTimer delay_;
    QString handed_;  // the text handed to the writer last
    bool told_ = false;
    std::unique_ptr<Writer> writer_;
};

}  // namespace zv::ui
