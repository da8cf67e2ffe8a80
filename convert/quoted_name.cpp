#include "convert/quoted_name.h"

#include <cstdio>

namespace zv::cli {
namespace {

// The length of the well-formed UTF-8 sequence at the start of bytes (1 to 4), or 0 when its
// first byte begins none.
std::size_t SequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong form
        if (lead == 0xED) high = 0x9F;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

// Whether the piece (one character, or one byte that is not UTF-8) shows as itself: not a C0
// control, DEL, a C1 control (U+0080 to U+009F: C2 80 to C2 9F) or a stray byte.
bool ShowsAsItself(std::string_view piece, std::size_t length) {
    const auto lead = static_cast<unsigned char>(piece[0]);
    if (length == 0) return false;
    if (length == 1) return lead >= 0x20 && lead != 0x7F;
    return !(lead == 0xC2 && static_cast<unsigned char>(piece[1]) < 0xA0);
}

// A byte as the shell's $'...' writes it.
void AppendEscaped(std::string& out, unsigned char byte) {
    static constexpr char kLetters[] = "abtnvfr";  // bytes 7 to 13
    if (byte >= 7 && byte <= 13) {
        out += '\\';
        out += kLetters[byte - 7];
        return;
    }
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned>(byte));
    out += octal;
}

}  // namespace

std::string QuotedName(std::string_view name) {
    bool plain = true;
    for (std::size_t at = 0; at < name.size() && plain;) {
        const std::size_t length = SequenceLength(name.substr(at));
        plain = ShowsAsItself(name.substr(at), length);
        at += length == 0 ? 1 : length;
    }
    if (plain) return std::string(name);
    // Quoted, the printable pieces within '...', the others within $'...'; each quote closes
    // the one before, so that the shell reads them as one word.
    std::string out = "'";
    bool escaping = false;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = SequenceLength(name.substr(at));
        const std::size_t taken = length == 0 ? 1 : length;
        if (ShowsAsItself(name.substr(at), length)) {
            // A quote is written \' between two quoted parts; after $'...' the first of
            // them closes that.
            if (name[at] == '\'') {
                out += "'\\''";
            } else {
                if (escaping) out += "''";
                out += name.substr(at, taken);
            }
            escaping = false;
        } else {
            if (!escaping) out += "'$'";
            escaping = true;
            for (std::size_t i = 0; i < taken; ++i) {
                AppendEscaped(out, static_cast<unsigned char>(name[at + i]));
            }
        }
        at += taken;
    }
    out += "'";
    return out;
}

}  // namespace zv::cli
