#include "ui/definitions/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace zv::ui {
namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

}  // namespace

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

void ShowMessage(const QString& text, MessageStyle style) {
    const MessageRequest request{QString::fromLatin1(kApplicationTitle), text, style};
    if (Hook()) {
        // Copy: the hook may replace itself while it runs.
        const MessageHook hook = Hook();
        hook(request);
        return;
    }
    QMessageBox box(
        style == MessageStyle::OkInformation ? QMessageBox::Information : QMessageBox::NoIcon,
        request.caption, request.text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // The text can be selected and copied (an address to open elsewhere, say).
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace zv::ui
