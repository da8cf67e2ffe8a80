#include "ime/core/composer.h"

#include <utility>

#include "engine/plain_text.h"
#include "engine/utf8.h"
#include "ime/core/word_ends.h"

namespace zv::ime {
namespace {

constexpr std::uint32_t kCommandModifiers = kControl | kAlt | kSuper;

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8) count += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    return count;
}

bool IsReturn(std::uint32_t sym) {
    return sym == keysym::kReturn || sym == keysym::kKpEnter || sym == keysym::kIsoEnter;
}

}  // namespace

std::string ConvertWord(std::string_view typed) { return PlainText(typed); }

Reply Composer::Press(const Key& key) {
    if ((key.modifiers & kRelease) || !enabled_) return {};
    // Ctrl, Alt or Super pressed commits the word before the shortcut it begins; a key with
    // one held, below, commits too.
    if (IsCommandModifierKey(key.keysym) && !keys_.empty()) return CommitAnd(true);
    if (IsModifierKey(key.keysym)) return {};
    const char32_t c = key.character;
    const bool command = (key.modifiers & kCommandModifiers) != 0;
    if (keys_.empty()) {
        // Only a key that begins a word is taken; every other one passes through untouched.
        if (command || !IsScalarValue(c) || RoleOf(c) != Role::kLetter) return {};
        Append(c);
        return {.commit = {}, .pass = false};
    }
    if (!candidates_.empty() && !command) {
        if (std::optional<Reply> reply = ListKey(key)) return *std::move(reply);
    }
    if (command) return CommitAnd(true);
    if (key.keysym == keysym::kBackSpace) {
        TakeBack();
        return {.commit = {}, .pass = false};
    }
    if (key.keysym == keysym::kEscape) return CommitAnd(false, false);
    if (IsReturn(key.keysym) || c == 0 || !IsScalarValue(c)) return CommitAnd(true);
    switch (RoleOf(c)) {
        case Role::kLetter:
            break;
        case Role::kInReference:
            if (ampersands_ > 0) break;
            return CommitAnd(true);
        case Role::kWordEnd:
        case Role::kLineEnd:
            return CommitAnd(true);
    }
    Append(c);
    return {.commit = {}, .pass = false};
}

// The keys that move through a list of suggestions, and Enter when one is selected. Any other
// key acts as if no list were shown.
std::optional<Reply> Composer::ListKey(const Key& key) {
    const std::size_t count = candidates_.size();
    const bool back =
        key.keysym == keysym::kUp || key.keysym == keysym::kKpUp ||
        key.keysym == keysym::kIsoLeftTab ||
        ((key.keysym == keysym::kTab || key.keysym == keysym::kKpTab) && (key.modifiers & kShift));
    const bool forward = !back && (key.keysym == keysym::kDown || key.keysym == keysym::kKpDown ||
                                   key.keysym == keysym::kTab || key.keysym == keysym::kKpTab);
    if (forward) {
        // From none to the first, on to the last, then none again.
        selected_ = !selected_               ? 0
                    : *selected_ + 1 < count ? std::optional(*selected_ + 1)
                                             : std::nullopt;
        return Reply{.commit = {}, .pass = false};
    }
    if (back) {
        selected_ = !selected_       ? std::optional(count - 1)
                    : *selected_ > 0 ? std::optional(*selected_ - 1)
                                     : std::nullopt;
        return Reply{.commit = {}, .pass = false};
    }
    if (IsReturn(key.keysym) && selected_) return Reply{.commit = Pick(*selected_), .pass = false};
    return std::nullopt;
}

std::string Composer::SetEnabled(bool on) {
    enabled_ = on;
    return on ? std::string() : Flush();
}

std::string Composer::Flush() {
    std::string converted = preedit_;
    Clear();
    return converted;
}

void Composer::Clear() {
    if (keys_.empty()) return;
    keys_.clear();
    ampersands_ = 0;
    Changed();
}

void Composer::Offer(std::u16string_view typed, std::vector<Candidate> candidates) {
    if (keys_.empty() || typed != Typed()) return;
    candidates_ = std::move(candidates);
    selected_.reset();
}

std::string Composer::Pick(std::size_t index) {
    if (index >= candidates_.size()) return {};
    std::string word = std::move(candidates_[index].word);
    Clear();
    return word;
}

std::u16string Composer::Typed() const {
    std::u16string typed;
    for (const char32_t c : keys_) AppendCodePoint(c, typed);
    return typed;
}

std::string Composer::TypedUtf8() const {
    std::string typed;
    for (const char32_t c : keys_) AppendCodePoint(c, typed);
    return typed;
}

void Composer::Append(char32_t c) {
    keys_.push_back(c);
    ampersands_ += c == U'&';
    Changed();
}

void Composer::TakeBack() {
    ampersands_ -= keys_.back() == U'&';
    keys_.pop_back();
    Changed();
}

void Composer::Changed() {
    preedit_ = keys_.empty() ? std::string() : ConvertWord(TypedUtf8());
    preedit_length_ = CharacterCount(preedit_);
    candidates_.clear();
    selected_.reset();
    ++revision_;
}

Reply Composer::CommitAnd(bool pass, bool converted) {
    Reply reply{.commit = converted ? preedit_ : TypedUtf8(), .pass = pass};
    Clear();
    return reply;
}

}  // namespace zv::ime
