// Typing into the core as a front end and an application would: the keys of a short script go
// through the Composer; what it commits, and each key it passes, go into a plain text field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/utf8.h"
#include "ime/core/composer.h"
#include "ime/core/keys.h"

namespace zv::ime::testing {

// A text field without an input method: a character is inserted (Tab too), Enter breaks the
// line, BackSpace deletes the character before the cursor; other keys (arrows, Escape, Ctrl+C)
// are noted in passed.
struct Field {
    std::string text;
    std::vector<std::string> passed;

    void Insert(std::string_view utf8) { text += utf8; }
    void Key(const zv::ime::Key& key, std::string_view name) {
        if (key.keysym == keysym::kBackSpace) {
            while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
                text.pop_back();
            }
            if (!text.empty()) text.pop_back();
        } else if (key.keysym == keysym::kReturn) {
            text += '\n';
        } else if ((key.character >= 0x20 || key.character == U'\t') && key.character != 0x7F &&
                   !(key.modifiers & (kControl | kAlt | kSuper))) {
            AppendCodePoint(key.character, text);
        } else {
            passed.emplace_back(name);
        }
    }
};

// A key as a front end hands it on: a character typed (its keysym is the character's, as X11
// numbers it), or a named key in braces: {BS} {Esc} {Enter} {Tab} {S-Tab} {Up} {Down} {Left}
// {Shift} and {Ctrl} (Shift_L, Control_L pressed alone), {C-c} (Ctrl+C).
struct NamedKey {
    std::string_view name;
    zv::ime::Key key;
};
inline const std::vector<NamedKey>& NamedKeys() {
    static const std::vector<NamedKey> keys = {
        {"BS", {keysym::kBackSpace, U'\b', 0}},
        {"Esc", {keysym::kEscape, 0x1B, 0}},
        {"Enter", {keysym::kReturn, U'\r', 0}},
        {"Tab", {keysym::kTab, U'\t', 0}},
        {"S-Tab", {keysym::kIsoLeftTab, 0, kShift}},
        {"Up", {keysym::kUp, 0, 0}},
        {"Down", {keysym::kDown, 0, 0}},
        {"Left", {0xFF51, 0, 0}},
        {"Shift", {0xFFE1, 0, 0}},
        {"Ctrl", {0xFFE3, 0, 0}},
        {"C-c", {U'c', U'c', kControl}},
    };
    return keys;
}

inline zv::ime::Key CharacterKey(char32_t c) {
    const std::uint32_t sym = c < 0x100 ? c : 0x01000000 | c;
    return {sym, c, c >= U'A' && c <= U'Z' ? kShift : 0u};
}

// Presses one key: its reply goes to the field.
inline void Press(Composer& composer, Field& field, const zv::ime::Key& key,
                  std::string_view name) {
    const Reply reply = composer.Press(key);
    field.Insert(reply.commit);
    if (reply.pass) field.Key(key, name);
}

// Types a script ("Riig{BS}a ") into the field.
inline void Type(Composer& composer, Field& field, std::string_view script) {
    const std::u16string units = ToUtf16(script);
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] == u'{') {
            const std::size_t close = units.find(u'}', i);
            const std::string name =
                ToUtf8(std::u16string_view(units).substr(i + 1, close - i - 1));
            for (const NamedKey& named : NamedKeys()) {
                if (named.name == name) Press(composer, field, named.key, name);
            }
            i = close;
            continue;
        }
        char32_t c = units[i];
        if (IsHighSurrogate(c) && i + 1 < units.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        }
        Press(composer, field, CharacterKey(c), {});
    }
}

}  // namespace zv::ime::testing
