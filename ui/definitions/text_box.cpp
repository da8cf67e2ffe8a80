#include "ui/definitions/text_box.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <utility>
#include <vector>

namespace zv::ui {
namespace {

// Where to end a display line inside a run without a line end that starts at from and is
// longer than the limit: after the last blank within the limit, else at the limit, never
// between the two halves of a surrogate pair.
qsizetype RunCut(QStringView text, qsizetype from, qsizetype limit) {
    const qsizetype end = from + limit;
    for (qsizetype i = end; i > from + limit / 2; --i) {
        if (text[i - 1] == QLatin1Char(' ')) return i;
    }
    return text[end - 1].isHighSurrogate() ? end - 1 : end;
}

// A format for what the user inserts: the one at the cursor, without the marks of line breaks
// it may have taken over from a neighbouring break.
QTextCharFormat UserFormat(const QTextCursor& cursor) {
    QTextCharFormat format = cursor.charFormat();
    format.clearProperty(TextBox::kDisplayBreak);
    format.clearProperty(TextBox::kTextLineSeparator);
    return format;
}

// Sets property on the characters at the given positions, in one edit.
void MarkCharacters(QTextCursor& cursor, const std::vector<int>& positions, int property) {
    QTextCharFormat mark;
    mark.setProperty(property, true);
    for (const int at : positions) {
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(mark);
    }
}

// The text as the box shows it: the text with its display breaks, where those that end a
// display paragraph stand, and where the line separators of the text itself stand.
struct DisplayText {
    QString text;
    std::vector<int> paragraph_breaks;
    std::vector<int> text_separators;
};

// Builds a DisplayText from the pieces of the text and the breaks between them.
class DisplayBuilder {
  public:
    DisplayBuilder(qsizetype text_size, bool tagged) : tagged_(tagged) {
        display_.text.reserve(text_size + text_size / 16 + 16);
    }

    // A piece of the text; in a box with a line-end tag, its line separators are text.
    void Append(QStringView piece) {
        if (tagged_) {
            for (qsizetype at = piece.indexOf(QChar::LineSeparator); at >= 0;
                 at = piece.indexOf(QChar::LineSeparator, at + 1)) {
                display_.text_separators.push_back(static_cast<int>(display_.text.size() + at));
            }
        }
        display_.text.append(piece);
    }

    // A display break: it ends the paragraph when asked to or once the paragraph is long
    // enough, and is a line break within the paragraph otherwise.
    void AddBreak(bool end_of_paragraph) {
        QString& text = display_.text;
        if (end_of_paragraph || text.size() - paragraph_start_ >= TextBox::kParagraphChars) {
            display_.paragraph_breaks.push_back(static_cast<int>(text.size()));
            text.append(QChar::ParagraphSeparator);
            paragraph_start_ = text.size();
        } else {
            text.append(QChar::LineSeparator);
        }
    }

    // A line break of the text, just appended, has ended a paragraph.
    void EndParagraph() { paragraph_start_ = display_.text.size(); }

    DisplayText Take() { return std::move(display_); }

  private:
    const bool tagged_;
    DisplayText display_;
    qsizetype paragraph_start_ = 0;
};

// The text with a display break after every line-end tag (none when line_end_tag is empty)
// and within every run longer than the limit.
DisplayText ForDisplay(QStringView text, QStringView line_end_tag) {
    const bool tagged = !line_end_tag.isEmpty();
    DisplayBuilder display(text.size(), tagged);
    // The next line-end tag and the next line break at or after from; -1 when there is none.
    // Each is searched for again only once from has passed it.
    qsizetype tag = tagged ? -2 : -1;
    qsizetype newline = -2;
    qsizetype from = 0;
    while (from < text.size()) {
        if (tag != -1 && tag < from) tag = text.indexOf(line_end_tag, from);
        if (newline != -1 && newline < from) newline = text.indexOf(QLatin1Char('\n'), from);
        const bool by_newline = newline >= 0 && (tag < 0 || newline < tag);
        const bool by_tag = !by_newline && tag >= 0;
        const qsizetype line_end = by_newline ? newline + 1
                                   : by_tag   ? tag + line_end_tag.size()
                                              : text.size();
        while (line_end - from > TextBox::kMaxRunChars) {
            const qsizetype cut = RunCut(text, from, TextBox::kMaxRunChars);
            display.Append(text.mid(from, cut - from));
            from = cut;
            display.AddBreak(true);
        }
        display.Append(text.mid(from, line_end - from));
        from = line_end;
        if (by_tag) display.AddBreak(false);
        if (by_newline) display.EndParagraph();
    }
    return display.Take();
}

}  // namespace

TextBox::TextBox(QWidget* parent, QString line_end_tag)
    : QPlainTextEdit(parent), line_end_tag_(std::move(line_end_tag)) {}

void TextBox::SetText(QStringView text) {
    const DisplayText display = ForDisplay(text, line_end_tag_);

    // setPlainText gives the whole new text the format at the cursor: make sure it is not the
    // format of a break.
    QTextCursor start(document());
    start.setCharFormat(UserFormat(start));
    setTextCursor(start);
    setPlainText(display.text);

    // Marking the breaks is part of setting the text, not an edit to undo. In one edit block
    // the box lays out nothing until it is done, and then only what it shows.
    QTextDocument* doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor marker(doc);
    marker.beginEditBlock();
    MarkCharacters(marker, display.paragraph_breaks, kDisplayBreak);
    MarkCharacters(marker, display.text_separators, kTextLineSeparator);
    marker.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

template <typename Visit>
void TextBox::VisitText(int from, int to, Visit visit) const {
    const bool separators_break = !line_end_tag_.isEmpty();
    const QTextDocument* doc = document();
    to = std::min(to, doc->characterCount() - 1);  // the last paragraph has no separator
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            int begin = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (begin >= end) continue;
            const QString content = fragment.text();
            QStringView piece = QStringView(content).mid(begin - fragment.position(), end - begin);
            if (!separators_break || fragment.charFormat().hasProperty(kTextLineSeparator)) {
                visit(piece, begin);
                continue;
            }
            for (qsizetype at = piece.indexOf(QChar::LineSeparator); at >= 0;
                 at = piece.indexOf(QChar::LineSeparator)) {
                if (at > 0) visit(piece.first(at), begin);
                piece = piece.sliced(at + 1);
                begin += static_cast<int>(at) + 1;
            }
            if (!piece.isEmpty()) visit(piece, begin);
        }
        // The paragraph separator: it ends this paragraph, and its format is the next one's.
        const int separator = block.position() + block.length() - 1;
        const QTextBlock next = block.next();
        if (separator >= from && separator < to && next.isValid() &&
            !next.charFormat().hasProperty(kDisplayBreak)) {
            visit(QStringView(u"\n"), separator);
        }
    }
}

QString TextBox::TextOf(int from, int to) const {
    QString out;
    out.reserve(std::max(0, to - from));
    VisitText(from, to, [&out](QStringView piece, int) { out.append(piece); });
    return out;
}

qsizetype TextBox::TextLength(int from, int to) const {
    qsizetype length = 0;
    VisitText(from, to, [&length](QStringView piece, int) { length += piece.size(); });
    return length;
}

QString TextBox::Text() const {
    if (!line_end_tag_.isEmpty()) return TextOf(0, document()->characterCount());
    // Only a paragraph separator can be a display break here: the raw text, with the others
    // as line breaks and the display breaks left out, in one pass.
    const QTextDocument* doc = document();
    QString raw = doc->toRawText();
    // Without a display break every paragraph separator is a line break: no need to look at
    // each paragraph's format, which costs far more than the text itself when there are
    // hundreds of thousands.
    if (!MayHoldDisplayBreaks()) return raw.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QString text;
    text.reserve(raw.size());
    qsizetype from = 0;
    for (QTextBlock block = doc->begin().next(); block.isValid(); block = block.next()) {
        const qsizetype separator = block.position() - 1;
        text.append(QStringView(raw).sliced(from, separator - from));
        if (!block.charFormat().hasProperty(kDisplayBreak)) text.append(QLatin1Char('\n'));
        from = separator + 1;
    }
    text.append(QStringView(raw).sliced(from));
    return text;
}

bool TextBox::MayHoldDisplayBreaks() const {
    // A display break carries a format of its own, which the document keeps among its formats
    // as long as it may hold one (an undo can bring one back).
    const QList<QTextFormat> formats = document()->allFormats();
    return std::any_of(formats.begin(), formats.end(),
                       [](const QTextFormat& format) { return format.hasProperty(kDisplayBreak); });
}

qsizetype TextBox::SelectionStart() const { return TextLength(0, textCursor().selectionStart()); }

qsizetype TextBox::SelectionLength() const {
    const QTextCursor cursor = textCursor();
    return TextLength(cursor.selectionStart(), cursor.selectionEnd());
}

int TextBox::DocumentPosition(qsizetype offset) const {
    const int end = document()->characterCount() - 1;
    int position = end;
    qsizetype seen = 0;
    VisitText(0, end, [&](QStringView piece, int at) {
        if (seen <= offset && offset < seen + piece.size()) {
            position = at + static_cast<int>(offset - seen);
        }
        seen += piece.size();
    });
    return position;
}

qsizetype TextBox::TextOffset(int position) const { return TextLength(0, position); }

std::vector<int> TextBox::DocumentPositions(int from, const std::vector<qsizetype>& offsets) const {
    const int end = document()->characterCount() - 1;
    std::vector<int> positions(offsets.size(), end);
    if (line_end_tag_.isEmpty() && !MayHoldDisplayBreaks()) {
        // Every character of the document is one of the text.
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            positions[k] = static_cast<int>(std::min<qsizetype>(from + offsets[k], end));
        }
        return positions;
    }
    std::size_t next = 0;
    qsizetype seen = 0;
    VisitText(from, end, [&](QStringView piece, int at) {
        while (next < offsets.size() && offsets[next] < seen + piece.size()) {
            positions[next] = at + static_cast<int>(std::max<qsizetype>(offsets[next] - seen, 0));
            ++next;
        }
        seen += piece.size();
    });
    return positions;
}

int TextBox::ReplaceForUser(int from, int to, const QString& text) {
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(range);
    InsertForUser(text);
    return textCursor().position();
}

qsizetype TextBox::DisplayBreakCount() const {
    const int end = document()->characterCount() - 1;
    return end - TextLength(0, end);
}

QMimeData* TextBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* mime = new QMimeData;
    mime->setText(TextOf(cursor.selectionStart(), cursor.selectionEnd()));
    return mime;
}

void TextBox::InsertForUser(const QString& text) {
    // Every kind of line break from outside is a line break like any other the user adds.
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QChar other :
         {QChar(u'\r'), QChar(QChar::LineSeparator), QChar(QChar::ParagraphSeparator)}) {
        normal.replace(other, QLatin1Char('\n'));
    }
    QTextCursor cursor = textCursor();
    const QTextCharFormat format = UserFormat(cursor);
    QTextCharFormat display_break = format;
    display_break.setProperty(kDisplayBreak, true);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    // A run longer than the limit gets display breaks, as a text set does.
    qsizetype from = 0;
    qsizetype run_start = 0;
    while (true) {
        const qsizetype newline = normal.indexOf(QLatin1Char('\n'), run_start);
        const qsizetype run_end = newline < 0 ? normal.size() : newline;
        while (run_end - run_start > kMaxRunChars) {
            const qsizetype cut = RunCut(normal, run_start, kMaxRunChars);
            cursor.insertText(normal.mid(from, cut - from), format);
            cursor.insertBlock(cursor.blockFormat(), display_break);
            from = run_start = cut;
        }
        if (newline < 0) break;
        run_start = newline + 1;
    }
    cursor.insertText(normal.mid(from), format);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TextBox::ReplaceAllForUser(const QString& text) {
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    setTextCursor(all);
    InsertForUser(text);
    setTextCursor(QTextCursor(document()));
}

void TextBox::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || isReadOnly()) return;
    const QString text = source->text();
    if (!text.isEmpty()) InsertForUser(text);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    // The context menu keys open the box's menu at the text cursor, as a right click there would
    // (where the platform has not opened it already: then the key goes to the open menu).
    const bool menu_key = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    const bool shift_f10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (menu_key || shift_f10) {
        const QPoint at = viewport()->mapTo(this, cursorRect().center());
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, mapToGlobal(at));
        QCoreApplication::sendEvent(this, &menu);
        event->accept();
        return;
    }
    if (!isReadOnly() && (event->matches(QKeySequence::InsertParagraphSeparator) ||
                          event->matches(QKeySequence::InsertLineSeparator))) {
        InsertForUser(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace zv::ui
