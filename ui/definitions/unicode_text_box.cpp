#include "ui/definitions/unicode_text_box.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace zv::ui {
namespace {

const QLatin1String kBreakTag("<Br>");

bool IsBreakChar(QChar c) { return c == QChar::LineSeparator || c == QChar::ParagraphSeparator; }

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

}  // namespace

UnicodeTextBox::UnicodeTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChange, this, &UnicodeTextBox::TrackChange);
}

void UnicodeTextBox::SetText(QStringView text) {
    QString display;
    display.reserve(text.size() + text.size() / 16 + 16);
    std::vector<int> breaks;
    qsizetype paragraph_start = 0;
    auto add_break = [&](bool end_of_paragraph) {
        breaks.push_back(static_cast<int>(display.size()));
        if (end_of_paragraph || display.size() - paragraph_start >= kParagraphChars) {
            display.append(QChar::ParagraphSeparator);
            paragraph_start = display.size();
        } else {
            display.append(QChar::LineSeparator);
        }
    };
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype tag = text.indexOf(kBreakTag, from);
        const qsizetype line_end = tag < 0 ? text.size() : tag + kBreakTag.size();
        while (line_end - from > kMaxRunChars) {
            const qsizetype cut = RunCut(text, from, kMaxRunChars);
            display.append(text.mid(from, cut - from));
            from = cut;
            add_break(true);
        }
        display.append(text.mid(from, line_end - from));
        from = line_end;
        if (tag >= 0) add_break(false);
    }
    setting_ = true;
    setPlainText(display);
    setting_ = false;
    breaks_ = std::move(breaks);
}

void UnicodeTextBox::TrackChange(int position, int removed, int added) {
    if (setting_) return;
    const auto first = std::lower_bound(breaks_.begin(), breaks_.end(), position);
    const auto last = std::lower_bound(first, breaks_.end(), position + removed);
    if (removed == added) {
        // Also reported for a change of format only: a break still in place stays.
        const QTextDocument* doc = document();
        breaks_.erase(std::remove_if(first, last,
                                     [doc](int at) { return !IsBreakChar(doc->characterAt(at)); }),
                      last);
        return;
    }
    const auto kept = breaks_.erase(first, last);
    for (auto it = kept; it != breaks_.end(); ++it) *it += added - removed;
}

qsizetype UnicodeTextBox::TextPosition(int display_position) const {
    const auto before = std::lower_bound(breaks_.begin(), breaks_.end(), display_position);
    return display_position - (before - breaks_.begin());
}

QString UnicodeTextBox::TextOf(int from, int to) const {
    const QString raw = document()->toRawText();
    to = std::min(to, static_cast<int>(raw.size()));
    QString out;
    out.reserve(to - from);
    auto next = std::lower_bound(breaks_.begin(), breaks_.end(), from);
    int at = from;
    while (at < to) {
        const int stop = (next != breaks_.end() && *next < to) ? *next : to;
        out.append(QStringView(raw).mid(at, stop - at));
        at = stop;
        if (at < to) {
            ++at;  // the display break itself
            ++next;
        }
    }
    // What remains of paragraph separators are line breaks the user typed or pasted.
    out.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return out;
}

QString UnicodeTextBox::Text() const { return TextOf(0, document()->characterCount()); }

qsizetype UnicodeTextBox::SelectionStart() const {
    return TextPosition(textCursor().selectionStart());
}

qsizetype UnicodeTextBox::SelectionLength() const {
    const QTextCursor cursor = textCursor();
    return TextPosition(cursor.selectionEnd()) - TextPosition(cursor.selectionStart());
}

QMimeData* UnicodeTextBox::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(TextOf(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

}  // namespace zv::ui
