#include "ui/definitions/unicode_text_box.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

namespace zv::ui {
namespace {

const QLatin1String kBreakTag("<Br>");

// Where to end a display line inside a run without "<Br>" that starts at from and is longer
// than the limit: after the last blank within the limit, else at the limit, never between the
// two halves of a surrogate pair.
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
    format.clearProperty(UnicodeTextBox::kDisplayBreak);
    format.clearProperty(UnicodeTextBox::kTextLineSeparator);
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

}  // namespace

UnicodeTextBox::UnicodeTextBox(QWidget* parent) : QPlainTextEdit(parent) {}

void UnicodeTextBox::SetText(QStringView text) {
    QString display;
    display.reserve(text.size() + text.size() / 16 + 16);
    std::vector<int> paragraph_breaks;  // display paragraph separators
    std::vector<int> text_separators;   // line separators of the text itself
    qsizetype paragraph_start = 0;
    auto add_break = [&](bool end_of_paragraph) {
        if (end_of_paragraph || display.size() - paragraph_start >= kParagraphChars) {
            paragraph_breaks.push_back(static_cast<int>(display.size()));
            display.append(QChar::ParagraphSeparator);
            paragraph_start = display.size();
        } else {
            display.append(QChar::LineSeparator);
        }
    };
    auto append = [&](QStringView piece) {
        for (qsizetype at = piece.indexOf(QChar::LineSeparator); at >= 0;
             at = piece.indexOf(QChar::LineSeparator, at + 1)) {
            text_separators.push_back(static_cast<int>(display.size() + at));
        }
        display.append(piece);
    };
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype tag = text.indexOf(kBreakTag, from);
        const qsizetype line_end = tag < 0 ? text.size() : tag + kBreakTag.size();
        while (line_end - from > kMaxRunChars) {
            const qsizetype cut = RunCut(text, from, kMaxRunChars);
            append(text.mid(from, cut - from));
            from = cut;
            add_break(true);
        }
        append(text.mid(from, line_end - from));
        from = line_end;
        if (tag >= 0) add_break(false);
    }

    // setPlainText gives the whole new text the format at the cursor: make sure it is not the
    // format of a break.
    QTextCursor start(document());
    start.setCharFormat(UserFormat(start));
    setTextCursor(start);
    setPlainText(display);

    // Marking the breaks is part of setting the text, not an edit to undo. In one edit block
    // the box lays out nothing until it is done, and then only what it shows.
    QTextDocument* doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor marker(doc);
    marker.beginEditBlock();
    MarkCharacters(marker, paragraph_breaks, kDisplayBreak);
    MarkCharacters(marker, text_separators, kTextLineSeparator);
    marker.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
}

template <typename Visit>
void UnicodeTextBox::VisitText(int from, int to, Visit visit) const {
    const QTextDocument* doc = document();
    to = std::min(to, doc->characterCount() - 1);  // the last paragraph has no separator
    for (QTextBlock block = doc->findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int begin = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (begin >= end) continue;
            const QString content = fragment.text();
            QStringView piece = QStringView(content).mid(begin - fragment.position(), end - begin);
            if (fragment.charFormat().hasProperty(kTextLineSeparator)) {
                visit(piece);
                continue;
            }
            for (qsizetype at = piece.indexOf(QChar::LineSeparator); at >= 0;
                 at = piece.indexOf(QChar::LineSeparator)) {
                if (at > 0) visit(piece.first(at));
                piece = piece.sliced(at + 1);
            }
            if (!piece.isEmpty()) visit(piece);
        }
        // The paragraph separator: it ends this paragraph, and its format is the next one's.
        const int separator = block.position() + block.length() - 1;
        const QTextBlock next = block.next();
        if (separator >= from && separator < to && next.isValid() &&
            !next.charFormat().hasProperty(kDisplayBreak)) {
            visit(QStringView(u"\n"));
        }
    }
}

QString UnicodeTextBox::TextOf(int from, int to) const {
    QString out;
    out.reserve(std::max(0, to - from));
    VisitText(from, to, [&out](QStringView piece) { out.append(piece); });
    return out;
}

qsizetype UnicodeTextBox::TextLength(int from, int to) const {
    qsizetype length = 0;
    VisitText(from, to, [&length](QStringView piece) { length += piece.size(); });
    return length;
}

QString UnicodeTextBox::Text() const { return TextOf(0, document()->characterCount()); }

qsizetype UnicodeTextBox::SelectionStart() const {
    return TextLength(0, textCursor().selectionStart());
}

qsizetype UnicodeTextBox::SelectionLength() const {
    const QTextCursor cursor = textCursor();
    return TextLength(cursor.selectionStart(), cursor.selectionEnd());
}

qsizetype UnicodeTextBox::DisplayBreakCount() const {
    const int end = document()->characterCount() - 1;
    return end - TextLength(0, end);
}

QMimeData* UnicodeTextBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(TextOf(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

void UnicodeTextBox::InsertForUser(const QString& text) {
    QTextCursor cursor = textCursor();
    // A line separator from outside is a line break like any other the user adds.
    QString normal = text;
    normal.replace(QChar::LineSeparator, QLatin1Char('\n'));
    cursor.insertText(normal, UserFormat(cursor));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void UnicodeTextBox::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || isReadOnly()) return;
    const QString text = source->text();
    if (!text.isEmpty()) InsertForUser(text);
}

void UnicodeTextBox::keyPressEvent(QKeyEvent* event) {
    if (!isReadOnly() && (event->matches(QKeySequence::InsertParagraphSeparator) ||
                          event->matches(QKeySequence::InsertLineSeparator))) {
        InsertForUser(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace zv::ui
