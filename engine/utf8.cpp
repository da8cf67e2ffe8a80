#include "engine/utf8.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace zv {

void AppendCodePoint(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendCodePoint(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
}

void AppendUtf8(std::u16string_view text, std::string& out) {
    std::size_t bytes = 0;
    for (const char16_t u : text) bytes += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;  // a pair: 2 + 2
    out.reserve(out.size() + bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t u = text[i];
        if (!IsSurrogate(u)) {
            AppendCodePoint(u, out);
        } else if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendCodePoint(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else {
            AppendCodePoint(0xFFFD, out);
        }
    }
}

Utf8Character DecodeUtf8(std::string_view bytes) noexcept {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t cp = lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length && k < bytes.size(); ++k) {
        cp = (cp << 6) | (static_cast<unsigned char>(bytes[k]) & 0x3F);
    }
    return {cp, length};
}

void AppendUtf16(std::string_view utf8, std::u16string& out) {
    out.reserve(out.size() + utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Character c = DecodeUtf8(utf8.substr(i));
        AppendCodePoint(c.code_point, out);
        i += c.length;
    }
}

std::optional<std::size_t> FirstInvalidUtf8(std::string_view bytes) noexcept {
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        // ASCII is the common case: skip to the next byte that is not, 32 bytes at a time.
#ifdef __SSE2__
        if (n - i >= 32) {
            const auto* at = reinterpret_cast<const __m128i*>(bytes.data() + i);
            const auto high =
                static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_loadu_si128(at)) |
                                           (_mm_movemask_epi8(_mm_loadu_si128(at + 1)) << 16));
            if (high == 0) {
                i += 32;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctz(high));
        }
#endif
        std::uint64_t word;
        if (n - i >= sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            const std::uint64_t high = word & 0x8080808080808080u;
            if (high == 0) {
                i += sizeof word;
                continue;
            }
            i += static_cast<std::size_t>(__builtin_ctzll(high)) / 8;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        // Lead byte: the sequence's length and the allowed range of its second byte, which
        // rules out overlong forms, surrogates and code points above U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return i;  // a continuation byte, C0, C1 or F5 to FF
        }
        if (n - i < length) return i;
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < low || second > high) return i;
        for (std::size_t k = 2; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return i;
        }
        i += length;
    }
    return std::nullopt;
}

namespace {

// How many bytes the character that lead begins takes; 1 for a byte that begins none.
std::size_t SequenceLength(unsigned char lead) noexcept {
    if (lead >= 0xC0 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF7) return 4;
    return 1;
}

}  // namespace

std::optional<Utf8StreamCheck::Fault> Utf8StreamCheck::Check(std::string_view block) noexcept {
    const std::uint64_t start = offset_;
    offset_ += block.size();
    std::size_t from = 0;
    if (pending_size_ > 0) {
        const std::size_t want = SequenceLength(static_cast<unsigned char>(pending_[0]));
        while (pending_size_ < want && from < block.size())
            pending_[pending_size_++] = block[from++];
        if (pending_size_ < want) return std::nullopt;
        pending_size_ = 0;
        if (const auto bad = FirstInvalidUtf8(std::string_view(pending_, want))) {
            return Fault{pending_offset_ + *bad, static_cast<unsigned char>(pending_[*bad])};
        }
    }
    std::string_view body = block.substr(from);
    // A lead byte among the last three whose character goes on past the block waits for the
    // next one: cut before a lead byte, the blocks check as the joined text does.
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, body.size()); ++back) {
        const std::size_t at = body.size() - back;
        const auto byte = static_cast<unsigned char>(body[at]);
        if (byte < 0xC0) continue;
        if (SequenceLength(byte) > back) {
            std::memcpy(pending_, body.data() + at, back);
            pending_size_ = back;
            pending_offset_ = start + from + at;
            body = body.substr(0, at);
        }
        break;
    }
    if (const auto bad = FirstInvalidUtf8(body)) {
        pending_size_ = 0;
        return Fault{start + from + *bad, static_cast<unsigned char>(body[*bad])};
    }
    return std::nullopt;
}

std::optional<Utf8StreamCheck::Fault> Utf8StreamCheck::Finish() noexcept {
    if (pending_size_ == 0) return std::nullopt;
    pending_size_ = 0;
    return Fault{pending_offset_, static_cast<unsigned char>(pending_[0])};
}

}  // namespace zv
