// libFuzzer target: Transliterate against the plain rule-by-rule reference, on arbitrary
// UTF-16 text (the input bytes taken two at a time), and the UTF-8 entry point against the
// UTF-16 one where the text is valid. For one input in sixteen the same checks run on the
// text repeated into a long one, which is cut into pieces converted side by side.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/reference/reference.h"
#include "engine/transliterate.h"
#include "engine/utf8.h"

namespace {

// Whether text has a UTF-8 form: no surrogate without its partner, so that it comes back
// from UTF-8 as it was.
bool HasUtf8Form(std::u16string_view text) { return zv::ToUtf16(zv::ToUtf8(text)) == text; }

void Check(const std::u16string& text) {
    const std::u16string fast = zv::Transliterate(text);
    if (fast != zv::reference::Transliterate(text)) {
        std::fprintf(stderr, "Transliterate differs from the reference\n");
        std::abort();
    }
    if (HasUtf8Form(text)) {
        if (zv::TransliterateUtf8(zv::ToUtf8(text)) != zv::ToUtf8(fast)) {
            std::fprintf(stderr, "TransliterateUtf8 differs from Transliterate\n");
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    Check(text);
    if (text.size() % 16 == 5) {
        // Long enough to be cut (after the blanks) into pieces run side by side.
        std::u16string repeated;
        while (repeated.size() < 4400) repeated += text + u' ';
        Check(repeated);
    }
    return 0;
}
