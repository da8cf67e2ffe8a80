// libFuzzer target: Transliterate against the plain rule-by-rule reference, on arbitrary
// UTF-16 text (the input bytes taken two at a time), and the UTF-8 entry point against the
// UTF-16 one where the text is valid.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/transliterate.h"
#include "reference.h"

namespace {

std::string Utf8(std::u16string_view text, bool& valid) {
    std::string out;
    valid = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xE000) {
            if (c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
            } else {
                valid = false;
                return out;
            }
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    const std::u16string fast = zv::Transliterate(text);
    if (fast != zv::reference::Transliterate(text)) {
        std::fprintf(stderr, "Transliterate differs from the reference\n");
        std::abort();
    }
    bool valid = false;
    const std::string utf8 = Utf8(text, valid);
    if (valid) {
        bool fast_valid = false;
        if (zv::TransliterateUtf8(utf8) != Utf8(fast, fast_valid)) {
            std::fprintf(stderr, "TransliterateUtf8 differs from Transliterate\n");
            std::abort();
        }
    }
    return 0;
}
