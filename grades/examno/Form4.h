#pragma once
// 打印考号预览: the exam-number cards of one or more rooms or classes, as a
// list or as one admission card per student, previewed, printed and saved.
// A window of its own, owned by no other: it may outlive the main window.

#include "grades/examno/core/exam_cards.h"
#include "platform/ui/dialogs.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace platform {
class RichTextBox;
}

class Form4 : public QWidget {
    Q_OBJECT
public:
    // `viewerGroup` reads the group handed over from the viewer for the
    // headings; it reads "" once the main window has gone. `query` selects the
    // students to preview at once; empty, the window waits for a choice.
    explicit Form4(std::function<QString()> viewerGroup = {}, const QString& query = {});
    ~Form4() override;

    // Shows the window, creating it on first use with `query`; an open one only
    // comes forward.
    static Form4* showFor(std::function<QString()> viewerGroup, const QString& query = {});

    void Form_Load(const QString& query);
    // Stores the settings; false when a busy file refused them and the window stays.
    bool Form_Unload();
    void Command5_Click();   // 刷新
    void Command1_Click();   // 打印
    void Command2_Click();   // 另存
    void Command3_Click();   // 考号 font
    void Command4_Click();   // 说明 font
    void Combo2_Click();
    void Combo3_Click();
    void RichTextBox1_MouseUp(Qt::MouseButton button, const QPoint& pos);
    void ZhiTi_Click();
    void MemuZT_Click();
    void MenuFZ_Click();
    void MenuJC_Click();

    const platform::FontChoice& titleFont() const { return titleFont_; }
    const platform::FontChoice& numberFont() const { return numberFont_; }

    platform::RichTextBox* RichTextBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QMenu* ZT = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    examno::CardSettings cardSettings() const;
    // Reads the students of a query; empty (and told) when the read fails.
    std::vector<examno::CardStudent> readGroup(const QString& query);
    void build(const std::vector<examno::CardStudent>& students);
    void buildQuery(const QString& query);
    // False when a busy file refused the rows: the typing stays for the next close.
    bool storeSettings();
    void showTop();

    std::function<QString()> viewerGroup_;
    platform::FontChoice titleFont_;
    platform::FontChoice numberFont_;
    QString query_;            // the group query last opened
    bool settingsRead_ = false;
    bool unloaded_ = false;
};
