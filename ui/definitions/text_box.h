// An editable, word-wrapped plain-text box that holds a text of any size, long lines included,
// and stays quick to show, type in and paste into.
//
// A paragraph of the box is laid out as a whole, so one paragraph of megabytes (a converted
// text, in which every line break has become "<Br>", or pasted minified HTML) takes seconds to
// set and paint, and every key typed into it lays it out again. The box therefore breaks a line
// of the text for display:
// - after every line-end tag (the Unicode text window's "<Br>"; none for the input box), with
//   a line break on screen;
// - inside a run of more than kMaxRunChars characters without a line end, after a blank where
//   it can, when the text is set and when the user pastes or drops text;
// and it groups the lines after line-end tags into paragraphs of about kParagraphChars
// characters, so that only the paragraphs on screen are ever laid out. These display breaks
// are not part of the text: Text(), the copied or dragged text, the selection's start and
// length and TextOffset() leave them out, and deleting one only rejoins the two lines on screen.
//
// A display break is known by the character itself, wherever edits, undo and redo move it:
// - in a box with a line-end tag, a line separator (U+2028) is a display break, unless its
//   character format carries kTextLineSeparator (a line separator that was part of the text
//   set); in a box without one, every line separator is text;
// - a paragraph separator is a display break when its character format carries
//   kDisplayBreak; any other is a line break of the text and reads as "\n".
// Undo and redo restore a character with its format, so a restored break is again what it
// was. The box itself inserts every line break the user types, pastes or drops as a paragraph
// separator without kDisplayBreak: Enter and Shift+Enter alike, and a pasted CR LF, CR, line
// separator or paragraph separator.
//
// Marks that follow the text (underlines of words, say) map a position in Text() to the box's
// document with DocumentPosition() and back with TextOffset().
//
// The Menu key and Shift+F10 open the box's context menu at the text cursor.
#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>
#include <QTextFormat>
#include <vector>

namespace zv::ui {

class TextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    // A display line ends after this many characters of a run without a line end at most.
    static constexpr qsizetype kMaxRunChars = 4096;
    // Lines after line-end tags are grouped into paragraphs of at least this many characters
    // (the last one of a text may be shorter).
    static constexpr qsizetype kParagraphChars = 2048;

    // Character-format properties that tell the box's line breaks apart (see above).
    static constexpr int kDisplayBreak = QTextFormat::UserProperty;
    static constexpr int kTextLineSeparator = QTextFormat::UserProperty + 1;

    // line_end_tag: the text after which a line ends on screen; empty for none.
    explicit TextBox(QWidget* parent = nullptr, QString line_end_tag = QString());

    // Replaces the whole text (and empties the undo history, as setPlainText does). A "\n" in
    // it is a line break of the text.
    void SetText(QStringView text);

    // Replaces the whole text as a paste over all of it would: in one edit that undo takes
    // back, every line break in text a line break of the text. The cursor goes to the start.
    void ReplaceAllForUser(const QString& text);

    // The text held: what SetText set, with the user's edits; a line break the user typed
    // reads as "\n".
    QString Text() const;

    // The selection in characters of Text(): start, and length.
    qsizetype SelectionStart() const;
    qsizetype SelectionLength() const;

    // Where offset (0 to Text().size()) of Text() stands in the document, and the offset in
    // Text() of a document position.
    int DocumentPosition(qsizetype offset) const;
    qsizetype TextOffset(int position) const;
    // Where each of offsets (ascending, counted in Text() from document position from) stands
    // in the document, in one pass; past the end of the text, at its end.
    std::vector<int> DocumentPositions(int from, const std::vector<qsizetype>& offsets) const;

    // The part of Text() that the document range [from, to) shows.
    QString TextBetween(int from, int to) const { return TextOf(from, to); }
    // Replaces the document range [from, to) with text as a paste over it would: in one edit
    // that undo takes back, every line break in text a line break of the text, a long run with
    // display breaks. Returns where the text put in ends; the cursor stands there.
    int ReplaceForUser(int from, int to, const QString& text);

    // Display breaks currently shown (for tests and diagnostics).
    qsizetype DisplayBreakCount() const;

  protected:
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Calls visit(QStringView piece, int position) with the pieces of Text() that the display
    // range [from, to) holds, in order, each with the document position it starts at.
    template <typename Visit>
    void VisitText(int from, int to, Visit visit) const;
    // False when the document holds no display break, nor can an undo bring one back.
    bool MayHoldDisplayBreaks() const;
    // Text() of the display range [from, to), and its length.
    QString TextOf(int from, int to) const;
    qsizetype TextLength(int from, int to) const;
    // Inserts text for the user at the cursor, over the selection, in one undoable edit; every
    // line break in it becomes a line break of the text, and a long run gets display breaks.
    void InsertForUser(const QString& text);

    const QString line_end_tag_;
};

}  // namespace zv::ui
