// A key as an input method framework hands it on: its X11 keysym (IBus and Fcitx both use
// them), the character it types and the modifiers held.
#pragma once

#include <cstdint>

namespace zv::ime {

// The modifiers the typing core tells apart; a front end maps its framework's state bits onto
// them.
enum Modifier : std::uint32_t {
    kShift = 1u << 0,
    kControl = 1u << 1,
    kAlt = 1u << 2,
    kSuper = 1u << 3,  // Super, Hyper and Meta alike
    kRelease = 1u << 4,
};

struct Key {
    std::uint32_t keysym = 0;
    char32_t character = 0;  // what the key types on its own; 0 for none (arrows, F1, Shift)
    std::uint32_t modifiers = 0;
};

// The keysyms the core acts on (X11's values).
namespace keysym {
inline constexpr std::uint32_t kBackSpace = 0xFF08;
inline constexpr std::uint32_t kTab = 0xFF09;
inline constexpr std::uint32_t kReturn = 0xFF0D;
inline constexpr std::uint32_t kEscape = 0xFF1B;
inline constexpr std::uint32_t kUp = 0xFF52;
inline constexpr std::uint32_t kDown = 0xFF54;
inline constexpr std::uint32_t kKpTab = 0xFF89;
inline constexpr std::uint32_t kKpEnter = 0xFF8D;
inline constexpr std::uint32_t kKpUp = 0xFF97;
inline constexpr std::uint32_t kKpDown = 0xFF99;
inline constexpr std::uint32_t kIsoLeftTab = 0xFE20;  // Shift+Tab
inline constexpr std::uint32_t kIsoEnter = 0xFE34;
}  // namespace keysym

// A key that only changes what the next key means: Shift, Control, Alt, Caps Lock, AltGr
// (ISO_Level3_Shift) and the other level and group shifts, a dead key, Compose. Pressing one
// leaves the word being typed as it is.
constexpr bool IsModifierKey(std::uint32_t sym) {
    return (sym >= 0xFFE1 && sym <= 0xFFEE)     // Shift_L .. Hyper_R, Caps and Shift Lock
           || (sym >= 0xFE01 && sym <= 0xFE13)  // ISO_Lock .. ISO_Level5_Lock
           || (sym >= 0xFE50 && sym <= 0xFE93)  // dead keys
           || sym == 0xFF20                     // Multi_key (Compose)
           || sym == 0xFF7E                     // Mode_switch
           || sym == 0xFF7F;                    // Num_Lock
}

// Control, Alt, Super, Meta or Hyper pressed on its own: the start of a shortcut (Ctrl+C, the
// desktop's Super+Space), or of moving elsewhere.
constexpr bool IsCommandModifierKey(std::uint32_t sym) {
    return sym == 0xFFE3 || sym == 0xFFE4        // Control_L, Control_R
           || (sym >= 0xFFE7 && sym <= 0xFFEE);  // Meta, Alt, Super, Hyper (left and right)
}

}  // namespace zv::ime
