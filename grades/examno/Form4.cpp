#include "grades/examno/Form4.h"

#include "common/class_label.h"
#include "grades/examno/core/exam_number_format.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "common/schema.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/controls.h"
#include "platform/ui/richtextbox.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <algorithm>
#include <map>

namespace {

constexpr int kSettingLength = 25;   // the size of 状态

// A caption whose blanks are half a Chinese character wide, whatever the
// font: the per-line box is placed in the gap its blanks leave.
class GapLabel : public QLabel {
public:
    using QLabel::QLabel;
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QFontMetricsF metrics(font());
        const double blank = metrics.horizontalAdvance(QStringLiteral("中")) / 2;
        const double baseline = (height() + metrics.ascent() - metrics.descent()) / 2;
        double x = 0;
        const QString caption = text();
        for (qsizetype i = 0; i < caption.size();) {
            if (caption[i] == QLatin1Char(' ')) {
                x += blank;
                ++i;
                continue;
            }
            qsizetype end = caption.indexOf(QLatin1Char(' '), i);
            if (end < 0)
                end = caption.size();
            const QString piece = caption.mid(i, end - i);
            painter.drawText(QPointF(x, baseline), piece);
            x += metrics.horizontalAdvance(piece);
            i = end;
        }
    }
};

void tell(const QString& text, const QString& title = platform::kPromptTitle) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, title);
}

// Fonts start without styles at every opening; the colour is the dialog's own.
platform::FontChoice plainFont(const QString& name, double size) {
    platform::FontChoice f;
    f.name = name;
    f.size = size;
    return f;
}

} // namespace

Form4::Form4(std::function<QString()> viewerGroup, const QString& query)
    : QWidget(nullptr), viewerGroup_(std::move(viewerGroup)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("打印考号预览"));
    setAttribute(Qt::WA_DeleteOnClose);

    RichTextBox1 = platform::buildControl<platform::RichTextBox>(this, "RichTextBox1");
    Option1 = platform::buildControl<QRadioButton>(this, "Option1", QStringLiteral("简单"));
    Option2 = platform::buildControl<QRadioButton>(this, "Option2", QStringLiteral("完全"));
    Option2->setChecked(true);
    Check1 = platform::buildControl<QCheckBox>(this, "Check1", QStringLiteral("只填座位号"));
    Label1 = platform::buildControl<GapLabel>(this, "Label1", QStringLiteral("每行        个同学 行间距:"));
    Combo1 = platform::buildControl<platform::ComboBox>(this, "Combo1");
    Text2 = platform::buildControl<QLineEdit>(this, "Text2");
    Text2->setText(QStringLiteral("1"));
    Label2 = platform::buildControl<QLabel>(this, "Label2", QStringLiteral("考试说明:"));
    Text1 = platform::buildControl<QLineEdit>(this, "Text1");
    // 状态 holds 25 characters: a longer title could not be kept.
    Text1->setMaxLength(kSettingLength);
    Text1->setText(QStringLiteral("2000年第二学年度期未考试"));
    Combo2 = platform::buildControl<platform::ComboBox>(this, "Combo2");
    Combo3 = platform::buildControl<platform::ComboBox>(this, "Combo3");
    for (QComboBox* box : {Combo1, Combo2, Combo3}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    Combo1->setEditText(QStringLiteral("3"));
    Command5 = platform::buildControl<QPushButton>(this, "Command5", QStringLiteral("刷新"));
    Command5->setToolTip(QStringLiteral("使您刚才的设置生效"));
    Command4 = platform::buildControl<QPushButton>(this, "Command4", QStringLiteral("说明"));
    Command4->setToolTip(QStringLiteral("设置在考号中说明文字的字体"));
    Command3 = platform::buildControl<QPushButton>(this, "Command3", QStringLiteral("考号"));
    Command3->setToolTip(QStringLiteral("设置考号中姓名与考号的字体"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", QStringLiteral("另存"));
    Command2->setToolTip(QStringLiteral(
        "将预览的内容保存为rtf文件格式，这样可以使用Word等专业字处理软件对考号进行各种特殊的打印."));
    Command1 = platform::buildControl<QPushButton>(this, "Command1", QStringLiteral("打印"));
    // Label1 is drawn behind the per-line box that stands in its gap.
    Label1->lower();

    ZT = new QMenu(this);
    ZT->setObjectName(QStringLiteral("ZT"));
    ZT->setTitle(QStringLiteral("字体"));
    connect(ZT->addAction(QStringLiteral("字体")), &QAction::triggered, this, [this] { ZhiTi_Click(); });
    ZT->addSeparator();
    connect(ZT->addAction(QStringLiteral("粘贴")), &QAction::triggered, this, [this] { MemuZT_Click(); });
    connect(ZT->addAction(QStringLiteral("复制")), &QAction::triggered, this, [this] { MenuFZ_Click(); });
    connect(ZT->addAction(QStringLiteral("剪切")), &QAction::triggered, this, [this] { MenuJC_Click(); });

    titleFont_ = plainFont(QStringLiteral("宋体"), 10);
    numberFont_ = plainFont(QStringLiteral("宋体"), 20);

    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    // Only the user's pick clears the other selector, not a text set by code.
    connect(Combo2, &QComboBox::activated, this, [this] { Combo2_Click(); });
    connect(Combo3, &QComboBox::activated, this, [this] { Combo3_Click(); });
    connect(RichTextBox1, &platform::RichTextBox::mouseUp, this,
            [this](Qt::MouseButton b, Qt::KeyboardModifiers, const QPoint& pos) { RichTextBox1_MouseUp(b, pos); });

    setMinimumSize(platform::twipsToPixels(int(examno::kCardMinWidth - examno::kCardFrameWidth)),
                   platform::twipsToPixels(int(examno::kCardMinHeight - examno::kCardFrameHeight)));
    platform::resizeTwips(*this, 9480, 7200);

    Form_Load(query);
}

Form4::~Form4() = default;

Form4* Form4::showFor(std::function<QString()> viewerGroup, const QString& query) {
    return platform::showModeless<Form4>(nullptr,
                                         [&viewerGroup, &query] { return new Form4(std::move(viewerGroup), query); });
}

void Form4::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const examno::CardWindowLayout layout =
        examno::cardWindowLayout(platform::pixelsToTwips(width()), platform::pixelsToTwips(height()));
    for (const examno::CardPlacement& p : layout.placements)
        if (auto* w = findChild<QWidget*>(p.name, Qt::FindDirectChildrenOnly))
            platform::placeTwips(*w, int(std::lround(p.rect.left)), int(std::lround(p.rect.top)),
                                 int(std::lround(p.rect.width)), int(std::lround(p.rect.height)));
}

std::vector<examno::CardStudent> Form4::readGroup(const QString& query) {
    query_ = query;
    try {
        auto db = openProgramDatabase();
        platform::db::Recordset rs(db, query);
        return examno::readCardStudents(rs);
    } catch (const platform::db::DbError& e) {
        tell(e.text(), platform::kErrorTitle);
        return {};
    }
}

void Form4::Form_Load(const QString& query) {
    std::vector<examno::CardStudent> handedOver;
    if (!query.isEmpty()) {
        handedOver = readGroup(query);
        if (handedOver.empty()) {
            tell(QStringLiteral("没有可打印的内容!,请选择一个年级或者班"), platform::kCannotPrintTitle);
            return;
        }
    }
    Combo1->clear();
    for (int n = 1; n <= 20; ++n)
        Combo1->addItem(QString::number(n));
    Combo1->setEditText(QStringLiteral("3"));
    Combo2->clear();
    Combo3->clear();
    try {
        auto db = openProgramDatabase();
        platform::db::Recordset rs(db, table::Settings);
        const SettingsRows rows(rs);
        // The rooms of the stored count, also before the exam-number panel was
        // opened in this run.
        const int64_t rooms = platform::leadingWholeNumber(rows.value(Setting::ExamRoomCount));
        Combo2->addItems(examno::cardRoomItems(int(std::clamp<int64_t>(rooms, 0, examno::kLastRoom))));
        Combo2->setCurrentIndex(-1);
        {
            platform::db::Recordset classes(db, table::Classes);
            QStringList labels;
            const int g = classes.fieldIndex(QStringLiteral("年级")), c = classes.fieldIndex(QStringLiteral("班"));
            for (int row = 0; row < classes.recordCount(); ++row)
                labels << classLabel(classes.valueAt(row, g).toString(), classes.valueAt(row, c).toString());
            Combo3->addItems(labels);
            Combo3->addItem(examno::kAllClasses);
            Combo3->setCurrentIndex(-1);
        }
        Text1->setText(rows.value(Setting::ExamTitle));
        const examno::CardLayoutSetting layout = examno::cardLayoutFromRow(rows.value(Setting::ExamCardLayout));
        (layout.simple ? Option1 : Option2)->setChecked(true);
        Check1->setChecked(layout.seatOnly);
        Combo1->setEditText(layout.perLine);
        Text2->setText(layout.extraLines);
        const examno::CardFontSetting fonts = examno::cardFontsFromRow(rows.value(Setting::ExamCardFonts));
        titleFont_ = plainFont(fonts.titleName, fonts.titleSize);
        numberFont_ = plainFont(fonts.numberName, fonts.numberSize);
        settingsRead_ = true;
    } catch (const platform::db::DbError& e) {
        tell(e.text(), platform::kErrorTitle);
    }
    if (!query.isEmpty())
        build(handedOver);
    showTop();
}

void Form4::showTop() {
    QTextCursor start = RichTextBox1->textCursor();
    start.movePosition(QTextCursor::Start);
    RichTextBox1->setTextCursor(start);
}

examno::CardSettings Form4::cardSettings() const {
    examno::CardSettings s;
    s.perLine = Combo1->currentText();
    s.extraLines = Text2->text();
    s.simple = Option1->isChecked();
    s.seatOnly = Check1->isChecked();
    s.title = Text1->text();
    s.schoolName = state().SchoolName;
    s.roomLabel = Combo2->currentText();
    s.classLabel = Combo3->currentText();
    if (viewerGroup_)
        s.viewerLabel = viewerGroup_();
    return s;
}

void Form4::build(const std::vector<examno::CardStudent>& students) {
    const std::vector<examno::CardRun> runs = BuildExamSlipPreview(students, cardSettings());
    QTextCursor end = RichTextBox1->textCursor();
    end.movePosition(QTextCursor::End);
    RichTextBox1->setTextCursor(end);
    // A card cut by a page break is no card: each card's lines go on one page.
    int cardStart = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const examno::CardRun& run = runs[i];
        if (run.card != 0 && (i == 0 || runs[i - 1].card != run.card))
            cardStart = RichTextBox1->textCursor().position();
        RichTextBox1->insertRun(run.text, run.font == examno::CardFont::Title ? titleFont_ : numberFont_);
        if (run.card != 0 && (i + 1 == runs.size() || runs[i + 1].card != run.card))
            RichTextBox1->keepTogether(cardStart, RichTextBox1->textCursor().position() - cardStart);
    }
}

void Form4::buildQuery(const QString& query) { build(readGroup(query)); }

void Form4::Command5_Click() {
    if (!platform::trimBlanks(Combo2->currentText()).isEmpty()) {
        if (Combo2->currentText() != examno::kAllRooms) {
            const auto room = examno::cardRoomOfLabel(Combo2->currentText());
            // A text that names no room builds an empty group.
            const auto students = room ? readGroup(examno::cardRoomQuery(*room)) : std::vector<examno::CardStudent>{};
            RichTextBox1->clear();
            build(students);
        } else {
            RichTextBox1->clear();
            // One read for all rooms, split by room: the same rows, in the same
            // order, as a query per room.
            std::map<QString, std::vector<examno::CardStudent>> byRoom;
            for (examno::CardStudent& s : readGroup(examno::cardAllRoomsQuery()))
                byRoom[s.room.isNull() ? QString() : s.room.toString()].push_back(std::move(s));
            for (int i = 0; i + 1 < Combo2->count(); ++i) {
                Combo2->setEditText(Combo2->itemText(i));
                const auto room = examno::cardRoomOfLabel(Combo2->itemText(i));
                if (!room)
                    continue;
                query_ = examno::cardRoomQuery(*room);
                const auto it = byRoom.find(*room);
                if (it != byRoom.end())
                    build(it->second);
            }
            Combo2->setEditText(examno::kAllRooms);
        }
    }
    if (!platform::trimBlanks(Combo3->currentText()).isEmpty()) {
        const auto classQuery = [](const QString& label) {
            return examno::cardClassQuery(gradeOfLabel(label), classOfLabel(label));
        };
        if (Combo3->currentText() == examno::kAllClasses) {
            RichTextBox1->clear();
            for (int i = 0; i + 1 < Combo3->count(); ++i) {
                Combo3->setEditText(Combo3->itemText(i));
                buildQuery(classQuery(Combo3->itemText(i)));
            }
            Combo3->setEditText(examno::kAllClasses);
        } else {
            const auto students = readGroup(classQuery(Combo3->currentText()));
            RichTextBox1->clear();
            build(students);
        }
    }
    if (Combo2->currentText().isEmpty() && Combo3->currentText().isEmpty()) {
        RichTextBox1->clear();
        if (!query_.isEmpty())
            buildQuery(query_);
    }
    // The preview opens at its first card.
    showTop();
}

void Form4::Command1_Click() {
    try {
        RichTextBox1->print(platform::PrintPrompt::PrinterDialog);
    } catch (const platform::PrintError&) {
        // Nothing was printed; the user sees the printer's own state.
    }
}

void Form4::Command2_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("RTF文件(*.rtf)|*.rtf|TXT文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.confirmOverwrite = false;   // asked below, once
    const auto chosen = platform::dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    if (QFileInfo::exists(*chosen) &&
        platform::dialogs().message(QStringLiteral("文件") + *chosen + QStringLiteral("已经存在,是否将其覆盖?"),
                                    platform::MsgButtons::YesNo, QStringLiteral("保存文件")) !=
            platform::MsgResult::Yes)
        return;
    try {
        RichTextBox1->saveFile(*chosen, platform::richtext::FileFormat::RichText);
    } catch (const platform::FileError& e) {
        tell(e.text(), platform::kFailedTitle);
    }
}

void Form4::Command4_Click() {
    if (const auto f = platform::dialogs().chooseFont(titleFont_))
        titleFont_ = *f;
}

void Form4::Command3_Click() {
    if (const auto f = platform::dialogs().chooseFont(numberFont_))
        numberFont_ = *f;
}

void Form4::Combo2_Click() { Combo3->setEditText(QString()); }
void Form4::Combo3_Click() { Combo2->setEditText(QString()); }

void Form4::RichTextBox1_MouseUp(Qt::MouseButton button, const QPoint& pos) {
    if (button == Qt::RightButton)
        ZT->popup(RichTextBox1->mapToGlobal(pos));
}

void Form4::ZhiTi_Click() {
    const platform::SelectionFont now = RichTextBox1->selectionFont();
    platform::FontChoice preset;
    preset.name = now.name.value_or(QString());
    preset.size = now.size.value_or(0);
    preset.bold = now.bold.value_or(false);
    preset.italic = now.italic.value_or(false);
    preset.strikeout = now.strikeout.value_or(false);
    preset.underline = now.underline.value_or(false);
    const auto f = platform::dialogs().chooseFont(preset);
    if (!f)
        return;
    if (!f->name.isEmpty())
        RichTextBox1->setSelFontName(f->name);
    if (f->size > 0)
        RichTextBox1->setSelFontSize(f->size);
    RichTextBox1->setSelBold(f->bold);
    RichTextBox1->setSelItalic(f->italic);
    RichTextBox1->setSelStrikeout(f->strikeout);
    RichTextBox1->setSelUnderline(f->underline);
}

void Form4::MemuZT_Click() {
    if (platform::RichTextBox::clipboardHasText())
        RichTextBox1->paste();
}

void Form4::MenuFZ_Click() {
    QApplication::clipboard()->setText(RichTextBox1->selText());
}

void Form4::MenuJC_Click() {
    MenuFZ_Click();
    QTextCursor c = RichTextBox1->textCursor();
    c.removeSelectedText();
    RichTextBox1->setTextCursor(c);
}

void Form4::closeEvent(QCloseEvent* event) {
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool Form4::Form_Unload() {
    if (unloaded_)
        return true;
    // After a load stopped early the controls hold no stored values: the rows stay.
    if (settingsRead_ && !storeSettings())
        return false;
    unloaded_ = true;
    return true;
}

bool Form4::storeSettings() {
    examno::CardLayoutSetting layout{Option1->isChecked(), Check1->isChecked(), Combo1->currentText(), Text2->text()};
    examno::CardFontSetting fonts{titleFont_.name, titleFont_.size, numberFont_.name, numberFont_.size};
    const std::pair<Setting, QString> rows[] = {
        {Setting::ExamTitle, Text1->text()},
        {Setting::ExamCardLayout, cardLayoutRow(layout)},
        {Setting::ExamCardFonts, cardFontsRow(fonts)},
    };
    QStringList notKept;
    try {
        // Our own cursor on 状态表: the main window may be closed by now.
        auto db = openProgramDatabase();
        platform::db::Recordset rs(db, table::Settings);
        const SettingsRows settings(rs);
        for (const auto& [row, value] : rows) {
            if (value.size() > kSettingLength) {
                notKept << QStringLiteral("“%1”").arg(value);
                continue;
            }
            settings.store(row, value);
        }
    } catch (const platform::db::DbError& e) {
        tell(e.text(), platform::kErrorTitle);
        // Another program holds the file for a moment: the window stays open
        // with the typing, stored when it is closed again.
        return e.kind() != platform::db::DbError::Busy;
    }
    if (!notKept.isEmpty())
        tell(QStringLiteral("设置超过了%1个字,没有保存: %2").arg(kSettingLength).arg(notKept.join(QStringLiteral(", "))));
    return true;
}
