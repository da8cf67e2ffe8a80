// The text box of the Unicode text window: an editable, word-wrapped plain-text box that holds
// a converted text of any size and shows it at once.
//
// A converted text is one long line in which every typed line break has become "<Br>". Laid
// out as one paragraph, ten megabytes take seconds to set and seconds more to paint. The box
// therefore shows a line break after every "<Br>" (and inside a run of more than
// kMaxRunChars characters without one, after a blank where it can), and groups the lines into
// paragraphs of about kParagraphChars characters, so that only the paragraphs on screen are
// ever laid out. These display breaks are not part of the text: the box remembers where they
// are, keeps track of them through every edit, and leaves them out of Text(), of the copied
// or dragged text and of the selection's start and length. Deleting one only rejoins the two
// lines on screen.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>
#include <vector>

namespace zv::ui {

class UnicodeTextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    // A display line ends after this many characters of a run without "<Br>" at most.
    static constexpr qsizetype kMaxRunChars = 4096;
    // Lines are grouped into paragraphs of at least this many characters (the last one of a
    // text may be shorter).
    static constexpr qsizetype kParagraphChars = 2048;

    explicit UnicodeTextBox(QWidget* parent = nullptr);

    // Replaces the whole text (and empties the undo history, as setPlainText does).
    void SetText(QStringView text);

    // The text held: what SetText set, with the user's edits; a line break the user typed
    // reads as "\n".
    QString Text() const;

    // The selection in characters of Text(): start, and length.
    qsizetype SelectionStart() const;
    qsizetype SelectionLength() const;

    // Display breaks currently shown (for tests and diagnostics).
    qsizetype DisplayBreakCount() const { return static_cast<qsizetype>(breaks_.size()); }

  protected:
    QMimeData* createMimeDataFromSelection() const override;

  private:
    void TrackChange(int position, int removed, int added);
    // Characters of Text() that lie before the display position.
    qsizetype TextPosition(int display_position) const;
    // Text() of the display range [from, to).
    QString TextOf(int from, int to) const;

    std::vector<int> breaks_;  // display positions of the display breaks, ascending
    bool setting_ = false;
};

}  // namespace zv::ui
