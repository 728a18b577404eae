#pragma once
// The about window: program title, version, a short description, and a way
// to the system-information program where the platform has one.

#include "platform/ui/system_info.h"

#include <QDialog>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QFrame* Line1_1;   // the grey line of the etched separator
    QFrame* Line1_0;   // the white line under it
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
};

// 关于...: the about window, modal and without owner.
void ShowAbout();
