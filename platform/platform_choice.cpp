#include "platform/platform_choice.h"

#include <cstdlib>

namespace zv::platform {
namespace {

bool NonEmpty(const std::optional<std::string_view>& value) {
    return value.has_value() && !value->empty();
}

std::optional<std::string_view> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string_view(value);
}

}  // namespace

std::optional<std::string> ChoosePlatform(const Session& session) {
    // Qt treats an empty QT_QPA_PLATFORM as unset; it reads "-platform" with one dash or two.
    if (NonEmpty(session.qt_qpa_platform)) return std::nullopt;
    for (const std::string_view argument : session.arguments) {
        if (argument == "-platform" || argument == "--platform") return std::nullopt;
    }
    const bool wayland = NonEmpty(session.wayland_display) || session.xdg_session_type == "wayland";
    if (wayland && NonEmpty(session.display)) return "xcb";
    return std::nullopt;
}

Session CurrentSession(int argc, char** argv) {
    Session session{Environment("WAYLAND_DISPLAY"),
                    Environment("XDG_SESSION_TYPE"),
                    Environment("DISPLAY"),
                    Environment("QT_QPA_PLATFORM"),
                    {}};
    for (int i = 1; i < argc; ++i) session.arguments.emplace_back(argv[i]);
    return session;
}

}  // namespace zv::platform
