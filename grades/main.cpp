#include "common/program_state.h"
#include "common/settings_files.h"
#include "grades/frame/Form1.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fonts.h"

#include <QApplication>
#include <QWidget>

namespace {

// Stands in for the main window until it is built: shows the school it opened.
void openMainWindow() {
    if (state().SchoolName.isEmpty()) {
        // A later start: the school is named in the settings beside the database.
        try {
            if (const auto path = ReadDatabaseLocator())
                if (const auto settings = ReadSchoolSettings(folderOf(*path)))
                    state().SchoolName = settings->schoolName;
        } catch (const std::exception&) {
        }
    }
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(state().SchoolName + QStringLiteral("VantalooOrbisca"));
    window->showMaximized();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::setProgramTitle(QStringLiteral("VantalooOrbisca"));
    platform::installFontSubstitutions();
    platform::installChineseQtTexts();

    Form1::setMainWindowOpener(openMainWindow);
    auto* form1 = new Form1;
    form1->setAttribute(Qt::WA_DeleteOnClose);
    form1->Form_Load();
    // Without the wizard the start-up window has already handed over and closed.
    if (form1->wizardPrepared()) form1->show();
    return app.exec();
}
