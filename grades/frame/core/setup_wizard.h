#pragma once
// The checks the setup wizard runs at 完成, without a screen: the first that fails
// decides what the window does.

#include "common/class_label.h"

#include <QString>
#include <QStringList>

struct WizardInput {
    QString schoolName;      // Text1 as it stands
    QString databasePath;    // Text2
    QString password;        // Text3
    QString confirmation;    // Text4
    QStringList subjects;    // List1
    QStringList grades;      // List3, in list order
    QStringList classes;     // List4
};

struct WizardVerdict {
    enum Action { Refuse, Attach, Create };
    Action action = Refuse;
    QString message;         // shown with the title "提示" when refused
    int goToStep = -1;       // 0-based step to show after a refusal; -1 stays
};

WizardVerdict ValidateWizardInput(const WizardInput& in);


// Texts of the wizard's refusals.
namespace wizard_text {
inline const QString kBadPath = QStringLiteral("数据库文件名无效! 请使用绝对路径!");
inline const QString kSchoolName = QStringLiteral("请如实填写您的学校名称！");
inline const QString kPasswordTooLong = QStringLiteral("密码不能多于8个字符！");
inline const QString kPasswordsDiffer = QStringLiteral("两次输入的密码不一样，请重新输入！");
inline const QString kPasswordSpaces = QStringLiteral("密码的前后不能有空格！");
inline const QString kNoSubject = QStringLiteral("至少要有一个科目！");
inline const QString kNoGrade = QStringLiteral("至少要有一个年级！");
inline const QString kNoClass = QStringLiteral("至少要有一个班！");
inline const QString kGradeWithoutClass = QStringLiteral("级没有任何班，不允许没有班的年级！");
} // namespace wizard_text
