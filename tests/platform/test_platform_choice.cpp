// On Wayland with an X server beside it the program runs on X, unless the user chose a platform;
// without any display, and no platform chosen, there is no window system to start on.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string_view>

#include "platform/platform_choice.h"

using zv::platform::ChoosePlatform;
using zv::platform::HasWindowSystem;
using zv::platform::Session;

namespace {

constexpr std::nullopt_t unset = std::nullopt;
using Variable = std::optional<std::string_view>;

// Constant data only: the table is built when the program is compiled, not when it starts.
struct Row {
    const char* name;
    Variable wayland_display, xdg_session_type, display, qt_qpa_platform;
    std::array<std::string_view, 2> arguments;  // empty ones are not passed
    Variable platform;
    bool window_system = true;

    Session ToSession() const {
        Session session{wayland_display, xdg_session_type, display, qt_qpa_platform, {}};
        for (const std::string_view argument : arguments) {
            if (!argument.empty()) session.arguments.push_back(argument);
        }
        return session;
    }
};

constexpr Row kRows[] = {
    {"X session", unset, "x11", ":0", unset, {}, unset},
    {"Wayland with XWayland", "wayland-0", "wayland", ":0", unset, {}, "xcb"},
    {"Wayland known by its socket only", "wayland-0", unset, ":1", unset, {}, "xcb"},
    {"Wayland known by the session type only", unset, "wayland", ":0", unset, {}, "xcb"},
    {"Wayland without an X server", "wayland-0", "wayland", unset, unset, {}, unset},
    {"Wayland with an empty DISPLAY", "wayland-0", "wayland", "", unset, {}, unset},
    {"platform chosen in the environment", "wayland-0", "wayland", ":0", "wayland", {}, unset},
    {"empty QT_QPA_PLATFORM is no choice", "wayland-0", "wayland", ":0", "", {}, "xcb"},
    {"platform chosen on the command line",
     "wayland-0",
     "wayland",
     ":0",
     unset,
     {"-platform", "wayland"},
     unset},
    {"with two dashes", "wayland-0", unset, ":0", unset, {"--platform", "offscreen"}, unset},
    {"other arguments", "wayland-0", unset, ":0", unset, {"-platformtheme", "gtk3"}, "xcb"},
    {"no display at all", unset, unset, unset, unset, {}, unset, false},
    {"empty DISPLAY and WAYLAND_DISPLAY", "", "x11", "", unset, {}, unset, false},
    {"only the session type", unset, "wayland", unset, unset, {}, unset, false},
    {"headless by the environment", unset, unset, unset, "offscreen", {}, unset},
    {"headless by the command line", unset, unset, unset, unset, {"-platform", "offscreen"}, unset},
    {"X display on the command line", unset, unset, unset, unset, {"--display", ":1"}, unset},
    {"only alike", unset, unset, unset, unset, {"-displayx", ":1"}, unset, false},
};

}  // namespace

TEST(PlatformChoice, Rows) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ChoosePlatform(row.ToSession()), row.platform);
        EXPECT_EQ(HasWindowSystem(row.ToSession()), row.window_system);
    }
}
