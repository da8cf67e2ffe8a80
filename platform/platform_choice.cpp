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

// Qt reads its options with one dash or two.
bool HasOption(const Session& session, std::string_view name) {
    for (std::string_view argument : session.arguments) {
        if (argument.starts_with("--")) argument.remove_prefix(1);
        if (argument.starts_with("-") && argument.substr(1) == name) return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> ChoosePlatform(const Session& session) {
    // Qt treats an empty QT_QPA_PLATFORM as unset.
    if (NonEmpty(session.qt_qpa_platform) || HasOption(session, "platform")) return std::nullopt;
    const bool wayland = NonEmpty(session.wayland_display) || session.xdg_session_type == "wayland";
    if (wayland && NonEmpty(session.display)) return "xcb";
    return std::nullopt;
}

bool HasWindowSystem(const Session& session) {
    return NonEmpty(session.display) || NonEmpty(session.wayland_display) ||
           NonEmpty(session.qt_qpa_platform) || HasOption(session, "platform") ||
           HasOption(session, "display");
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
