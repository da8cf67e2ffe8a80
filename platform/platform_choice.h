// Which window-system platform the desktop program runs on.
//
// The program's four windows tile the screen by absolute positions, which a native Wayland
// session ignores: it places new windows itself. Where the session is Wayland and an X server
// runs alongside it (XWayland: DISPLAY is set), the program therefore runs on X, unless the
// user chose a platform (QT_QPA_PLATFORM, or -platform on the command line).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv::platform {

// What the choice depends on: environment variables (nullopt: not set) and the command-line
// arguments after the program's name.
struct Session {
    std::optional<std::string_view> wayland_display;   // WAYLAND_DISPLAY
    std::optional<std::string_view> xdg_session_type;  // XDG_SESSION_TYPE
    std::optional<std::string_view> display;           // DISPLAY
    std::optional<std::string_view> qt_qpa_platform;   // QT_QPA_PLATFORM
    std::vector<std::string_view> arguments;
};

// The platform to run on ("xcb"), or nullopt to leave the choice to Qt.
std::optional<std::string> ChoosePlatform(const Session& session);

// Whether Qt has a window system to start on: an X display (DISPLAY, or -display on the command
// line), a Wayland display (WAYLAND_DISPLAY), or a platform the user chose (QT_QPA_PLATFORM, or
// -platform: offscreen, vnc, …). Without one, Qt's start would abort the program.
bool HasWindowSystem(const Session& session);

// The one line that says so, for the terminal.
inline constexpr char kNoWindowSystemMessage[] =
    "zv: no display: set DISPLAY (X) or WAYLAND_DISPLAY, or QT_QPA_PLATFORM=offscreen to run "
    "without a screen";

// The session of this process: its environment and its command line.
Session CurrentSession(int argc, char** argv);

}  // namespace zv::platform
