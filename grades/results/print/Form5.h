#pragma once
// The grade-list preview (打印成绩预览): the ranked lists of every class, every
// room or the results view's query, cut to the first or last N students,
// saved as rich text or tab-separated text, and printed.

#include <QString>
#include <QWidget>

class PanelHost;
class QComboBox;
class QLabel;
class QPushButton;

namespace platform {
class RichTextBox;
}
namespace platform::db {
class DataControl;
}
namespace results {
class ResultsChoosers;
}

class Form5 : public QWidget {
    Q_OBJECT
public:
    // Shows the one preview owned by the main window, created and loaded on
    // first use, only brought to the front while it is open. `query` is the
    // view's own listing, used when neither every class nor every room is chosen.
    static Form5* showFor(PanelHost& host, const QString& query);

    Form5(PanelHost& host, QWidget* owner, const QString& query = {});
    ~Form5() override;

    void Form_Load();
    void Combo1_Click();
    void BuildGradePreview();
    void Command1_Click();   // 另存为
    void Command2_Click();   // 打印

    platform::RichTextBox* RichTextBox1 = nullptr;
    QString Text1;           // the hidden tab-separated copy
    QLabel* Label1[2] = {};
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    platform::db::DataControl* Adodc1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;   // Form_Resize

private:
    void buildBlocks(bool freshQueries);
    void runBlock(const QString& query);

    PanelHost& host_;
    results::ResultsChoosers& view_;   // the results view's class and room choosers
    QString fileName_;               // the name chosen last in this window
    QString query_;                  // the view's listing handed over at the start
};
