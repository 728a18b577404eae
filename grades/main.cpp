#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/frame/Form1.h"
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/style.h"

#include <QDir>
#include <QWidget>

namespace {

// The start-up window closes itself once the main window is open. When the
// main window refuses to go on (the database is gone, the password does not
// open it) it was never shown, so the program has to end here.
bool mainWindowRefused = false;

void openMainWindow() {
    // The login waits only for what the window shows first: the home panel.
    auto* form2 = makeMainWindow(PanelBuild::WhenFirstNeeded).release();
    form2->setAttribute(Qt::WA_DeleteOnClose);
    if (!form2->startUp(nullptr)) {
        mainWindowRefused = true;
        QCoreApplication::exit(0);   // when the wizard's event loop is already running
    }
}

} // namespace

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    platform::setProgramTitle(QStringLiteral("VantalooOrbisca"));
    platform::setProgramLog(QDir(programFolder()).filePath(platform::kProgramLogName));
    platform::installSystemStyle();
    platform::installFontSubstitutions();
    platform::installChineseQtTexts();

    Form1::setMainWindowOpener(openMainWindow);
    auto* form1 = new Form1;
    form1->setAttribute(Qt::WA_DeleteOnClose);
    // The start runs before the event loop, whose handler would tell a failure.
    try {
        form1->Form_Load();
    } catch (...) {
        platform::reportCurrentFailure(QStringLiteral("start"));
        return 1;
    }
    // Without the wizard the start-up window has already handed over and closed.
    if (form1->wizardPrepared())
        form1->show();
    else if (mainWindowRefused)
        return 0;

    return app.exec();
}
