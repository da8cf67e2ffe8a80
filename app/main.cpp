// The desktop program: starts the main window and runs until the last window is unloaded.
#include <QApplication>

#include "ui/definitions/forms.h"
#include "ui/main/app_forms.h"
#include "ui/main/application.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zv::ui::SetUpApplication();

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
