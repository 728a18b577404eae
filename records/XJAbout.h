#pragma once
// The about window and the note on where the completion lists are kept.

#include <QWidget>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class XJAbout : public QWidget {
    Q_OBJECT
public:
    explicit XJAbout(QWidget* parent = nullptr);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QFrame* Line1_0 = nullptr;
    QFrame* Line1_1 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
};

class HelpNote : public QWidget {
    Q_OBJECT
public:
    explicit HelpNote(QWidget* parent = nullptr);

    void Form_Load();
    // The note for a profile path.
    static QString noteText(const QString& settingsFilePath);

    QPlainTextEdit* text1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
