#include "ui/definitions/handlers.h"

#include <exception>
#include <new>

#include "document/unicode_document.h"
#include "ui/definitions/message_box.h"
#include "ui/definitions/twips.h"
#include "ui/texts.h"

namespace zv::ui {

void ResumeNext(const std::function<void()>& step) noexcept {
    try {
        step();
    } catch (...) {
        // Resume-next: the failing step is abandoned without a report.
    }
}

QString ErrorMessage(const std::exception& error) {
    const QString prefix = texts::kErrorPrefix;
    if (const auto* document = dynamic_cast<const DocumentError*>(&error)) {
        return prefix + document->InLatvian();
    }
    if (const auto* geometry = dynamic_cast<const GeometryError*>(&error)) {
        switch (geometry->kind()) {
            case GeometryError::Kind::DivisionByZero:
                return prefix + texts::kDivisionByZero;
            case GeometryError::Kind::Overflow:
                return prefix + texts::kNumberTooLarge;
            case GeometryError::Kind::Invalid:
                return prefix + texts::kInvalidNumber;
        }
    }
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        return prefix + texts::kOutOfMemory;
    }
    return prefix + QString::fromUtf8(error.what());
}

bool Dispatch(const std::function<void()>& handler) noexcept {
    QString message;
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        message = ErrorMessage(error);
    } catch (...) {
        message = texts::kErrorPrefix + texts::kUnknownError;
    }
    try {
        ShowMessage(message, MessageStyle::OkInformation);
    } catch (...) {
        // Nothing more can be done for the user; keep the program running.
    }
    return false;
}

void ConnectHandler(QAction* action, QObject* context, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, context,
                     [handler = std::move(handler)] { Dispatch(handler); });
}

void ConnectMarkHandler(QAction* action, QObject* context, std::function<void()> handler) {
    QObject::connect(action, &QAction::triggered, context,
                     [action, handler = std::move(handler)](bool checked) {
                         if (action->isCheckable()) action->setChecked(!checked);
                         Dispatch(handler);
                     });
}

}  // namespace zv::ui
