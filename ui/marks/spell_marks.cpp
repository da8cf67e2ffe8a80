#include "ui/marks/spell_marks.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

#include "checker/checker.h"
#include "engine/line_ends.h"
#include "lexicon/lexicon.h"
#include "restore/restore.h"
#include "ui/definitions/handlers.h"
#include "ui/definitions/message_box.h"
#include "ui/texts.h"

namespace zv::ui {
namespace {

QString FromU16(const std::u16string& text) { return QString::fromStdU16String(text); }

// The text of job's document as a conversion run reads it: the display breaks left out, every
// other line end as CR LF. From each shift on, a unit of the text stands at document position
// (its offset in the text + the shift's delta).
struct CheckInput {
    struct Shift {
        std::size_t from;  // offset in text
        qsizetype delta;
    };
    std::u16string text;
    std::vector<Shift> shifts{{0, 0}};
};

CheckInput InputOf(const SpellMarks::Job& job) {
    CheckInput input;
    std::vector<CheckInput::Shift>& shifts = input.shifts;
    const std::u16string_view raw(QStringView(job.raw).utf16(),
                                  static_cast<std::size_t>(job.raw.size()));
    input.text.reserve(raw.size() + raw.size() / 16);
    auto display_break = job.display_breaks.begin();
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t length = LineEndLength(raw, at);
        if (length == 0) {
            input.text.push_back(raw[at++]);
            continue;
        }
        const auto position = static_cast<qsizetype>(at);
        while (display_break != job.display_breaks.end() && *display_break < position) {
            ++display_break;
        }
        const auto skipped = static_cast<qsizetype>(length);
        if (display_break != job.display_breaks.end() && *display_break == position) {
            shifts.push_back({input.text.size(), shifts.back().delta + skipped});
        } else {
            input.text += kLineEnd;
            shifts.push_back({input.text.size(), shifts.back().delta + skipped -
                                                     static_cast<qsizetype>(kLineEnd.size())});
        }
        at += length;
    }
    return input;
}

// The marks of the findings in input, at their document positions.
std::vector<SpellMark> MarksOf(const std::vector<checker::Finding>& findings,
                               const CheckInput& input) {
    // The findings are in order: the shift of each one's first and last unit only moves on.
    std::size_t first_shift = 0, last_shift = 0;
    auto position = [&shifts = input.shifts](std::size_t& shift, std::size_t offset) {
        while (shift + 1 < shifts.size() && shifts[shift + 1].from <= offset) ++shift;
        return static_cast<qsizetype>(offset) + shifts[shift].delta;
    };
    std::vector<SpellMark> marks;
    marks.reserve(findings.size());
    for (const checker::Finding& finding : findings) {
        if (finding.begin >= finding.end || finding.end > input.text.size()) continue;
        SpellMark mark;
        mark.begin = static_cast<int>(position(first_shift, finding.begin));
        mark.end = static_cast<int>(position(last_shift, finding.end - 1) + 1);
        mark.typed = QString::fromUtf16(input.text.data() + finding.begin,
                                        static_cast<qsizetype>(finding.end - finding.begin));
        mark.converted = FromU16(finding.converted);
        for (const checker::Suggestion& suggestion : finding.suggestions) {
            mark.suggestions.push_back({FromU16(suggestion.word), FromU16(suggestion.typed)});
        }
        if (!mark.suggestions.empty()) marks.push_back(std::move(mark));
    }
    return marks;
}

// The marks of the flagged words of job's document, at their document positions.
std::vector<SpellMark> CheckText(const checker::Checker& checker, const SpellMarks::Job& job,
                                 std::stop_token stop) {
    const CheckInput input = InputOf(job);
    if (stop.stop_requested()) return {};
    const std::vector<checker::Finding> findings = checker.Check(input.text, stop);
    if (stop.stop_requested()) return {};
    return MarksOf(findings, input);
}

// The restoring of job's text: the text to put in its place and the uncertain choices.
SpellMarks::Restoring RestoreText(restore::Restorer& restorer, const SpellMarks::RestoreJob& job,
                                  std::stop_token stop) {
    const std::u16string_view typed(QStringView(job.text).utf16(),
                                    static_cast<std::size_t>(job.text.size()));
    restore::Restored restored = restorer.Restore(typed, stop);
    SpellMarks::Restoring restoring;
    if (restored.text != typed) restoring.text = QString::fromStdU16String(restored.text);
    for (const restore::Uncertain& choice : restored.uncertain) {
        SpellMark mark;
        mark.begin = static_cast<int>(choice.out_begin);
        mark.end = static_cast<int>(choice.out_begin + choice.out_length);
        mark.typed = QString::fromUtf16(restored.text.data() + choice.out_begin,
                                        static_cast<qsizetype>(choice.out_length));
        mark.converted = FromU16(choice.chosen.word);
        for (const restore::Alternative& other : choice.others) {
            mark.suggestions.push_back({FromU16(other.word), FromU16(other.typed)});
        }
        if (!mark.suggestions.empty()) restoring.uncertain.push_back(std::move(mark));
    }
    return restoring;
}

// Marks after an edit at position (removed characters, added ones) move with it; a mark it
// touches (even at an end: the word may have grown) goes.
void FollowEdit(std::vector<SpellMark>& marks, int position, int removed, int added) {
    const int delta = added - removed;
    auto kept = marks.begin();
    for (auto& mark : marks) {
        if (mark.end < position) {
            *kept++ = std::move(mark);
        } else if (mark.begin > position + removed) {
            mark.begin += delta;
            mark.end += delta;
            *kept++ = std::move(mark);
        }
    }
    marks.erase(kept, marks.end());
}

const SpellMark* MarkIn(const std::vector<SpellMark>& marks, int position) {
    const auto it = std::lower_bound(marks.begin(), marks.end(), position,
                                     [](const SpellMark& m, int p) { return m.end < p; });
    return it != marks.end() && it->begin <= position ? &*it : nullptr;
}

}  // namespace

QTextCharFormat SpellMarks::MarkFormat() {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    // A clear blue against the dark red text and the box's white.
    format.setUnderlineColor(QColor(0, 64, 255));
    return format;
}

// Checks one text at a time on a thread of its own, and restores the texts it is given, a
// restoring before a check. A new text stops the check of the one before, a new text to restore
// the restoring of the one before. The dictionary is opened on the thread with the first text of
// either kind, and serves both; the lexicon with the first text to restore.
class SpellMarks::Worker {
  public:
    explicit Worker(SpellMarks* owner)
        : owner_(owner), thread_([this](std::stop_token stop) { Run(stop); }) {}

    ~Worker() {
        Cancel();
        CancelRestore();
        thread_.request_stop();
        thread_.join();
    }

    void Submit(SpellMarks::Job job) {
        {
            const std::lock_guard lock(mutex_);
            current_.request_stop();
            current_ = std::stop_source();
            pending_ = std::move(job);
        }
        wake_.notify_one();
    }

    // Stops the running check and drops a text not yet begun.
    void Cancel() {
        const std::lock_guard lock(mutex_);
        current_.request_stop();
        pending_.reset();
    }

    void SubmitRestore(SpellMarks::RestoreJob job) {
        {
            const std::lock_guard lock(mutex_);
            current_restore_.request_stop();
            current_restore_ = std::stop_source();
            pending_restore_ = std::move(job);
        }
        wake_.notify_one();
    }

    // Stops the running restoring and drops a text to restore not yet begun.
    void CancelRestore() {
        const std::lock_guard lock(mutex_);
        current_restore_.request_stop();
        pending_restore_.reset();
    }

  private:
    void Run(std::stop_token thread_stop) {
        while (true) {
            SpellMarks::Job job;
            std::optional<SpellMarks::RestoreJob> restore_job;
            std::stop_token stop;
            {
                std::unique_lock lock(mutex_);
                if (!wake_.wait(lock, thread_stop, [this] {
                        return pending_.has_value() || pending_restore_.has_value();
                    })) {
                    return;
                }
                if (pending_restore_) {
                    restore_job = std::move(pending_restore_);
                    pending_restore_.reset();
                    stop = current_restore_.get_token();
                } else {
                    job = std::move(*pending_);
                    pending_.reset();
                    stop = current_.get_token();
                }
            }
            if (restore_job) {
                RunRestore(*restore_job, stop);
                continue;
            }
            try {
                if (!Checker()) continue;
                auto marks =
                    std::make_shared<std::vector<SpellMark>>(CheckText(*checker_, job, stop));
                if (stop.stop_requested()) continue;
                QMetaObject::invokeMethod(
                    owner_,
                    [owner = owner_, revision = job.revision, marks] {
                        owner->Apply(revision, std::move(*marks));
                    },
                    Qt::QueuedConnection);
                ++owner_->results_sent_;
            } catch (...) {
                // Out of memory on a huge text, say: this text goes unmarked; the next edit
                // tries again.
            }
        }
    }

    // The checker, opened on first use; null (and the owner told, once) without a dictionary.
    const checker::Checker* Checker() {
        if (!opened_) {
            opened_ = true;
            checker_ = checker::Checker::OpenDefault();
            if (!checker_) {
                QMetaObject::invokeMethod(
                    owner_, [owner = owner_] { owner->NoDictionary(); }, Qt::QueuedConnection);
            }
        }
        return checker_.get();
    }

    // Restores job's text and hands the result to the owner. The restorer is made with the
    // first text: the lexicon, and the checker's dictionary for the words the lexicon does not
    // know.
    void RunRestore(const SpellMarks::RestoreJob& job, std::stop_token stop) {
        const auto fail = [this, sequence = job.sequence](const QString& message) {
            QMetaObject::invokeMethod(
                owner_,
                [owner = owner_, sequence, message] { owner->RestoreFailed(sequence, message); },
                Qt::QueuedConnection);
        };
        try {
            if (!restorer_) {
                const lexicon::Lexicon* lexicon = lexicon::Lexicon::Get();
                if (!lexicon) {
                    fail(texts::kNoLexicon.arg(QString::fromStdString(lexicon::Lexicon::Error())));
                    return;
                }
                const checker::Checker* checker = Checker();
                restorer_ = std::make_unique<restore::Restorer>(
                    *lexicon, checker ? restore::FormsAcceptedBy([checker](std::u16string_view w) {
                        return checker->Accepts(w);
                    })
                                      : restore::DictionaryForms{});
            }
            auto restoring =
                std::make_shared<SpellMarks::Restoring>(RestoreText(*restorer_, job, stop));
            if (stop.stop_requested()) return;
            QMetaObject::invokeMethod(
                owner_,
                [owner = owner_, job, restoring] {
                    owner->ApplyRestoring(job, std::move(*restoring));
                },
                Qt::QueuedConnection);
        } catch (const std::exception& error) {
            fail(ErrorMessage(error));
        } catch (...) {
            fail(texts::kErrorPrefix + texts::kUnknownError);
        }
    }

    SpellMarks* const owner_;
    // The worker thread's own: the checker before the restorer that asks it.
    std::unique_ptr<checker::Checker> checker_;
    bool opened_ = false;
    std::unique_ptr<restore::Restorer> restorer_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<SpellMarks::Job> pending_;
    std::optional<SpellMarks::RestoreJob> pending_restore_;
    std::stop_source current_;          // the stop of the text being checked or waiting
    std::stop_source current_restore_;  // and of the text being restored or waiting
    std::jthread thread_;               // last: it runs on the members above
};

SpellMarks::SpellMarks(TextBox& box) : QObject(&box), box_(box) {
    setObjectName(QStringLiteral("SpellMarks"));
    delay_.setSingleShot(true);
    delay_.setInterval(kDelayMs);
    connect(&delay_, &QTimer::timeout, this, &SpellMarks::StartCheck);
    connect(box_.document(), &QTextDocument::contentsChange, this, &SpellMarks::Edited);
    connect(box_.verticalScrollBar(), &QScrollBar::valueChanged, this, &SpellMarks::ScheduleShow);
    connect(&box_, &QPlainTextEdit::updateRequest, this, &SpellMarks::ScheduleShow);
    box_.installEventFilter(this);
    box_.viewport()->installEventFilter(this);
    worker_ = std::make_unique<Worker>(this);
    if (!box_.document()->isEmpty()) delay_.start();
}

SpellMarks::~SpellMarks() { worker_.reset(); }  // its results are for this object

const SpellMark* SpellMarks::MarkAt(int position) const {
    const SpellMark* uncertain = MarkIn(uncertain_, position);
    return uncertain != nullptr ? uncertain : MarkIn(marks_, position);
}

QString SpellMarks::ToolTip(const SpellMark& mark) {
    QString tip = texts::kMarkHeading.arg(mark.typed, mark.converted);
    bool first = true;
    for (const SpellMark::Suggestion& s : mark.suggestions) {
        tip += (first ? texts::kMarkFirstSuggestion : texts::kMarkOtherSuggestion)
                   .arg(s.word, s.typed);
        first = false;
    }
    return tip;
}

QString SpellMarks::MenuLine(const SpellMark::Suggestion& suggestion) {
    return texts::kMarkMenuLine.arg(suggestion.word, suggestion.typed);
}

void SpellMarks::Replace(const SpellMark& mark, const QString& typed) {
    const int begin = mark.begin, end = mark.end;  // the edit drops the mark itself
    QTextCursor cursor(box_.document());
    cursor.setPosition(begin);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    // The word's own format, without the marks of a line break it may have taken over.
    QTextCharFormat format = cursor.charFormat();
    format.clearProperty(TextBox::kDisplayBreak);
    format.clearProperty(TextBox::kTextLineSeparator);
    cursor.beginEditBlock();
    cursor.insertText(typed, format);
    cursor.endEditBlock();
    box_.setTextCursor(cursor);
}

void SpellMarks::Edited(int position, int removed, int added) {
    ++revision_;
    preparing_.reset();
    worker_->Cancel();
    if (restoring_ != 0) {
        // The text to restore is no longer the box's: the restoring is dropped.
        restoring_ = 0;
        worker_->CancelRestore();
        emit Restored(false);
    }
    if (available_) delay_.start();
    if (marks_.empty() && uncertain_.empty()) return;
    // A check's mark that the edit touches goes until the next check; an uncertain choice of
    // restoring for good.
    FollowEdit(marks_, position, removed, added);
    FollowEdit(uncertain_, position, removed, added);
    marks_changed_ = true;
    ScheduleShow();
}

void SpellMarks::Restore() {
    QTextCursor cursor = box_.textCursor();
    int from = 0, to = box_.document()->characterCount() - 1;
    if (cursor.hasSelection()) {
        // Whole words: a selection that starts or ends inside one takes all of it.
        QTextCursor edge(box_.document());
        edge.setPosition(cursor.selectionStart());
        edge.movePosition(QTextCursor::StartOfWord);
        from = edge.position();
        edge.setPosition(cursor.selectionEnd());
        if (!edge.atBlockStart()) edge.movePosition(QTextCursor::EndOfWord);
        to = std::max(edge.position(), cursor.selectionEnd());
    }
    RestoreJob job;
    job.sequence = restoring_ = ++restorings_;
    job.from = from;
    job.to = to;
    job.selected = cursor.hasSelection();
    job.text = cursor.hasSelection() ? box_.TextBetween(from, to) : box_.Text();
    worker_->SubmitRestore(std::move(job));
    emit RestoreStarted();
}

void SpellMarks::ApplyRestoring(const RestoreJob& job, Restoring restoring) {
    // Only the restoring last asked for, of the text as it still is (an edit since drops it).
    if (job.sequence != restoring_) return;
    restoring_ = 0;
    const bool selected = job.selected;
    int end = job.to;
    if (!restoring.text.isNull()) {
        QScrollBar* scroll = box_.verticalScrollBar();
        const int top = scroll->value();
        const int cursor = box_.textCursor().position();
        end = box_.ReplaceForUser(job.from, job.to, restoring.text);
        QTextCursor after(box_.document());
        if (selected) {
            after.setPosition(job.from);
            after.setPosition(end, QTextCursor::KeepAnchor);
        } else {
            after.setPosition(std::min(cursor, end));
        }
        box_.setTextCursor(after);
        if (!selected) scroll->setValue(top);
    }
    // The uncertain choices, from places in the text put in to places in the document.
    std::vector<qsizetype> offsets;
    offsets.reserve(2 * restoring.uncertain.size());
    for (const SpellMark& mark : restoring.uncertain) {
        offsets.push_back(mark.begin);
        offsets.push_back(mark.end - 1);
    }
    const std::vector<int> positions = box_.DocumentPositions(job.from, offsets);
    std::vector<SpellMark> uncertain;
    uncertain.reserve(uncertain_.size() + restoring.uncertain.size());
    for (SpellMark& mark : uncertain_) {
        if (mark.end <= job.from || mark.begin >= end) uncertain.push_back(std::move(mark));
    }
    for (std::size_t k = 0; k < restoring.uncertain.size(); ++k) {
        SpellMark& mark = restoring.uncertain[k];
        mark.begin = positions[2 * k];
        mark.end = positions[2 * k + 1] + 1;
        uncertain.push_back(std::move(mark));
    }
    std::sort(uncertain.begin(), uncertain.end(),
              [](const SpellMark& a, const SpellMark& b) { return a.begin < b.begin; });
    uncertain_ = std::move(uncertain);
    marks_changed_ = true;
    ShowVisible();
    emit Restored(true);
}

void SpellMarks::RestoreFailed(quint64 sequence, const QString& message) {
    if (sequence != restoring_) return;
    restoring_ = 0;
    emit Restored(false);
    Dispatch([&message] { ShowMessage(message, MessageStyle::Ok); });
}

void SpellMarks::StartCheck() {
    if (!available_) return;
    const QTextDocument* doc = box_.document();
    preparing_ = std::make_unique<Preparing>();
    preparing_->job.revision = revision_;
    preparing_->job.raw = doc->toRawText();
    preparing_->next = doc->begin().next();
    // The raw text of megabytes takes tens of milliseconds: the window handles its events before
    // the first slice.
    QTimer::singleShot(0, this, &SpellMarks::Prepare);
}

void SpellMarks::Prepare() {
    if (!preparing_ || preparing_->job.revision != revision_) return;
    // Which paragraph separators are display breaks: a look at every paragraph's format, a
    // slice at a time, so that the window answers keys and paints between slices.
    QElapsedTimer slice;
    slice.start();
    int looked = 0;
    for (QTextBlock& block = preparing_->next; block.isValid(); block = block.next()) {
        if (block.charFormat().hasProperty(TextBox::kDisplayBreak)) {
            preparing_->job.display_breaks.push_back(block.position() - 1);
        }
        if (++looked % 1024 == 0 && slice.elapsed() >= kSliceMs) {
            block = block.next();
            QTimer::singleShot(0, this, &SpellMarks::Prepare);
            return;
        }
    }
    worker_->Submit(std::move(preparing_->job));
    preparing_.reset();
    emit CheckStarted();
}

void SpellMarks::Apply(quint64 revision, std::vector<SpellMark> marks) {
    // A result for an older text would put marks on the wrong words: the newer text has its
    // own check coming.
    if (revision != revision_) return;
    marks_ = std::move(marks);
    marks_changed_ = true;
    ShowVisible();
    emit Checked();
}

void SpellMarks::NoDictionary() {
    available_ = false;
    delay_.stop();
    marks_.clear();
    marks_changed_ = true;
    ShowVisible();
}

void SpellMarks::ScheduleShow() {
    if (show_scheduled_) return;
    show_scheduled_ = true;
    QTimer::singleShot(0, this, &SpellMarks::ShowVisible);
}

void SpellMarks::ShowVisible() {
    show_scheduled_ = false;
    const QWidget* viewport = box_.viewport();
    const QTextBlock top = box_.cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock bottom =
        box_.cursorForPosition(QPoint(viewport->width(), viewport->height())).block();
    const int from = top.position();
    const int to = bottom.position() + bottom.length();
    if (!marks_changed_ && from == shown_from_ && to == shown_to_) return;
    marks_changed_ = false;
    shown_from_ = from;
    shown_to_ = to;

    QList<QTextEdit::ExtraSelection> selections;
    const QTextCharFormat format = MarkFormat();
    for (const std::vector<SpellMark>* marks : {&marks_, &uncertain_}) {
        auto it = std::lower_bound(marks->begin(), marks->end(), from,
                                   [](const SpellMark& m, int p) { return m.end <= p; });
        for (; it != marks->end() && it->begin < to; ++it) {
            QTextEdit::ExtraSelection selection;
            selection.cursor = QTextCursor(box_.document());
            selection.cursor.setPosition(it->begin);
            selection.cursor.setPosition(it->end, QTextCursor::KeepAnchor);
            selection.format = format;
            selections.append(selection);
        }
    }
    box_.setExtraSelections(selections);
}

bool SpellMarks::eventFilter(QObject* watched, QEvent* event) {
    const bool marked = !marks_.empty() || !uncertain_.empty();
    if (!marked && restore_action_ == nullptr) return false;
    if (marked && watched == box_.viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        return ShowToolTip(help->pos(), help->globalPos());
    }
    if (event->type() == QEvent::ContextMenu) {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        if (watched == box_.viewport()) return ShowMenu(menu->pos(), menu->globalPos(), true);
        if (watched == &box_ && menu->reason() != QContextMenuEvent::Mouse) {
            const QPoint at = box_.cursorRect().center();
            return ShowMenu(at, box_.viewport()->mapToGlobal(at), false);
        }
    }
    return false;
}

namespace {

// The mark under a point of the viewport: the word's own letters, not the space beside them.
const SpellMark* MarkUnder(const SpellMarks& marks, const TextBox& box, QPoint pos) {
    const SpellMark* mark = marks.MarkAt(box.cursorForPosition(pos).position());
    if (mark == nullptr) return nullptr;
    QTextCursor edge(box.document());
    edge.setPosition(mark->begin);
    const QRect first = box.cursorRect(edge);
    edge.setPosition(mark->end);
    const QRect last = box.cursorRect(edge);
    if (first.top() != last.top()) return mark;  // the word is broken over two lines
    const bool inside = pos.x() >= first.left() && pos.x() <= last.left() &&
                        pos.y() >= first.top() && pos.y() <= first.bottom();
    return inside ? mark : nullptr;
}

}  // namespace

bool SpellMarks::ShowToolTip(QPoint viewport_pos, QPoint global_pos) {
    const SpellMark* mark = MarkUnder(*this, box_, viewport_pos);
    if (mark == nullptr) {
        QToolTip::hideText();
        return true;
    }
    QTextCursor edge(box_.document());
    edge.setPosition(mark->begin);
    QRect word = box_.cursorRect(edge);
    edge.setPosition(mark->end);
    word = word.united(box_.cursorRect(edge));
    // Plain text: shown as it is, one line each, however long.
    QToolTip::showText(global_pos, ToolTip(*mark), box_.viewport(), word);
    return true;
}

bool SpellMarks::ShowMenu(QPoint viewport_pos, QPoint global_pos, bool by_mouse) {
    if (box_.isReadOnly()) return false;
    const SpellMark* mark =
        by_mouse ? MarkUnder(*this, box_, viewport_pos) : MarkAt(box_.textCursor().position());
    if (mark == nullptr && restore_action_ == nullptr) return false;
    QMenu* menu = box_.createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (restore_action_ != nullptr) {
        menu->addSeparator();
        menu->addAction(restore_action_);
    }
    if (mark == nullptr) {
        menu->popup(global_pos);
        return true;
    }
    QAction* first = menu->actions().isEmpty() ? nullptr : menu->actions().first();
    const quint64 revision = revision_;
    const int begin = mark->begin;
    int number = 0;
    for (const SpellMark::Suggestion& suggestion : mark->suggestions) {
        QString caption = MenuLine(suggestion);
        auto* action = new QAction(caption.replace('&', QStringLiteral("&&")), menu);
        action->setObjectName(QStringLiteral("suggestion%1").arg(++number));
        ConnectHandler(action, this, [this, revision, begin, typed = suggestion.typed] {
            // Only onto the text the menu was opened for.
            if (revision != revision_) return;
            if (const SpellMark* now = MarkAt(begin); now != nullptr && now->begin == begin) {
                Replace(*now, typed);
            }
        });
        menu->insertAction(first, action);
    }
    menu->insertSeparator(first);
    menu->popup(global_pos);
    return true;
}

}  // namespace zv::ui
