// The text box of the Unicode text window: an editable, word-wrapped plain-text box that holds
// a converted text of any size and shows it at once.
//
// A converted text is one long line in which every typed line break has become "<Br>". Laid
// out as one paragraph, ten megabytes take seconds to set and seconds more to paint. The box
// therefore shows a line break after every "<Br>" (and inside a run of more than
// kMaxRunChars characters without one, after a blank where it can), and groups the lines into
// paragraphs of about kParagraphChars characters, so that only the paragraphs on screen are
// ever laid out. These display breaks are not part of the text: Text(), the copied or dragged
// text and the selection's start and length leave them out, and deleting one only rejoins
// the two lines on screen.
//
// A display break is known by the character itself, wherever edits, undo and redo move it:
// - a line separator (U+2028) is a display break, unless its character format carries
//   kTextLineSeparator (a line separator that was part of the text set);
// - a paragraph separator is a display break when its character format carries
//   kDisplayBreak; any other is a line break of the text and reads as "\n".
// Undo and redo restore a character with its format, so a restored break is again what it
// was. The box itself inserts every line break the user types, pastes or drops as a paragraph
// separator without kDisplayBreak: Enter and Shift+Enter alike.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>
#include <QTextFormat>

namespace zv::ui {

class UnicodeTextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    // A display line ends after this many characters of a run without "<Br>" at most.
    static constexpr qsizetype kMaxRunChars = 4096;
    // Lines are grouped into paragraphs of at least this many characters (the last one of a
    // text may be shorter).
    static constexpr qsizetype kParagraphChars = 2048;

    // Character-format properties that tell the box's line breaks apart (see above).
    static constexpr int kDisplayBreak = QTextFormat::UserProperty;
    static constexpr int kTextLineSeparator = QTextFormat::UserProperty + 1;

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
    qsizetype DisplayBreakCount() const;

  protected:
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Calls visit(QStringView) with the pieces of Text() that the display range [from, to)
    // holds, in order.
    template <typename Visit>
    void VisitText(int from, int to, Visit visit) const;
    // Text() of the display range [from, to), and its length.
    QString TextOf(int from, int to) const;
    qsizetype TextLength(int from, int to) const;
    // Inserts text for the user at the cursor, over the selection; every line break in it
    // becomes a line break of the text.
    void InsertForUser(const QString& text);
};

}  // namespace zv::ui
