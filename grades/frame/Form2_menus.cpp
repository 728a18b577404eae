// The menu bar of the main window: built from its design, and the handlers
// of the frame's own items and buttons.
#include "grades/frame/Form2.h"

#include "common/program_state.h"
#include "grades/frame/Form17.h"
#include "grades/frame/Form8.h"
#include "grades/frame/colour_scheme.h"
#include "grades/frame/form2_design.h"
#include "grades/frame/frmAbout.h"
#include "grades/frame/lock_system.h"
#include "grades/frame/password_change.h"
#include "platform/ui/dialogs.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>

void Form2::buildMenus() {
    for (const auto& m : form2::menuDesigns()) {
        QMenu* menu = menuBar()->addMenu(m.caption);
        menu->setObjectName(m.name);
        menu->menuAction()->setObjectName(m.name);
        menuItems_.insert(m.name, menu->menuAction());
        for (const auto& item : m.items) {
            QAction* a = item.caption == QLatin1String("-") ? menu->addSeparator() : menu->addAction(item.caption);
            a->setObjectName(item.name);
            a->setVisible(item.visible);
            if (item.checkable) {
                a->setCheckable(true);
                a->setChecked(true);
            }
            menuItems_.insert(item.name, a);
        }
    }
}

void Form2::wireHandlers() {
    auto onClick = [this](const QString& name, void (Form2::*handler)()) {
        connect(control<QPushButton>(name), &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    onClick(QStringLiteral("Command1"), &Form2::Command1_Click);
    onClick(QStringLiteral("Command2"), &Form2::Command2_Click);
    onClick(QStringLiteral("Command3"), &Form2::Command3_Click);
    onClick(QStringLiteral("Command4"), &Form2::Command4_Click);
    onClick(QStringLiteral("Command5"), &Form2::Command5_Click);
    onClick(QStringLiteral("Command6"), &Form2::Command6_Click);
    onClick(QStringLiteral("Command7"), &Form2::Command7_Click);
    onClick(QStringLiteral("Command8"), &Form2::Command8_Click);

    auto onMenu = [this](const QString& name, void (Form2::*handler)()) {
        connect(menuItem(name), &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    onMenu(QStringLiteral("menu12"), &Form2::menu12_Click);
    onMenu(QStringLiteral("MenuStudent"), &Form2::MenuStudent_Click);
    onMenu(QStringLiteral("Menuteacher"), &Form2::Menuteacher_Click);
    onMenu(QStringLiteral("MenuKh"), &Form2::MenuKh_Click);
    onMenu(QStringLiteral("MenuZf"), &Form2::MenuZf_Click);
    onMenu(QStringLiteral("MenuCj"), &Form2::MenuCj_Click);
    onMenu(QStringLiteral("MenuJs"), &Form2::MenuJs_Click);
    onMenu(QStringLiteral("MenuCk"), &Form2::MenuCk_Click);
    onMenu(QStringLiteral("MenuJf"), &Form2::MenuJf_Click);
    onMenu(QStringLiteral("MenuEditAll"), &Form2::MenuEditAll_Click);
    onMenu(QStringLiteral("MenuXueJi"), &Form2::MenuXueJi_Click);
    onMenu(QStringLiteral("MenuOpenOther"), &Form2::MenuOpenOther_Click);
    onMenu(QStringLiteral("helpuser"), &Form2::helpuser_Click);
    onMenu(QStringLiteral("MenuHowtouse"), &Form2::MenuHowtouse_Click);
    onMenu(QStringLiteral("about"), &Form2::about_Click);
    connect(menuItem(QStringLiteral("MenuSuper")), &QAction::triggered, this, [this] {
        MenuSuper_Click(this, &Adodc0_, ownConnections());
    });
    // The check mark is ours to invert, not the action's.
    QAction* colour = menuItem(QStringLiteral("menucolor"));
    connect(colour, &QAction::triggered, this, [this, colour] {
        colour->setChecked(!colour->isChecked());
        menucolor_Click();
    });
}

// ---------------------------------------------------------------- menus

void Form2::menu12_Click() { close(); }
// Each panel button does the finishing work of the panel showing first.
void Form2::MenuStudent_Click() { Command1_Click(); }
void Form2::Menuteacher_Click() { Command2_Click(); }
void Form2::MenuKh_Click() { Command3_Click(); }
void Form2::MenuZf_Click() { Command4_Click(); }
void Form2::MenuCj_Click() { Command8_Click(); }
void Form2::MenuJs_Click() { Command5_Click(); }
void Form2::MenuCk_Click() { Command6_Click(); }
void Form2::MenuJf_Click() { Command7_Click(); }

void Form2::MenuEditAll_Click() {
    if (!Comout_Click(0))
        return;
    // The shared window in edit mode: without the diagram and its bars, and
    // with any caption but the help caption.
    Form8 form(this);
    form.Picture1->hide();
    form.HScroll1->hide();
    form.VScroll1->hide();
    form.setWindowTitle(QStringLiteral("编辑所有情况"));
    form.setEditSource(&Adodc1_);
    platform::dialogs().runModal(form);
}

void Form2::MenuXueJi_Click() {}

void Form2::MenuOpenOther_Click() { Form17::showFor(this); }

void Form2::helpuser_Click() {
    ShowWorkflowOrHelp(this, control(QStringLiteral("Frame1_0"))->isVisible());
}

void Form2::MenuHowtouse_Click() { openHelpFile(); }

void Form2::about_Click() { ShowAbout(); }

void Form2::menucolor_Click() {
    QAction* colour = menuItem(QStringLiteral("menucolor"));
    colour->setChecked(!colour->isChecked());
    ApplyColourScheme(this, colour->isChecked());
    coloured_ = true;
}
