// The desktop program: starts the main window and runs until the last window is unloaded.
#include <QApplication>

#include "resources/resources.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/message_box.h"
#include "ui/main/app_forms.h"
#include "zv/config.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zv::ui::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(zv::config::kVersion));
    QApplication::setWindowIcon(zv::resources::ApplicationIcon());
    // The program ends when no window is left loaded, not when the last one is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    int status = 0;
    {
        zv::ui::AppForms forms;
        zv::ui::InstallForms(&forms);
        forms.Start();
        status = QApplication::exec();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        zv::ui::InstallForms(nullptr);
    }
    return status;
}
