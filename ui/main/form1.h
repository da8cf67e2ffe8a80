// The main window: startup, layout, the program's commands, automatic conversion and shutdown.
#pragma once

#include <QString>
#include <optional>

#include "atomic_file/atomic_file.h"
#include "ui/definitions/form1_definition.h"
#include "ui/main/kept_text.h"

namespace zv::ui {

class SpellMarks;

class Form1 : public Form1Definition {
    Q_OBJECT
  public:
    Form1();

    void Form_Load() override;
    void Form_Resize() override;
    // Closes the other windows and leaves the shutdown document behind, in place of the
    // document this instance wrote last while that is still there.
    void Form_Unload();

    void Timer1_Timer();
    // The menu commands.
    void Now_Click() override;
    void every_Click() override;
    void Never_Click() override;
    void select_all_Click() override;
    // Converts now, as Now_Click does, and puts the result on the clipboard: in letters as plain
    // text, and as HTML.
    void copy_text_Click() override;
    // Restores the marks of the selection, or of the whole text, off the window's thread (see
    // SpellMarks::Restore).
    void Restore_Click() override;
    void HTML_Click() override;
    void Unicodedtext_Click() override;
    void Help_Click() override;
    void About_Click() override;
    void Previous_Click() override;
    void Quit_Click() override;
    void feedback_Click() override;
    void feedback3_Click() override;

    // One conversion run over Text1: hint, convert, preview, Unicode text, document.
    void ConvertText();
    // Prepares the help window for what the user can see: the offline picture stays over the
    // view unless the computer is online. Offline, the user is told and the view is sent to the
    // help page once more; a query that fails sends the view there without a word.
    virtual void Checkconn();

    static const QString kOfflineMessage;

    static QString AboutLine();
    bool RunInProgress() const { return run_in_progress_; }
    // Where the text typed into Text1 is kept between runs.
    KeptText& Kept() const { return *kept_; }

  private:
    class RunWindows;
    // What a run read and published, for the copy.
    struct RunCapture {
        QString typed;
        std::optional<QString> converted;
    };
    void RunConversion(RunCapture* capture);
    void ShowAndFocus(ZvWindow& window);
    // Opens the feedback page in the user's default browser; when none can be started, shows
    // the page's address.
    void OpenFeedback();

    KeptText* kept_ = nullptr;     // a child of Text1
    SpellMarks* marks_ = nullptr;  // a child of Text1
    bool run_in_progress_ = false;
    bool document_written_ = false;  // by the last run that came as far as writing it
    // The document this instance wrote last, and its body.
    std::optional<FileStamp> document_stamp_;
    QString document_body_;
    bool tick_in_progress_ = false;
};

}  // namespace zv::ui
