#include "grades/frame/frmAbout.h"

#include "support/dialog_double.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(AboutWindow, CaptionTitleAndDescription) {
    frmAbout form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("关于 VantalooOrbisca"));
    EXPECT_EQ(form.lblTitle->text(), QStringLiteral("VantalooOrbisca"));
    EXPECT_TRUE(form.lblDescription->text().startsWith(
        QStringLiteral("   本程序能完成从考号的编写,成绩录入及成绩分析等全部的操作,能大大加快学校和教师处理成绩的速度.")));
    EXPECT_EQ(form.cmdOK->text(), QStringLiteral("确定"));
    EXPECT_TRUE(form.cmdOK->isDefault());
    EXPECT_EQ(form.cmdSysInfo->text(), QStringLiteral("系统信息(&S)..."));
}

// Tests and the accessibility tree find each control by the name it is known by.
TEST(AboutWindow, ControlsAreFoundByName) {
    frmAbout form;
    const std::pair<const char*, QWidget*> controls[] = {
        {"Image1", form.Image1}, {"lblTitle", form.lblTitle}, {"lblVersion", form.lblVersion},
        {"lblDescription", form.lblDescription}, {"cmdOK", form.cmdOK}, {"cmdSysInfo", form.cmdSysInfo},
    };
    for (const auto& [name, control] : controls)
        EXPECT_EQ(form.findChild<QWidget*>(QString::fromLatin1(name)), control) << name;
}

TEST(AboutWindow, VersionAsMajorMinorRevision) {
    const QString saved = QCoreApplication::applicationVersion();
    const struct { const char* version; const char* shown; } cases[] = {
        {"2.3.7", "版本 2.3.7"},
        {"2.3", "版本 2.3.0"},
        {"3.1.4.1", "版本 3.1.4"},
        {"", "版本 1.0.0"},
    };
    for (const auto& c : cases) {
        QCoreApplication::setApplicationVersion(c.version);
        frmAbout form;
        EXPECT_EQ(form.lblVersion->text(), QString::fromUtf8(c.shown)) << c.version;
    }
    QCoreApplication::setApplicationVersion(saved);
}

TEST(AboutWindow, SystemInformationIsNotAvailableHere) {
    EXPECT_FALSE(platform::GetKeyValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH"));
    frmAbout form;
    DialogDouble dialogs;
    dialogs.answerMessage(platform::MsgResult::Ok, QStringLiteral("此时系统信息不可用"));
    form.cmdSysInfo->click();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.lastTitle(), QStringLiteral("VantalooOrbisca"));
    EXPECT_EQ(dialogs.shown()[0].buttons, platform::MsgButtons::Ok);
}

TEST(AboutWindow, ShownModallyWithoutOwnerAndClosedByOk) {
    DialogDouble dialogs;
    bool seen = false;
    dialogs.runModalWith([&](QDialog& d) {
        auto* form = dynamic_cast<frmAbout*>(&d);
        EXPECT_NE(form, nullptr);
        if (!form)
            return 0;
        seen = true;
        EXPECT_EQ(form->parentWidget(), nullptr);
        form->show();
        form->cmdOK->click();
        EXPECT_FALSE(form->isVisible());
        return form->result();
    });
    ShowAbout();
    EXPECT_TRUE(seen);
}

} // namespace
