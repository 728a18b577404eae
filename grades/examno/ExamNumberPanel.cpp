#include "grades/examno/ExamNumberPanel.h"

#include "common/class_label.h"
#include "grades/examno/Form4.h"
#include "grades/examno/core/exam_cards.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "platform/dbui/datagrid.h"
#include "platform/ui/export_excel.h"
#include "platform/ui/key_filter.h"
#include "common/random_source.h"
#include "common/settings_rows.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"

#include <QCheckBox>
#include <QEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

namespace {

// Takes the border of a frame away: the frame's own painting is all border
// and caption, and the two frames of this panel have no caption.
class NoBorder : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Paint; }
};

} // namespace

void ExamNumberPanel::bind(PanelHost& host) {
    host_ = &host;
    host.offer<examno::ExamNumbers>(*this);
    const PanelControls c = host.controlsOf(*this);
    Frame4_0 = c.get<QGroupBox>(QStringLiteral("Frame4_0"));
    Frame4_1 = c.get<QGroupBox>(QStringLiteral("Frame4_1"));
    for (int i = 0; i < 5; ++i)
        Check1[i] = c.get<QCheckBox>(QStringLiteral("Check1_%1").arg(i));
    Check2 = c.get<QCheckBox>(QStringLiteral("Check2"));
    Combo5 = c.get<QComboBox>(QStringLiteral("Combo5"));
    Combo15 = c.get<QComboBox>(QStringLiteral("Combo15"));
    for (int i = 0; i < 3; ++i)
        Option[i] = c.get<QRadioButton>(QStringLiteral("Option%1").arg(i + 1));
    La33 = c.get<QLabel>(QStringLiteral("La33"));
    La35 = c.get<QLabel>(QStringLiteral("La35"));
    Com31 = c.get<QPushButton>(QStringLiteral("Com31"));
    Com32 = c.get<QPushButton>(QStringLiteral("Com32"));
    DataGrid3 = c.grid(QStringLiteral("DataGrid3"));
    Ad3 = &c.data(QStringLiteral("Ad3"));
    Ad32 = &c.data(QStringLiteral("Ad32"));

    // The room size and the target are typed as well as chosen.
    Combo5->setEditable(true);
    Combo15->setEditable(true);

    // A tick changed by the user or by code rebuilds the example; setting a
    // tick to the value it has changes nothing.
    for (int i = 0; i < 5; ++i)
        connect(Check1[i], &QCheckBox::toggled, this, [this, i] { Check1_Click(i); });
    connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });
    connect(Com31, &QPushButton::clicked, this, [this] { Com31_Click(); });
    connect(Com32, &QPushButton::clicked, this, [this] { Com32_Click(); });

    Option4 = c.get<QRadioButton>(QStringLiteral("Option4"));
    Option5 = c.get<QRadioButton>(QStringLiteral("Option5"));
    Combo6 = c.get<QComboBox>(QStringLiteral("Combo6"));
    Tekh1 = c.get<QLineEdit>(QStringLiteral("Tekh1"));
    for (int i = 0; i < 4; ++i)
        Comkh[i] = c.get<QPushButton>(QStringLiteral("Comkh%1").arg(i + 1));
    // A room or class may be typed; typing adds no item.
    Combo6->setEditable(true);
    Combo6->setInsertPolicy(QComboBox::NoInsert);
    connect(Combo6, &QComboBox::activated, this, [this] { Combo6_Click(); });
    for (QRadioButton* mode : {Option4, Option5})
        connect(mode, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                FillExamNumberViewFilter();
        });
    platform::filterKeys(Tekh1, [this](int16_t& key) { Tekh1_KeyPress(key); });
    connect(Ad32, &platform::db::DataControl::moveComplete, this, [this] { Ad32_MoveComplete(); });
    connect(Ad32, &platform::db::DataControl::recordsetChanged, this, [this] { Ad32_MoveComplete(); });
    connect(Comkh[0], &QPushButton::clicked, this, [this] { Comkh1_Click(); });
    connect(Comkh[1], &QPushButton::clicked, this, [this] { Comkh2_Click(); });
    connect(Comkh[2], &QPushButton::clicked, this, [this] { Comkh3_Click(); });
    connect(Comkh[3], &QPushButton::clicked, this, [this] { Comkh4_Click(); });
}

void ExamNumberPanel::finish() {
    // A cell typed in the list and not yet left counts as entered. An edit
    // still pending is stored first: refused, the panel stays with it.
    DataGrid3->commitEditor();
    form2::emptyDataControl(*Ad32);
    form2::emptyDataControl(*Ad3);
    host_->ShowStartPanel();
    form2::detachGrid(DataGrid3);
}

examno::Composition ExamNumberPanel::composition() const {
    examno::Composition c;
    c.grade = Check1[0]->isChecked();
    c.cls = Check1[1]->isChecked();
    c.room = Check1[2]->isChecked();
    c.seat = Check1[3]->isChecked();
    c.compact = Check1[4]->isChecked();
    return c;
}

examno::CrossingMethod ExamNumberPanel::crossingMethod() const {
    if (Option[2]->isChecked())
        return examno::CrossingMethod::GradeCrossed;
    if (Option[1]->isChecked())
        return examno::CrossingMethod::ClassCrossed;
    return examno::CrossingMethod::InClassOrder;
}

bool ExamNumberPanel::mayOpen() {
    for (QGroupBox* frame : {Frame4_0, Frame4_1}) {
        if (!frame->property("borderless").toBool()) {
            frame->installEventFilter(new NoBorder(frame));
            frame->setProperty("borderless", true);
        }
        frame->update();
    }
    const double rooms = platform::leadingNumber(host_->settings().value(Setting::ExamRoomCount));
    if (rooms > 0) {
        Frame4_1->setVisible(true);
        Frame4_0->setVisible(false);
    } else {
        Com32->setEnabled(false);
        Frame4_1->setVisible(false);
        Frame4_0->setVisible(true);
    }
    state().ExamRoomCount = int16_t(std::clamp<int64_t>(platform::roundHalfEven(rooms), -32768, 32767));
    return true;
}

void ExamNumberPanel::load() {
    Combo5->clear();
    Combo5->addItems(examno::roomSizeItems());
    Combo5->setCurrentIndex(0);
    Combo15->clear();
    Combo15->addItems(examno::targetItems(*host_->dataControl(QStringLiteral("Adodc0")).database()));
    Combo15->setCurrentIndex(Combo15->count() > 0 ? 0 : -1);
    loadStoredChoices();
    if (Frame4_1->isVisibleTo(Frame4_1->parentWidget()))
        FillExamNumberViewFilter();
}

void ExamNumberPanel::loadStoredChoices() {
    const SettingsRows settings = host_->settings();
    if (const auto method = examno::crossingMethodFromText(settings.value(Setting::ExamNumberCrossing)))
        Option[int(*method) - 1]->setChecked(true);
    const examno::Composition stored = compositionFromFlags(settings.value(Setting::ExamNumberParts), composition());
    Check1[0]->setChecked(stored.grade);
    Check1[1]->setChecked(stored.cls);
    Check1[2]->setChecked(stored.room);
}

void ExamNumberPanel::Check1_Click(int) {
    La33->setText(compositionExample(composition()));
}

void ExamNumberPanel::Check2_Click() {
    const bool partial = Check2->isChecked();
    Combo15->setEnabled(partial);
    // A partial build keeps the composition of the last build.
    if (partial)
        loadStoredChoices();
    for (int i : {0, 1, 2, 4})
        Check1[i]->setEnabled(!partial);
}

void ExamNumberPanel::showProgress(const QString& text) {
    progressText_ = text;
    if (!painted_.isValid() || painted_.elapsed() >= 50) {
        La35->setText(text);
        La35->repaint();
        painted_.start();
    }
}

void ExamNumberPanel::Com31_Click() {
    examno::BuildChoices choices;
    choices.partial = Combo15->isEnabled();
    if (choices.partial) {
        choices.target = Combo15->currentText();
        choices.startRoomAnswer = platform::dialogs().input(QStringLiteral("请输入开始的考室的号码："),
                                                            QStringLiteral("开始考试"), QStringLiteral("1"));
    }
    choices.roomSizeText = Combo5->currentText();
    choices.method = crossingMethod();
    choices.parts = composition();

    examno::BuildUi ui;
    ui.message = [](const QString& text, const QString& title) {
        platform::dialogs().message(text, platform::MsgButtons::Ok, title);
    };
    ui.progress = [this](const QString& t) { showProgress(t); };
    painted_.invalidate();
    progressText_ = La35->text();
    examno::BuildResult result;
    try {
        result = examno::buildExamNumbers(*host_->dataControl(QStringLiteral("Adodc0")).database(), host_->settings(),
                                  choices, randomSource(), ui);
    } catch (const platform::db::DbError& e) {
        // Reading the school or storing a settings row failed.
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        result = examno::BuildResult::Failed;
    }
    // The line ends on the last text the build gave, painted or not.
    La35->setText(progressText_);
    La35->repaint();
    if (result == examno::BuildResult::Completed && state().ExamRoomCount > 0)
        Com32->setEnabled(true);
}

void ExamNumberPanel::Com32_Click() {
    if (platform::leadingNumber(host_->settings().value(Setting::ExamRoomCount)) <= 0)
        return;
    Frame4_0->setVisible(false);
    Frame4_1->setVisible(true);
    FillExamNumberViewFilter();
}

void ExamNumberPanel::FillExamNumberViewFilter() {
    Combo6->clear();
    if (Option5->isChecked()) {
        const int64_t rooms = platform::leadingWholeNumber(host_->settings().value(Setting::ExamRoomCount));
        Combo6->addItems(examno::viewerRoomItems(int(std::clamp<int64_t>(rooms, 0, examno::kLastRoom))));
    }
    if (Option4->isChecked()) {
        QStringList labels;
        try {
            platform::db::DataControl& classes = host_->dataControl(QStringLiteral("Adodc1"));
            classes.setRecordSource(table::Classes);
            classes.refresh();
            platform::db::Recordset* rs = classes.recordset();
            const int g = rs->fieldIndex(QStringLiteral("年级")), k = rs->fieldIndex(QStringLiteral("班"));
            for (int row = 0; row < rs->recordCount(); ++row)
                labels << classLabel(rs->valueAt(row, g).toString(), rs->valueAt(row, k).toString());
        } catch (const platform::db::DbError& e) {
            platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        }
        Combo6->addItems(examno::viewerClassItems(labels));
    }
    if (Combo6->count() > 0) {
        Combo6->setCurrentIndex(0);
        Combo6_Click();
    }
}

void ExamNumberPanel::list(const QString& query, const QString& sort) {
    try {
        Ad32->setRecordSource(query);
        Ad32->refresh();
        if (!sort.isEmpty())
            Ad32->recordset()->setSort(sort);
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
    DataGrid3->setDataSource(Ad32);
    DataGrid3->rebind();
    Ad32_MoveComplete();
}

void ExamNumberPanel::Combo6_Click() {
    const QString text = Combo6->currentText();
    if (text.isEmpty())
        return;
    if (Option5->isChecked()) {
        if (text != examno::kAllRooms)
            list(examno::roomListQuery(roomCodeOfLabel(text)), QStringLiteral("座位"));
        else
            list(examno::allRoomsListQuery(), {});
    } else {
        if (text != examno::kAllClasses) {
            host_->CurrentGradeId = gradeOfLabel(text);
            host_->CurrentClassId = classOfLabel(text);
            list(examno::classListQuery(host_->CurrentGradeId, host_->CurrentClassId), QStringLiteral("考号"));
        } else {
            list(examno::allClassesListQuery(), {});
        }
    }
}

void ExamNumberPanel::Ad32_MoveComplete() {
    platform::db::Recordset* rs = Ad32->recordset();
    if (!rs)
        return;
    if (rs->recordCount() == 0) {
        Ad32->setCaption(QStringLiteral("0/0"));
        return;
    }
    if (rs->absolutePosition() <= 0)
        return;
    Ad32->setCaption(QString::number(rs->absolutePosition()) + QLatin1Char('/') + QString::number(rs->recordCount()));
    const QVariant name = rs->value(QStringLiteral("姓名")), number = rs->value(QStringLiteral("考号"));
    Tekh1->setText((name.isNull() ? QString() : name.toString()) + QStringLiteral("  ") +
                   (number.isNull() ? QString() : number.toString()));
}

void ExamNumberPanel::Tekh1_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    const QString query = examno::searchQuery(Tekh1->text());
    if (!query.isEmpty())
        list(query, {});
}

void ExamNumberPanel::Comkh1_Click() { host_->Comout_Click(0); }

void ExamNumberPanel::Comkh2_Click() {
    const SettingsRows settings = host_->settings();
    if (settings.value(Setting::ExamCardsPrinted) == QStringLiteral("否") &&
        platform::dialogs().message(
            QStringLiteral("考号一经打印以后,一般不能再次编写,你已经核对好所有同学,确实要打印考号了吗?"),
            platform::MsgButtons::YesNo, platform::kPromptTitle) != platform::MsgResult::Yes)
        return;
    Form4::showFor(viewerGroup(), Ad32->recordSource());
    settings.store(Setting::ExamCardsPrinted, QStringLiteral("是"));
}

void ExamNumberPanel::Comkh3_Click() {
    Frame4_1->setVisible(false);
    Frame4_0->setVisible(true);
}

std::function<QString()> ExamNumberPanel::viewerGroup() const {
    return [filter = QPointer<QComboBox>(Combo6)] { return filter ? filter->currentText() : QString(); };
}

void ExamNumberPanel::exportByClass() {
    // Unmarked without marking its partner.
    Option5->setAutoExclusive(false);
    Option5->setChecked(false);
    Option5->setAutoExclusive(true);
    Comkh[3]->click();
}

void ExamNumberPanel::Comkh4_Click() {
    platform::FileRequest request;
    request.filter = QStringLiteral("Excel文件(*.xls)|*.xls|所有文件(*.*)|*.*");
    request.confirmOverwrite = true;
    const auto chosen = platform::dialogs().saveFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    // The chosen file is left as it is: the export writes nothing in its place.
    if (ExportExcel(*chosen, QStringLiteral("考号"), Option5->isChecked() ? 1 : 2) != 0)
        platform::dialogs().message(QStringLiteral("导出失败!"), platform::MsgButtons::Ok, platform::kFailedTitle);
    else
        platform::dialogs().message(QStringLiteral("成功导出!"), platform::MsgButtons::Ok, platform::kDoneTitle);
}
