// The desktop program: starts the main window and runs until the last window is unloaded.
#include <stdlib.h>

#include <QApplication>
#include <QLoggingCategory>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file/atomic_file.h"
#include "platform/platform_choice.h"
#include "ui/definitions/forms.h"
#include "ui/main/app_forms.h"
#include "ui/main/application.h"
#include "zv/config.h"

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

constexpr char kUsage[] =
    "Usage: zv [QT-OPTION]...\n"
    "ZV - Teksta Zilvardis: Latvian typed on a plain keyboard (\"Riiga\", \"Kjeepis\", \"'s\")\n"
    "turned into proper letters, shown as HTML character references, in a preview and in the\n"
    "file unitext.html.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options work too: -platform NAME (-platform offscreen: no screen), -style NAME.\n"
    "The converter for scripts is zv-convert. See zv(1) and zv-convert(1).\n";

// Writes text to standard output: exit status 0, or 1 when it could not be written.
int Print(const std::string& text) {
    return std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
}

// --help and --version are answered before Qt starts, so they need no display. Returns the
// exit status when one of them was given.
std::optional<int> AnswerInformationOptions(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") return Print(kUsage);
        if (argument == "--version") return Print(std::string("zv ") + zv::config::kVersion + "\n");
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const std::optional<int> status = AnswerInformationOptions(argc, argv)) return *status;
    const zv::platform::Session session = zv::platform::CurrentSession(argc, argv);
    if (!zv::platform::HasWindowSystem(session)) {
        // Qt would abort here, with a page of advice about platform plugins.
        std::fprintf(stderr, "%s\n", zv::platform::kNoWindowSystemMessage);
        return 1;
    }
    QuietWebViewLogging();
    // On Wayland with XWayland beside it, the program runs on X, where its windows can place
    // themselves; the choice goes to Qt as "-platform NAME" after the user's own arguments.
    std::optional<std::string> platform = zv::platform::ChoosePlatform(session);
    std::string platform_option = "-platform";
    std::vector<char*> arguments(argv, argv + argc);
    if (platform) {
        arguments.push_back(platform_option.data());
        arguments.push_back(platform->data());
    }
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    // Ended by a signal while the document is put in place: its hidden name is removed. (While
    // it is written the new document has no name at all where the file system allows.)
    zv::RemoveTemporaryFileOnSignals();
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
