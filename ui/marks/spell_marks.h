// Dictionary marks in a text box: each word that the conversion spoils while another reading of
// its typed letters is a Latvian word gets a wavy underline; hovering it tells what the word
// gives and what to type instead, and the box's right-click menu starts with the suggestions.
//
// The check follows the user's edits: kDelayMs after the last change the box's document is
// taken (its raw text, and which paragraph separators are display breaks, as TextBox tells them
// apart in a box without a line-end tag), turned on a worker thread into the text a conversion
// run reads (display breaks left out, other line breaks as CR LF) and checked there. A newer edit
// stops a running check. Every change of the document counts one revision; a result is applied only
// to the revision it was computed for, and is dropped otherwise (the newer text gets its own
// check). Between checks the marks follow the edits: those after an edit move with it, those it
// touches go until the next check.
//
// Only the marks on screen are handed to the box (as extra selections), so a text of megabytes
// with thousands of marks costs no more to show and edit than a short one.
//
// Without a Latvian dictionary nothing is checked and nothing is shown.
//
// Restoring (Restore()) runs on the same worker thread: the marks of Latvian typed without them
// are given back to the selection, or to the whole text (see restore/restore.h), and the result,
// written in the conventions, replaces it in one edit that undo takes back. The choices the
// restoring is unsure of are marked as flagged words are, with the other forms as suggestions;
// they follow the edits as the check's marks do, and stay until their word is edited or the
// text restored again.
#pragma once

#include <QAction>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTimer>
#include <atomic>
#include <memory>
#include <vector>

#include "ui/definitions/text_box.h"

namespace zv::ui {

// A flagged word of the box's document.
struct SpellMark {
    struct Suggestion {
        QString word;   // in letters ("shēma")
        QString typed;  // what to type for it ("s-heema")
    };
    int begin = 0;  // document positions of the typed word
    int end = 0;
    QString typed;      // the word as typed ("sheema")
    QString converted;  // what the word gives, in letters ("šēma")
    std::vector<Suggestion> suggestions;
};

class SpellMarks : public QObject {
    Q_OBJECT
  public:
    // Quiet time after the last edit before the text is checked.
    static constexpr int kDelayMs = 400;

    // Marks box, and lives as its child.
    explicit SpellMarks(TextBox& box);
    ~SpellMarks() override;

    // The marks of the current text, in document order.
    const std::vector<SpellMark>& Marks() const { return marks_; }
    // The mark of the word at document position, or null: an uncertain choice of restoring
    // before a flagged word.
    const SpellMark* MarkAt(int position) const;
    // What hovering the mark shows, in Latvian: "sheema → šēma: vai domājāt shēma (rakstiet
    // s-heema)", one line a suggestion.
    static QString ToolTip(const SpellMark& mark);
    // The suggestion's line in the right-click menu: "shēma  (rakstiet s-heema)".
    static QString MenuLine(const SpellMark::Suggestion& suggestion);
    // How a mark looks: a wavy blue underline.
    static QTextCharFormat MarkFormat();
    // Replaces the mark's word with typed, in one undoable edit.
    void Replace(const SpellMark& mark, const QString& typed);
    // False once the worker has found no dictionary: nothing is checked from then on.
    bool Available() const { return available_; }

    // Restores the marks of the selection (whole words), or of the whole text when nothing is
    // selected, on the worker thread. An edit made meanwhile drops the result.
    void Restore();
    // The uncertain choices of restoring, in document order: the word as it now stands typed
    // ("kaa"), the form chosen as converted ("kā"), the other forms as suggestions.
    const std::vector<SpellMark>& Uncertain() const { return uncertain_; }
    // The item of the box's context menu that restores (the window's command), shown below the
    // suggestions and the box's own items; none when null.
    void SetRestoreAction(QAction* action) { restore_action_ = action; }
    // How many results the worker has sent so far, applied or not (any thread).
    quint64 ResultsSent() const { return results_sent_.load(); }

    // The box's document at one revision, for the worker.
    struct Job {
        quint64 revision = 0;
        QString raw;                      // the document's raw text: position for position
        std::vector<int> display_breaks;  // which of its paragraph separators are display breaks
    };
    // A part of the box's text to restore, at one revision.
    struct RestoreJob {
        quint64 sequence = 0;   // which restoring of the box it is
        int from = 0, to = 0;   // the document range
        bool selected = false;  // the user's selection (extended to whole words), not all
        QString text;           // its text, line breaks as "\n"
    };
    // What restoring gives for a RestoreJob: the text to put in its place (null when nothing
    // changes) and the uncertain choices, their places counted in characters of that text.
    struct Restoring {
        QString text;
        std::vector<SpellMark> uncertain;
    };

  signals:
    // The text of the current revision has been handed to the worker.
    void CheckStarted();
    // A check's result has been applied (the marks may be the same as before).
    void Checked();
    // The text to restore has been handed to the worker.
    void RestoreStarted();
    // A restoring has ended: applied (the text may be the same as before), or not (dropped for
    // an edit made meanwhile, or failed).
    void Restored(bool applied);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Worker;
    // A job being filled in, and the next paragraph to look at.
    struct Preparing {
        Job job;
        QTextBlock next;
    };
    // Slices of work on the window's thread are about this long.
    static constexpr int kSliceMs = 8;

    void Edited(int position, int removed, int added);
    void StartCheck();
    void Prepare();
    void Apply(quint64 revision, std::vector<SpellMark> marks);
    void ApplyRestoring(const RestoreJob& job, Restoring restoring);
    void RestoreFailed(quint64 sequence, const QString& message);
    void NoDictionary();
    // Hands the marks on screen to the box.
    void ShowVisible();
    void ScheduleShow();
    bool ShowToolTip(QPoint viewport_pos, QPoint global_pos);
    bool ShowMenu(QPoint viewport_pos, QPoint global_pos, bool by_mouse);

    TextBox& box_;
    QTimer delay_;
    bool show_scheduled_ = false;
    bool available_ = true;
    quint64 revision_ = 0;    // counts the document's changes
    quint64 restorings_ = 0;  // counts the restorings asked for
    quint64 restoring_ = 0;   // the one under way, of the text as it is; 0: none
    std::vector<SpellMark> marks_;
    std::vector<SpellMark> uncertain_;
    QAction* restore_action_ = nullptr;
    std::atomic<quint64> results_sent_ = 0;
    // The document range whose marks the box shows, and whether the marks have changed since
    // they were handed to it.
    int shown_from_ = -1;
    int shown_to_ = -1;
    bool marks_changed_ = true;
    std::unique_ptr<Preparing> preparing_;
    std::unique_ptr<Worker> worker_;
};

}  // namespace zv::ui
