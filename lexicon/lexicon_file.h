// The layout of the compiled lexicon file, shared by its writer (make_lexicon) and its reader.
//
// Little-endian, every section at a multiple of 8 bytes. A header, then the sections it
// lists. Strings are lower-case UTF-8; a letter is one of the 38 of the Latvian alphabet and
// a to z (see Symbol).
//
//   forms      the counted forms: the ones with a count, form 0 the empty form that stands
//              for a line's start. FormRecord[] by id, their letters in form_text, an
//              open-addressing hash table (form id + 1 per slot, 0 free) in form_slots.
//   followers  for each counted form, the forms seen right after it, by id: FollowRecord[],
//              those of one form together and in order of id (binary search).
//   endings    the same three for word endings (the last letters of a form), and their
//              followers: how often a form with one ending follows one with another.
//   marks      for a letter that may take a mark, in the context of the letters around it
//              without marks: how many known forms have it plain and how many marked, for
//              each window of 0 to kMarkWindow letters either side (a window past the form's
//              start or end holds symbol 0 there). One std::uint64_t each, sorted: the
//              window's width (2 bits) and its 2 * kMarkWindow + 1 plain symbols (5 bits
//              each, the first in the highest), then the two counts in kMarkCountBits bits
//              each, plain above marked (both scaled down together to fit).
//   words      every known form, counted or from the dictionary, as a minimal acyclic
//              automaton: Edge[] (node 0 is the root, a node's edges together, the last one
//              flagged).
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace zv::lexicon::file {

inline constexpr char kMagic[8] = {'Z', 'V', 'L', 'E', 'X', 0, 0, 1};
inline constexpr std::uint32_t kVersion = 2;

enum Section : std::uint32_t {
    kForms,
    kFormText,
    kFormSlots,
    kFollowers,
    kEndings,
    kEndingText,
    kEndingSlots,
    kEndingFollowers,
    kMarks,
    kWords,
    kSectionCount
};

struct SectionPlace {
    std::uint64_t offset;
    std::uint64_t size;  // in bytes
};

struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t ending_letters;  // how many last letters make an ending
    std::uint64_t checksum;        // Checksum of the whole file with this field 0
    std::uint64_t file_size;
    std::uint64_t total_count;      // the counts of all forms, added up
    std::uint64_t total_followers;  // all the word pairs counted
    SectionPlace sections[kSectionCount];
};

struct FormRecord {
    std::uint32_t text;            // offset of its letters in form_text
    std::uint32_t count;           // how often it occurs
    std::uint32_t first_follower;  // its followers: [first_follower, + follower_count)
    std::uint32_t follower_count;  // how many different forms follow it
    std::uint32_t follower_total;  // how often a form follows it, all counted
    std::uint16_t length;          // in bytes
    std::uint16_t flags;           // kInDictionary
};

// A counted form that the dictionary makes too (a form without a count is known only from it).
inline constexpr std::uint16_t kInDictionary = 1;

struct FollowRecord {
    std::uint32_t next;   // the form or ending that follows
    std::uint32_t count;  // how often
};

// The marks table: letters either side of the letter in the widest window, and the bits of a
// count.
inline constexpr int kMarkWindow = 3;
inline constexpr int kMarkCountBits = 13;
inline constexpr std::uint64_t kMarkCountMax = (1u << kMarkCountBits) - 1;

// The key of a window (see marks above) of width w: symbols[0 .. 2w], plain, 0 past the form;
// shifted above the counts.
constexpr std::uint64_t MarkKey(int width, const unsigned* symbols) noexcept {
    std::uint64_t key = static_cast<std::uint64_t>(width);
    for (int i = 0; i < 2 * kMarkWindow + 1; ++i) {
        const int from_center = i - kMarkWindow;
        const bool inside = from_center >= -width && from_center <= width;
        key = (key << 5) | (inside ? symbols[i] : 0u);
    }
    return key << (2 * kMarkCountBits);
}

// One edge of the automaton: bits 0-5 the letter's symbol, bit 6 the node it leads to ends a
// word, bit 7 the node's last edge, bits 8-31 the index of the first edge of the node it leads
// to (0: a node without edges).
using Edge = std::uint32_t;
inline constexpr std::uint32_t kEdgeSymbol = 0x3F;
inline constexpr std::uint32_t kEdgeFinal = 0x40;
inline constexpr std::uint32_t kEdgeLast = 0x80;
inline constexpr int kEdgeTargetShift = 8;
inline constexpr std::uint32_t kMaxEdges = 1u << 24;

// The letters of the automaton, by symbol 1 to 38: a to z, then ā č ē ģ ī ķ ļ ņ ŗ š ū ž.
inline constexpr char32_t kMarkedLetters[12] = {U'ā', U'č', U'ē', U'ģ', U'ī', U'ķ',
                                                U'ļ', U'ņ', U'ŗ', U'š', U'ū', U'ž'};
inline constexpr char kPlainOfMarked[12] = {'a', 'c', 'e', 'g', 'i', 'k',
                                            'l', 'n', 'r', 's', 'u', 'z'};

// The symbol of a lower-case letter, 0 for anything else.
constexpr unsigned Symbol(char32_t c) noexcept {
    if (c >= U'a' && c <= U'z') return static_cast<unsigned>(c - U'a') + 1;
    for (unsigned i = 0; i < 12; ++i) {
        if (kMarkedLetters[i] == c) return 27 + i;
    }
    return 0;
}

constexpr char32_t LetterOf(unsigned symbol) noexcept {
    if (symbol >= 1 && symbol <= 26) return U'a' + (symbol - 1);
    if (symbol >= 27 && symbol <= 38) return kMarkedLetters[symbol - 27];
    return 0;
}

// The symbol of the marked letter of plain symbol s (a -> ā), 0 when it has none.
constexpr unsigned MarkedSymbol(unsigned s) noexcept {
    for (unsigned i = 0; i < 12; ++i) {
        if (Symbol(static_cast<char32_t>(kPlainOfMarked[i])) == s) return 27 + i;
    }
    return 0;
}

// FNV-1a over bytes: the slot of a string in a table of strings.
constexpr std::uint64_t HashText(std::string_view text) noexcept {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

// The file's checksum: a multiply-rotate hash of its 8-byte words (the size is a multiple of
// 8), fast enough to check a file of megabytes at every start.
inline std::uint64_t Checksum(const unsigned char* data, std::uint64_t size) noexcept {
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ size;
    for (std::uint64_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data + i, 8);
        h = (h ^ w) * 0xff51afd7ed558ccdull;
        h = (h << 29) | (h >> 35);
    }
    return h;
}

}  // namespace zv::lexicon::file
