#include "grades/frame/Form8.h"

#include "common/program_state.h"
#include "platform/db/datacontrol.h"  // datagrid.h needs the complete type
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/controls.h"
#include "platform/ui/twips.h"

#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QShowEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace {

using platform::twipsToPixels;

const QString kTitle = QStringLiteral("下图是本系统的工作流程：");
const QString kThanks = QStringLiteral("非常感谢您使用本系统!");
// Bars 16 pixels thick fill the room the rules leave right of the viewport.
constexpr int kBarThickness = 240;

// The canvas draws the diagram's lines under its buttons and labels.
class WorkflowCanvas : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const auto point = [](int x, int y) { return QPointF(twipsToPixels(x), twipsToPixels(y)); };
        const auto draw = [&](const frame::Segment& s) { p.drawLine(point(s.x1, s.y1), point(s.x2, s.y2)); };
        for (const auto& line : frame::workflowLines()) {
            p.setPen(line.green ? QPen(QColor(0, 255, 0), 3) : QPen(Qt::black, 1));
            draw(line.shaft);
            if (line.arrow)
                for (const auto& stroke : frame::arrowHead(line.shaft))
                    draw(stroke);
        }
    }
};

QLabel* canvasLabel(QWidget* canvas, const QString& text, const QColor& color, const QRect& rect) {
    auto* label = new QLabel(text, canvas);
    label->setGeometry(rect);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

} // namespace

namespace {
const QStringList kEditTables = {QStringLiteral("成绩表"), QStringLiteral("班级表"), QStringLiteral("年级表"),
                                 QStringLiteral("教师表"), QStringLiteral("状态表")};
const QString kEditPrompt = QStringLiteral("请在些选择一个表进行编辑或在标题栏使用鼠标右键。");
} // namespace

Form8::Form8(QWidget* owner) : QDialog(owner) {
    setWindowTitle(kHelpCaption);
    setSizeGripEnabled(true);
    platform::resizeTwips(*this, 8280, 5925);

    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1");
    DataGrid1->hide();
    DataGrid1->setToolTip(QStringLiteral("Ctrl + Del 可以删除整条记录"));
    DataGrid1->setKeyDownHandler([this](int16_t& key, int16_t& shift) { DataGrid1_KeyHandler(key, shift); });
    DataGrid1->setMouseDownHandler(
        [this](int button, int shift, int x, int y) { DataGrid1_MouseHandler(button, shift, x, y); });

    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1", {}, true);
    Combo1->setGeometry(platform::twipsRect(120, 120, 5655, 300));
    Combo1->hide();
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });

    MenuKJ = new QMenu(QStringLiteral("菜单"), this);
    MenuKJ->setObjectName(QStringLiteral("MenuKJ"));
    const std::pair<QAction**, const char*> items[] = {
        {&MenuCJB, "MenuCJB"}, {&MenuBJB, "MenuBJB"}, {&MenuLJB, "MenuLJB"}, {&MenuJSB, "MenuJSB"}, {&MenuZTB, "MenuZTB"}};
    for (int i = 0; i < 5; ++i) {
        const QString table = kEditTables[i];
        QAction* a = MenuKJ->addAction(table);
        a->setObjectName(QString::fromLatin1(items[i].second));
        *items[i].first = a;
        connect(a, &QAction::triggered, this, [this, table] { chooseTable(table); });
    }

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Frame1_0 = new WorkflowCanvas(Picture1);
    Frame1_0->setObjectName(QStringLiteral("Frame1_0"));
    Frame1_0->setAutoFillBackground(true);
    QPalette pal = Frame1_0->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 255));
    Frame1_0->setPalette(pal);
    Frame1_0->setGeometry(platform::twipsRect(0, 0, frame::kDiagramWidth, frame::kDiagramHeight));

    Label2_0 = canvasLabel(Frame1_0, kTitle, QColor(255, 255, 0), platform::twipsRect(240, 240, 2415, 735));
    QFont titleFont(QStringLiteral("宋体"));
    titleFont.setPointSizeF(15.75);
    titleFont.setBold(true);
    titleFont.setItalic(true);
    titleFont.setUnderline(true);
    Label2_0->setFont(titleFont);
    Label1 = canvasLabel(Frame1_0, {}, Qt::black, platform::twipsRect(3000, 360, 6420, 975));
    Label3 = canvasLabel(Frame1_0, QStringLiteral("新的考试开始"), Qt::black, platform::twipsRect(960, 4560, 1215, 255));
    Label4 = canvasLabel(Frame1_0,
                         QStringLiteral("   注意:绿色箭头表示必须经过的过程,黑色箭头表示可以不要的过程."),
                         QColor(0, 0, 192), platform::twipsRect(120, 5160, 1935, 615));
    for (auto [label, name] : {std::pair{Label2_0, "Label2_0"}, {Label1, "Label1"}, {Label3, "Label3"}, {Label4, "Label4"}})
        label->setObjectName(QString::fromLatin1(name));

    for (const auto& step : frame::workflowSteps()) {
        auto* button = new QPushButton(step.caption, Frame1_0);
        button->setObjectName(QStringLiteral("Command1_%1").arg(step.index));
        button->setGeometry(platform::twipsRect(step.left, step.top, step.width, frame::kStepButtonHeight));
        button->setMouseTracking(true);
        button->setAutoDefault(false);
        button->installEventFilter(this);
        Command1[step.index] = button;
    }

    HScroll1 = new QScrollBar(Qt::Horizontal, this);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    HScroll1->setRange(0, help_.hMaximum);
    VScroll1->setRange(0, help_.vMaximum);
    connect(HScroll1, &QScrollBar::valueChanged, this, &Form8::HScroll1_Change);
    connect(VScroll1, &QScrollBar::valueChanged, this, &Form8::VScroll1_Change);
}

QPushButton* Form8::stepButton(int index) const {
    const auto it = Command1.find(index);
    return it == Command1.end() ? nullptr : it->second;
}

bool Form8::eventFilter(QObject* watched, QEvent* event) {
    for (const auto& [index, button] : Command1) {
        if (button != watched)
            continue;
        switch (event->type()) {
        case QEvent::MouseMove: Command1_MouseMove(index); break;
        case QEvent::MouseButtonPress: Command1_MouseDown(index); break;
        case QEvent::MouseButtonRelease: Command1_MouseUp(index); break;
        default: break;
        }
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void Form8::Command1_MouseMove(int index) {
    if (QPushButton* button = stepButton(index))
        button->setFocus();
    Label1->setText(frame::stepExplanation(index));
}

void Form8::Command1_MouseDown(int) {
    Label2_0->setText(kThanks);
}

void Form8::Command1_MouseUp(int) {
    Label2_0->setText(kTitle);
}

void Form8::HScroll1_Change() {
    Frame1_0->move(-twipsToPixels(HScroll1->value()), Frame1_0->y());
}

void Form8::VScroll1_Change() {
    Frame1_0->move(Frame1_0->x(), -twipsToPixels(VScroll1->value()));
}

void Form8::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void Form8::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Form_Resize();
    // Once when shown: the window is activated again after each message box
    // of its own, and the chooser must not come back over the grid then.
    if (!event->spontaneous())
        Form_Activate();
}

void Form8::Form_Activate() {
    if (isHelpMode())
        return;
    Combo1->clear();
    Combo1->addItems(kEditTables);
    Combo1->setEditText(kEditPrompt);
    Combo1->show();
    Combo1->raise();
}

void Form8::Combo1_Click() {
    // Only a table name binds: the prompt is longer.
    const QString table = Combo1->currentText();
    if (table.size() != 3 || !Adodc1 || !storeEdit())
        return;
    Combo1->hide();
    try {
        Adodc1->setRecordSource(table);
        Adodc1->refresh();
    } catch (const platform::db::DbError&) {
        // As the old editor: a table that does not bind leaves the grid empty.
    }
    DataGrid1->setCaption(table);
    DataGrid1->setDataSource(Adodc1);
    DataGrid1->show();
}

bool Form8::storeEdit() {
    if (isHelpMode() || !Adodc1 || DataGrid1->dataSource() != Adodc1)
        return true;
    if (!DataGrid1->commitEditor())
        return false;   // the field's message was shown; the window stays for another value
    platform::db::Recordset* rs = Adodc1->recordset();
    if (!rs || !(rs->isDirty() || rs->isNewRow()))
        return true;
    try {
        rs->update();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, {}, platform::MsgIcon::Warning);
        // Another program holds the file for a moment: the edit stays for the
        // next try. A row the table refuses is dropped, as on leaving it.
        if (e.kind() == platform::db::DbError::Busy)
            return false;
        rs->cancelUpdate();
    }
    return true;
}

void Form8::done(int result) {
    if (!storeEdit())
        return;
    QDialog::done(result);
}

void Form8::chooseTable(const QString& table) {
    Combo1->setEditText(table);
    Combo1_Click();
}

void Form8::DataGrid1_KeyHandler(int16_t& keyCode, int16_t& shift) {
    constexpr int16_t kDelete = 46;
    constexpr int16_t kCtrl = 2;
    DataGrid1->setAllowUpdate(true);
    if (keyCode != kDelete || shift != kCtrl)
        return;
    keyCode = 0;
    shift = 0;
    // The settings rows are addressed by position: removing one would move
    // every later setting onto the wrong row.
    if (DataGrid1->caption() == QStringLiteral("状态表")) {
        platform::dialogs().message(QStringLiteral("状态表的记录不能删除，否则以后的设置都会错位！"),
                                    platform::MsgButtons::Ok, platform::kPromptTitle);
        return;
    }
    if (platform::dialogs().message(QStringLiteral("真的要删除这一条记录吗?"), platform::MsgButtons::YesNo,
                                    QStringLiteral("请注意...")) != platform::MsgResult::Yes)
        return;
    platform::db::Recordset* rs = Adodc1 ? Adodc1->recordset() : nullptr;
    if (!rs || rs->eof() || rs->bof())
        return;   // nothing to delete
    try {
        rs->deleteCurrent();
        rs->requery();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
}

void Form8::DataGrid1_MouseHandler(int button, int, int, int y) {
    constexpr int kRightButton = 2;
    constexpr int kCaptionStrip = 330;   // twips from the grid's top
    if (button == kRightButton && y < kCaptionStrip)
        MenuKJ->popup(QCursor::pos());
}

void Form8::Form_Resize() {
    if (isMinimized())
        return;
    const int W = platform::pixelsToTwips(width()) + frame::kHelpFrameWidth;
    const int H = platform::pixelsToTwips(height()) + frame::kHelpFrameHeight;
    if (!isHelpMode()) {
        edit_ = frame::editModeLayout(W, H, edit_);
        DataGrid1->setGeometry(platform::twipsRect(0, 0, edit_.gridWidth, edit_.gridHeight));
        return;
    }
    help_ = frame::helpModeLayout(W, H, help_);
    applyHelpGeometry();
}

void Form8::applyHelpGeometry() {
    const auto& g = help_;
    // A new size starts again at the top left corner of the diagram; the bars
    // go back with it so that they show where the canvas is.
    Frame1_0->move(0, 0);
    HScroll1->setValue(0);
    VScroll1->setValue(0);

    HScroll1->setVisible(g.hBarVisible);
    VScroll1->setVisible(g.vBarVisible);
    Picture1->setGeometry(platform::twipsRect(0, 0, g.viewWidth, g.viewHeight));
    Frame1_0->resize(twipsToPixels(g.canvasWidth), twipsToPixels(g.canvasHeight));
    HScroll1->setGeometry(platform::twipsRect(0, g.hBarTop, g.hBarWidth, kBarThickness));
    VScroll1->setGeometry(platform::twipsRect(g.vBarLeft, 0, kBarThickness, g.vBarHeight));
    if (g.vBarVisible) {
        VScroll1->setMaximum(g.vMaximum);
        VScroll1->setPageStep(g.vLargeStep);
        VScroll1->setSingleStep(g.vSmallStep);
    }
    if (g.hBarVisible) {
        HScroll1->setMaximum(g.hMaximum);
        HScroll1->setPageStep(g.hLargeStep);
        HScroll1->setSingleStep(g.hSmallStep);
    }
    Label1->setGeometry(platform::twipsRect(3000, 360, g.label1Width, 975));
}

void ShowWorkflowOrHelp(QWidget* owner, bool homePanelVisible) {
    if (!homePanelVisible) {
        openHelpFile();
        return;
    }
    Form8 form(owner);
    form.DataGrid1->hide();
    form.Picture1->show();
    form.HScroll1->show();
    form.VScroll1->show();
    platform::dialogs().runModal(form);
}
