#pragma once
// The students of the main window's list as a text to read and print.

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace platform::db { class DataControl; }

class XJprint : public QWidget {
    Q_OBJECT
public:
    explicit XJprint(QWidget* parent = nullptr);
    ~XJprint() override;

    // False when there is no list: the message was shown and the window must not stay.
    bool Form_Load();
    bool BuildPrintPreview();
    void Command1_Click();
    // The text with its CR LF line ends, as it is printed.
    QString previewText() const;

    QPlainTextEdit* text1 = nullptr;
    QPushButton* Command1 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
