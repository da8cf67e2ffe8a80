// The program's modal message box: caption "Zilvardizer_3", one OK button, no icon or the
// information icon, text that can be selected and copied.
#pragma once

#include <QString>
#include <functional>

namespace zv::ui {

inline constexpr char kApplicationTitle[] = "Zilvardizer_3";

enum class MessageStyle {
    Ok = 0,              // OK button only, no icon
    OkInformation = 64,  // OK button only, information icon
};

struct MessageRequest {
    QString caption;
    QString text;
    MessageStyle style;
};

// Shows the box modal to the application and returns when the user has closed it.
void ShowMessage(const QString& text, MessageStyle style);

// Replaces the box: while a hook is set, ShowMessage passes the request to it and returns as
// soon as the hook does, without showing anything. Tests answer boxes this way. An empty
// function restores the real box.
using MessageHook = std::function<void(const MessageRequest&)>;
void SetMessageHook(MessageHook hook);

}  // namespace zv::ui
