#include "grades/frame/colour_scheme.h"

#include "platform/db/datacontrol.h"
#include "platform/dbui/datagrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {

template <class W>
W* add(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(name);
    return w;
}

// A stand-in main window: the home panel with its texts, and a hidden panel
// holding one control of each kind, one of them inside a sub-frame.
struct StandIn {
    QMainWindow window;
    QComboBox* combo;
    StandIn() {
        auto* central = new QWidget(&window);
        window.setCentralWidget(central);
        auto* home = add<QGroupBox>(central, "Frame1_0");
        add<QLabel>(home, "Label1");
        add<QLabel>(home, "Label2");
        add<QLabel>(home, "Label3");
        add<QTextEdit>(home, "Text1");
        auto* panel = add<QGroupBox>(central, "Frame1_1");
        panel->hide();
        add<QLabel>(panel, "la18");
        add<QCheckBox>(panel, "Check1");
        add<QRadioButton>(panel, "Option1");
        combo = add<QComboBox>(panel, "Combo1");
        combo->setEditable(true);
        add<QListWidget>(panel, "List1");
        add<QPushButton>(panel, "Comout_0");
        add<QProgressBar>(panel, "Picture1");
        add<platform::db::DataGrid>(panel, "DataGrid1");
        auto* sub = add<QGroupBox>(panel, "Frame3_0");
        add<QLineEdit>(sub, "Te11");
    }
    QPalette pal(const char* name) const { return window.findChild<QWidget*>(name)->palette(); }
};

struct ColourExpect {
    const char* name;
    QPalette::ColorRole textRole, backRole;
    QColor plainText, plainBack, colourfulText, colourfulBack;
};

TEST(ColourScheme, EachKindGetsItsColoursInBothSchemes) {
    const QColor black(0, 0, 0), white(255, 255, 255), pink(255, 192, 255), home(255, 192, 192);
    const QColor face = QApplication::palette().color(QPalette::Button);
    const QColor btnText = QApplication::palette().color(QPalette::ButtonText);
    using R = QPalette;
    const ColourExpect cases[] = {
        {"la18", R::WindowText, R::Window, black, face, black, pink},
        {"Te11", R::Text, R::Base, black, white, QColor(255, 255, 0), QColor(0, 0, 255)},
        {"Frame1_1", R::WindowText, R::Window, black, face, black, pink},
        {"Frame3_0", R::WindowText, R::Window, black, face, black, pink},
        {"Check1", R::WindowText, R::Window, black, face, QColor(0, 0, 255), pink},
        {"Option1", R::WindowText, R::Window, black, face, QColor(0, 0, 255), pink},
        {"Combo1", R::Text, R::Base, black, white, black, QColor(0, 255, 0)},
        {"List1", R::Text, R::Base, black, white, QColor(0, 0, 255), QColor(0, 255, 255)},
        {"DataGrid1", R::Text, R::Base, black, white, black, QColor(0, 255, 255)},
        {"Comout_0", R::ButtonText, R::Button, black, face, black, face},
        {"Picture1", R::WindowText, R::Window, black, face, black, pink},
        // The home panel and its texts are the same in both schemes.
        {"Label1", R::WindowText, R::Window, QColor(0, 0, 255), home, QColor(0, 0, 255), home},
        {"Label2", R::WindowText, R::Window, btnText, home, btnText, home},
        {"Label3", R::WindowText, R::Window, btnText, home, btnText, home},
        {"Text1", R::Text, R::Base, QApplication::palette().color(R::Text),
         QApplication::palette().color(R::Base), QApplication::palette().color(R::Text),
         QApplication::palette().color(R::Base)},
    };
    StandIn form;
    // Colourful, plain, colourful again: each scheme fully replaces the other.
    for (ColourScheme scheme : {ColourScheme::Colourful, ColourScheme::Plain, ColourScheme::Colourful}) {
        ApplyColourScheme(&form.window, scheme);
        const bool colourful = scheme == ColourScheme::Colourful;
        for (const ColourExpect& e : cases) {
            const QPalette p = form.pal(e.name);
            EXPECT_EQ(p.color(e.textRole), colourful ? e.colourfulText : e.plainText)
                << e.name << (colourful ? " colourful" : " plain");
            EXPECT_EQ(p.color(e.backRole), colourful ? e.colourfulBack : e.plainBack)
                << e.name << (colourful ? " colourful" : " plain");
        }
        EXPECT_EQ(form.pal("Frame1_0").color(QPalette::Window), home);
    }
}

TEST(ColourScheme, InnerPartsOfAControlAreNotColouredAsControlsOfTheirOwn) {
    StandIn form;
    ApplyColourScheme(&form.window, ColourScheme::Colourful);
    // The editable combo's own line edit follows the combo, not the text boxes.
    EXPECT_NE(form.combo->lineEdit()->palette().color(QPalette::Text), QColor(255, 255, 0));
    // The grid's inner table shows the grid's colour.
    auto* grid = form.window.findChild<QWidget*>("DataGrid1");
    for (auto* view : grid->findChildren<QAbstractItemView*>())
        EXPECT_EQ(view->palette().color(QPalette::Base), QColor(0, 255, 255));
}

TEST(ColourScheme, KindsOfOurWidgets) {
    QWidget parent;
    EXPECT_EQ(controlKind(new QLabel(&parent)), "Label");
    EXPECT_EQ(controlKind(new QTextEdit(&parent)), "TextBox");
    EXPECT_EQ(controlKind(new QGroupBox(&parent)), "Frame");
    EXPECT_EQ(controlKind(new QFrame(&parent)), "Other");   // a picture box
    EXPECT_EQ(controlKind(new QListWidget(&parent)), "ListBox");
    EXPECT_EQ(controlKind(new QProgressBar(&parent)), "Other");
    EXPECT_EQ(controlKind(new platform::db::DataGrid(&parent)), "DataGrid");
}

} // namespace
