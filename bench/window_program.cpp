#include "window_program.h"

#include <QTest>

#include "ui/definitions/form1_definition.h"
#include "ui/definitions/forms.h"
#include "ui/definitions/message_box.h"
#include "ui/main/application.h"
#include "ui/main/document_location.h"
#include "ui/main/online_state.h"

namespace zv::bench {

WindowProgram::WindowProgram() {
    zv::ui::SetUpApplication();
    zv::ui::SetProgramFolder(folder_.path());
    // The text typed is kept in the same folder, not in the user's own state folder.
    qputenv("XDG_STATE_HOME", folder_.filePath(QStringLiteral("state")).toLocal8Bit());
    zv::ui::SetOnlineStateQuery([] { return zv::ui::kOffline; });
    zv::ui::SetMessageHook([](const zv::ui::MessageRequest&) {});
    zv::ui::InstallForms(&forms_);
    forms_.SetOnEmpty([] {});
    forms_.Start();
    zv::ui::Form1Definition& main = forms_.Form1();
    if (!QTest::qWaitForWindowActive(&main, 5000)) main.activateWindow();
}

WindowProgram::~WindowProgram() { zv::ui::InstallForms(nullptr); }

}  // namespace zv::bench
