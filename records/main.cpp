#include "common/settings_files.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/style.h"
#include "records/XJmain.h"

#include <QDir>

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    platform::setProgramTitle(QStringLiteral("VantalooPellomir"));
    platform::setProgramLog(QDir(programFolder()).filePath(platform::kProgramLogName));
    platform::installSystemStyle();
    platform::installFontSubstitutions();
    platform::installChineseQtTexts();

    auto* window = new XJmain;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The start runs before the event loop, whose handler would tell a failure.
    bool loaded = false;
    try {
        loaded = window->Form_Load();
    } catch (...) {
        platform::reportCurrentFailure(QStringLiteral("start"));
        delete window;
        return 1;
    }
    if (!loaded) {
        delete window;
        return 0;
    }
    window->showAsLoaded();
    return app.exec();
}
