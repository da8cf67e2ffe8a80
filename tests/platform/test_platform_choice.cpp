// On Wayland with an X server beside it the program runs on X, unless the user chose a platform.
#include <gtest/gtest.h>

#include "platform/platform_choice.h"

using zv::platform::ChoosePlatform;
using zv::platform::Session;

namespace {

constexpr std::nullopt_t unset = std::nullopt;

struct Row {
    const char* name;
    Session session;
    std::optional<std::string> platform;
};

const Row kRows[] = {
    {"X session", {unset, "x11", ":0", unset, {}}, unset},
    {"Wayland with XWayland", {"wayland-0", "wayland", ":0", unset, {}}, "xcb"},
    {"Wayland known by its socket only", {"wayland-0", unset, ":1", unset, {}}, "xcb"},
    {"Wayland known by the session type only", {unset, "wayland", ":0", unset, {}}, "xcb"},
    {"Wayland without an X server", {"wayland-0", "wayland", unset, unset, {}}, unset},
    {"Wayland with an empty DISPLAY", {"wayland-0", "wayland", "", unset, {}}, unset},
    {"platform chosen in the environment", {"wayland-0", "wayland", ":0", "wayland", {}}, unset},
    {"empty QT_QPA_PLATFORM is no choice", {"wayland-0", "wayland", ":0", "", {}}, "xcb"},
    {"platform chosen on the command line",
     {"wayland-0", "wayland", ":0", unset, {"-platform", "wayland"}},
     unset},
    {"with two dashes", {"wayland-0", unset, ":0", unset, {"--platform", "offscreen"}}, unset},
    {"other arguments", {"wayland-0", unset, ":0", unset, {"-platformtheme", "gtk3"}}, "xcb"},
    {"no display at all", {unset, unset, unset, unset, {}}, unset},
};

}  // namespace

TEST(PlatformChoice, Rows) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ChoosePlatform(row.session), row.platform);
    }
}
