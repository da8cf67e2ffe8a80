// Latvian plain-keyboard conventions to HTML character references.
//
// The conversion is an ordered table of literal find-and-replace rules over UTF-16 code
// units. Transliterate returns exactly what applying every rule in table order would give,
// each rule replacing its non-overlapping occurrences from left to right.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace zv {

struct Rule {
    std::u16string_view find;         // 1 to 13 code units, never empty
    std::u16string_view replacement;  // may be empty, shorter or longer
};

// The rules in the order they are applied.
std::span<const Rule> RuleTable() noexcept;

// The whole table applied to text. Pure, thread-safe, linear in the text's length.
std::u16string Transliterate(std::u16string_view text);

// The same conversion over UTF-8: for valid UTF-8, the UTF-8 of Transliterate's result.
// Bytes of invalid UTF-8 are passed on or matched as they stand.
std::string TransliterateUtf8(std::string_view text);

// The same, appended to out: a caller that converts many pieces keeps one buffer.
void TransliterateUtf8(std::string_view text, std::string& out);

// TransliterateUtf8 over a text that comes a piece at a time, cut anywhere: the pieces'
// conversions, one after another, are the conversion of the whole text. It runs the rule chain
// itself, one byte at a time (several times slower than TransliterateUtf8), and holds back only
// what may still begin a find text, never more than the longest find texts together: for a
// text too long to hold whole that offers no place where it could be cut into pieces that
// convert on their own.
class Utf8TransliterationStream {
  public:
    Utf8TransliterationStream();
    ~Utf8TransliterationStream();
    Utf8TransliterationStream(const Utf8TransliterationStream&) = delete;
    Utf8TransliterationStream& operator=(const Utf8TransliterationStream&) = delete;

    // Appends to out what the next piece of the text settles of the conversion.
    void Convert(std::string_view piece, std::string& out);
    // The end of the text: appends what was held back; the next piece starts a new text.
    void Finish(std::string& out);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// What the machine behind the conversion has met since the program started, for tests and
// diagnosis. Text that visits more states than the machine's tables hold fills them: a run
// that finds the tables shared by all threads full converts its text again with tables of
// its thread's own (and rebuilds the shared ones if no other run is using them); those are
// rebuilt in the middle of the call whenever they fill up.
struct MachineCounts {
    std::uint64_t shared_tables_full = 0;     // runs that found the shared tables full
    std::uint64_t shared_tables_rebuilt = 0;  // of those, the ones that rebuilt them
    std::uint64_t rebuilt_in_call = 0;        // a thread's own tables rebuilt during a call
};
MachineCounts MachineCountsNow() noexcept;

// True when text is exactly one of the words in which "aa" may stand for two letters.
bool IsHintWord(std::u16string_view text) noexcept;

// What the user is told when the whole text is a hint word.
inline constexpr std::u16string_view kHintMessage =
    u"Ja iet runa par arshanu, raksta pa-art, pa-aris";

}  // namespace zv
