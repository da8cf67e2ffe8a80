// The desktop program: starts the main window and runs until the last window is unloaded.
#include <QApplication>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_choice.h"
#include "ui/definitions/forms.h"
#include "ui/main/app_forms.h"
#include "ui/main/application.h"

int main(int argc, char* argv[]) {
    // On Wayland with XWayland beside it, the program runs on X, where its windows can place
    // themselves; the choice goes to Qt as "-platform NAME" after the user's own arguments.
    std::optional<std::string> platform =
        zv::platform::ChoosePlatform(zv::platform::CurrentSession(argc, argv));
    std::string platform_option = "-platform";
    std::vector<char*> arguments(argv, argv + argc);
    if (platform) {
        arguments.push_back(platform_option.data());
        arguments.push_back(platform->data());
    }
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
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
