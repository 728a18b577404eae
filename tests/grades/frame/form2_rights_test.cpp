// The lock level and the colour schemes on the real main window.
#include "grades/app/main_window.h"
#include "grades/frame/Form2.h"
#include "grades/frame/colour_scheme.h"
#include "grades/frame/frmLogin.h"
#include "grades/frame/lock_level.h"

#include "common/program_state.h"
#include "support/dialog_double.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

const QStringList kButtons = {"Command1", "Command2", "Command3", "Command4",
                              "Command5", "Command6", "Command7", "Command8"};
const QStringList kMenus = {"MenuFile", "MenuEDIT", "MeuLook", "menuSJ", "MenuTs", "Help"};

QStringList usable(Form2& w) {
    QStringList out;
    for (const QString& b : kButtons)
        if (w.control(b)->isEnabled()) out << b;
    for (const QString& m : kMenus)
        if (w.menuItem(m)->isEnabled()) out << m;
    return out;
}

TEST(Form2Rights, EachLockLevelLeavesANormalUserExactlyItsButtonsAndMenus) {
    const QStringList all = kButtons + kMenus;
    const std::pair<int, QStringList> cases[] = {
        {0, {"Help"}},
        {1, {"Command6", "Command7", "MeuLook", "Help"}},
        {2, {"Command6", "Command7", "Command8", "MenuFile", "MeuLook", "Help"}},
        {3, all},
    };
    for (const auto& [level, expected] : cases) {
        std::unique_ptr<Form2> wWindow = makeMainWindow();
        Form2& w = *wWindow;
        ApplyLockLevel(&w, level, false);
        EXPECT_EQ(usable(w).join(' ').toStdString(), expected.join(' ').toStdString()) << "level " << level;
        std::unique_ptr<Form2> adminWindow = makeMainWindow();
        Form2& admin = *adminWindow;
        ApplyLockLevel(&admin, level, true);
        EXPECT_EQ(usable(admin), all) << "administrator, level " << level;
    }
}

TEST(Form2Rights, ColourSchemesOnTheMainWindow) {
    struct Case {
        const char* name;
        QPalette::ColorRole text, back;
        QColor colourfulText, colourfulBack;
    };
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor black(0, 0, 0), pink(255, 192, 255), home(255, 192, 192);
    using R = QPalette;
    const Case cases[] = {
        {"Te11", R::Text, R::Base, QColor(255, 255, 0), QColor(0, 0, 255)},
        {"DataGrid1", R::Text, R::Base, black, QColor(0, 255, 255)},
        {"Frame1_1", R::WindowText, R::Window, black, pink},
        {"Check1_0", R::WindowText, R::Window, QColor(0, 0, 255), pink},
        {"Option8_0", R::WindowText, R::Window, QColor(0, 0, 255), pink},
        {"Combo1", R::Text, R::Base, black, QColor(0, 255, 0)},
        {"List1", R::Text, R::Base, QColor(0, 0, 255), QColor(0, 255, 255)},
        {"Comout_0", R::ButtonText, R::Button, black, face},
        {"Ad1", R::ButtonText, R::Button, black, face},
        {"Pict50", R::WindowText, R::Window, black, pink},
        {"Label1", R::WindowText, R::Window, QColor(0, 0, 255), home},
        {"Label3", R::WindowText, R::Window, QApplication::palette().color(R::ButtonText), home},
        {"Text1", R::Text, R::Base, QApplication::palette().color(R::Text),
         QApplication::palette().color(R::Base)},
    };
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    ApplyColourScheme(&w, ColourScheme::Colourful);
    for (const Case& c : cases) {
        const QPalette p = w.control(c.name)->palette();
        EXPECT_EQ(p.color(c.text), c.colourfulText) << c.name;
        EXPECT_EQ(p.color(c.back), c.colourfulBack) << c.name;
    }
    EXPECT_EQ(w.control("Frame1_0")->palette().color(QPalette::Window), home);

    ApplyColourScheme(&w, ColourScheme::Plain);
    EXPECT_EQ(w.control("Te11")->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(w.control("Frame1_1")->palette().color(QPalette::Window), face);
    EXPECT_EQ(w.control("Frame1_0")->palette().color(QPalette::Window), home);
    EXPECT_EQ(w.control("Label1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
}

// What the style paints, not only what the palette holds: a corner of the
// control that carries no text or frame shows the scheme's background.
TEST(Form2Rights, ColourfulBackgroundsAreWhatTheControlsPaint) {
    const QColor pink(255, 192, 255);
    const std::pair<const char*, QColor> cases[] = {
        {"Frame1_1", pink},                // a panel: no shading, no border
        {"Frame1_0", QColor(255, 192, 192)},
        {"Che11", pink},                   // check box
        {"Option51", pink},                // option button
        {"la10", pink},                    // label
        {"Pict50", pink},                  // any other kind
    };
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    w.RemovePanelBorders();   // as the start-up does
    ApplyColourScheme(&w, ColourScheme::Colourful);
    for (const auto& [name, colour] : cases) {
        const QImage image = w.control(name)->grab().toImage();
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.pixelColor(image.width() - 3, image.height() - 3).name(), colour.name()) << name;
    }
}

TEST(Form2Rights, EveryCloseOfTheLoginSetsEditAll) {
    resetState();
    state().DatabasePassword = "pw";
    std::unique_ptr<Form2> wWindow = makeMainWindow();
    Form2& w = *wWindow;
    for (const char* typed : {"pw", ""}) {   // the administrator, then 普通用户
        DialogDouble dialogs;
        dialogs.runModalWith([typed](QDialog& d) {
            auto& login = static_cast<frmLogin&>(d);
            login.txtPassword->setText(typed);
            if (*typed)
                login.cmdOK_Click();
            else
                login.cmdCancel_Click();
            return int(d.result());
        });
        frmLogin login(&w);
        platform::dialogs().runModal(login);
        EXPECT_EQ(w.menuItem("MenuEditAll")->isEnabled(), *typed != 0) << typed;
    }
    resetState();
}

} // namespace
