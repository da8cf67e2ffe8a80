// The desktop program: starts the main window and runs until the last window is unloaded.
#include <stdlib.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_choice.h"
#include "ui/definitions/forms.h"
#include "ui/main/app_forms.h"
#include "ui/main/application.h"

namespace {

// The web view's start-up messages (its settings, Chromium's complaints about a missing GPU,
// the console of its internal pages) stay off the terminal, unless the user asked for logging:
// Qt's through QT_LOGGING_RULES or QT_LOGGING_CONF (which would win anyway), Chromium's with a
// --log-level of their own. Qt reads its environment before main, so the rules are set here.
void QuietWebViewLogging() {
    if (!getenv("QT_LOGGING_RULES") && !getenv("QT_LOGGING_CONF")) {
        QLoggingCategory::setFilterRules(
            QStringLiteral("qt.webenginecontext.info=false\njs.info=false\njs.warning=false"));
    }
    const char* flags = getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags || !std::strstr(flags, "--log-level")) {
        const std::string quiet = std::string(flags ? flags : "") + " --log-level=3";
        setenv("QTWEBENGINE_CHROMIUM_FLAGS", quiet.c_str(), 1);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QuietWebViewLogging();
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
    zv::ui::KeepPlugInsOutOfTheProgramFolder();
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
