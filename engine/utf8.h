// UTF-8 and UTF-16, the one place they are encoded, decoded and checked: the engine's UTF-8
// entry point, the document, the command-line converter, the dictionary check, the benchmark
// and the fuzz target all use it. A library of its own (zv_utf8), which needs nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

constexpr bool IsHighSurrogate(char32_t u) noexcept { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t u) noexcept { return u >= 0xDC00 && u <= 0xDFFF; }
constexpr bool IsSurrogate(char32_t u) noexcept { return u >= 0xD800 && u <= 0xDFFF; }

// A code point that a character can have: up to U+10FFFF and not a surrogate.
constexpr bool IsScalarValue(char32_t code_point) noexcept {
    return code_point <= 0x10FFFF && !IsSurrogate(code_point);
}

// Appends the UTF-8 form of a Unicode scalar value.
void AppendCodePoint(char32_t code_point, std::string& out);

// Appends the UTF-16 form of a Unicode scalar value: one unit, or a surrogate pair above U+FFFF.
void AppendCodePoint(char32_t code_point, std::u16string& out);

// Appends UTF-16 text as UTF-8. A lone surrogate has no UTF-8 form and becomes U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);

inline std::string ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

// The character that starts bytes (which is not empty): its code point and its length in
// bytes. For well-formed UTF-8 that is the character; otherwise the length is the one the
// first byte announces, and only the bytes present are read.
struct Utf8Character {
    char32_t code_point;
    std::size_t length;
};
Utf8Character DecodeUtf8(std::string_view bytes) noexcept;

// Appends well-formed UTF-8 text as UTF-16.
void AppendUtf16(std::string_view utf8, std::u16string& out);

inline std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out;
    AppendUtf16(utf8, out);
    return out;
}

// The offset of the first byte that does not begin a well-formed UTF-8 sequence, or nothing
// when all of bytes is well formed. Strict: overlong forms, encoded surrogates, code points
// above U+10FFFF, sequences cut short and stray continuation bytes are all rejected; the
// offset is that of the sequence's first byte.
std::optional<std::size_t> FirstInvalidUtf8(std::string_view bytes) noexcept;

// FirstInvalidUtf8 over a text that comes a block at a time, cut anywhere, even inside a
// character: the same fault as for the blocks joined, its offset counted from the text's start.
class Utf8StreamCheck {
  public:
    struct Fault {
        std::uint64_t offset;
        unsigned char byte;  // the byte there
    };
    // The first fault of the text so far, or nothing; a character that block cuts short is
    // checked with the next block.
    std::optional<Fault> Check(std::string_view block) noexcept;
    // The end of the text: a character cut short there is a fault.
    std::optional<Fault> Finish() noexcept;

  private:
    char pending_[4] = {};  // the start of a character that the last block cut short
    std::size_t pending_size_ = 0;
    std::uint64_t pending_offset_ = 0;
    std::uint64_t offset_ = 0;  // of the next block
};

}  // namespace zv
