#pragma once
// Where the database copies of up to five earlier examinations are kept, and
// what share each of them and the current one has in a combined score.
// Stored in rows 27 to 32 of 状态表.

#include <QDialog>
#include <array>

class PanelHost;
class QLabel;
class QLineEdit;
class QPushButton;

class Dialog1 : public QDialog {
    Q_OBJECT
public:
    // Owned by the host's main window; reads and writes its settings cursor.
    explicit Dialog1(PanelHost& host);
    // Shows the dialog, or brings forward the one already open (without reading the rows again).
    static Dialog1* showFor(PanelHost& host);

    std::array<QLabel*, 5> Label1{};
    std::array<QLineEdit*, 5> Text1{};
    std::array<QPushButton*, 5> Command1{};
    std::array<QLabel*, 7> Label3{};
    std::array<QLineEdit*, 6> Text2{};
    std::array<QLabel*, 6> Label4{};
    QLabel* Label2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    void Form_Load();
    void Command1_Click(int index);
    void Text1_GotFocus(int index);
    void Text2_GotFocus(int index);
    void OKButton_Click();
    void CancelButton_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PanelHost& host_;
};

// 以前成绩: the administrator gets Dialog1; anyone else the refusal.
void MenuYiQian_Click(PanelHost& host);
