#include "grades/results/view/ResultsPanel.h"

#include "common/class_label.h"
#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "grades/results/core/results_view.h"
#include "grades/results/bands/Form6.h"
#include "grades/results/print/Form5.h"
#include "grades/results/results_menus.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/fixed_font.h"
#include "platform/ui/key_filter.h"
#include "platform/ui/plain_print.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

const QString kTables[3] = {QStringLiteral("成绩表"), QStringLiteral("绝对成绩表"), QStringLiteral("相对成绩表")};

// Shows a text in a list as code sets it: the entry when there is one, else
// the typed text. Setting a list never runs its handler.
void setListText(QComboBox* box, const QString& text) {
    const int i = text.isEmpty() ? -1 : box->findText(text);
    box->setCurrentIndex(i);
    if (i < 0)
        box->setEditText(text);
}

void tellError(const platform::db::DbError& e) {
    platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

// Runs the handler when the search box takes the focus.
class FocusWatch : public QObject {
public:
    FocusWatch(QObject* parent, std::function<void()> gotFocus) : QObject(parent), gotFocus_(std::move(gotFocus)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::FocusIn)
            gotFocus_();
        return false;
    }
private:
    std::function<void()> gotFocus_;
};

} // namespace

void ResultsPanel::bind(PanelHost& host) {
    host_ = &host;
    host.offer<results::ResultsChoosers>(*this);
    const PanelControls c = host.controlsOf(*this);
    for (int i = 0; i < 4; ++i)
        Frame12[i] = c.get<QWidget>(QStringLiteral("Frame12_%1").arg(i));
    Combo9 = c.get<QComboBox>(QStringLiteral("Combo9"));
    Combo10 = c.get<QComboBox>(QStringLiteral("Combo10"));
    Combo12 = c.get<QComboBox>(QStringLiteral("Combo12"));
    Combo13 = c.get<QComboBox>(QStringLiteral("Combo13"));
    Combo14 = c.get<QComboBox>(QStringLiteral("Combo14"));
    for (int i = 0; i < 3; ++i) {
        Opt60[i] = c.get<QRadioButton>(QStringLiteral("Opt60_%1").arg(i));
        Option8[i] = c.get<QRadioButton>(QStringLiteral("Option8_%1").arg(i));
    }
    Com61 = c.get<QPushButton>(QStringLiteral("Com61"));
    Lab6 = c.get<QLabel>(QStringLiteral("Lab6"));
    Lab6a = c.get<QLabel>(QStringLiteral("Lab6a"));
    Lab6b = c.get<QLabel>(QStringLiteral("Lab6b"));
    Text2 = c.get<QPlainTextEdit>(QStringLiteral("Text2"));
    Text6 = c.get<QPlainTextEdit>(QStringLiteral("Text6"));
    Text7 = c.get<QPlainTextEdit>(QStringLiteral("Text7"));
    Te61 = c.get<QLineEdit>(QStringLiteral("Te61"));
    DataGrid6 = c.grid(QStringLiteral("DataGrid6"));
    Ad61 = &c.data(QStringLiteral("Ad61"));

    for (QComboBox* box : {Combo9, Combo10, Combo12, Combo13, Combo14}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setCompleter(nullptr);
    }
    // The lists answer a pick from the list only, never code or typing.
    connect(Combo9, &QComboBox::activated, this, [this] { Combo9_Click(); });
    connect(Combo10, &QComboBox::activated, this, [this] { Combo10_Click(); });
    connect(Combo12, &QComboBox::activated, this, [this] { Combo12_Click(); });
    connect(Combo13, &QComboBox::activated, this, [this] { Combo12_Click(); });
    connect(Combo14, &QComboBox::activated, this, [this] { Combo12_Click(); });
    connect(c.get<QPushButton>(QStringLiteral("Com65")), &QPushButton::clicked, this, [this] { Com65_Click(); });
    connect(c.get<QPushButton>(QStringLiteral("Com68")), &QPushButton::clicked, this, [this] { Com68_Click(); });
    connect(Com61, &QPushButton::clicked, this, [this] { Com61_Click(); });
    connect(c.get<QPushButton>(QStringLiteral("Com62")), &QPushButton::clicked, this, [this] { Com62_Click(); });
    Com64 = c.get<QPushButton>(QStringLiteral("Com64"));
    connect(Com64, &QPushButton::clicked, this, [this] { Com64_Click(); });
    for (int i = 0; i < 3; ++i) {
        connect(Opt60[i], &QRadioButton::clicked, this, [this, i] { Opt60_Click(i); });
        connect(Option8[i], &QRadioButton::clicked, this, [this, i] { Option8_Click(i); });
    }
    connect(Ad61, &platform::db::DataControl::moveComplete, this, [this] { Ad61_MoveComplete(); });
    platform::filterKeys(Te61, [this](int16_t& key) { Te61_KeyPress(key); });
    Te61->installEventFilter(new FocusWatch(Te61, [this] {
        Te61_GotFocus();
        // A click places the cursor after the focus arrived; select again after it.
        QTimer::singleShot(0, Te61, [this] { Te61_GotFocus(); });
    }));

    for (QPlainTextEdit* box : {Text2, Text6, Text7}) {
        box->setFont(platform::fixedColumnFont());
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    DataGrid6->setAllowUpdate(false);   // the view never writes
}

QString ResultsPanel::classText() const { return Combo9->currentText(); }
QString ResultsPanel::roomText() const { return Combo10->currentText(); }

namespace {
QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}
} // namespace

void ResultsPanel::forgetClasses() { Combo9->clear(); }
void ResultsPanel::forgetRooms() { Combo10->clear(); }

void ResultsPanel::offerEveryClass(const QStringList& labels) {
    Combo9->clear();
    Combo9->addItems(labels);
    Combo9->addItem(results::kAllClasses);
    Combo9->setCurrentIndex(Combo9->count() - 1);
    Combo10->setCurrentIndex(-1);
    Combo10->setEditText(QString());
}

QStringList ResultsPanel::classChoices() const { return itemsOf(Combo9); }
void ResultsPanel::showClass(const QString& label) { setListText(Combo9, label); }
QStringList ResultsPanel::roomChoices() const { return itemsOf(Combo10); }
void ResultsPanel::showRoom(const QString& label) { setListText(Combo10, label); }
QString ResultsPanel::sortKey() const { return Combo12->currentText(); }
void ResultsPanel::allowAdvancedView(bool allowed) { Com64->setEnabled(allowed); }

void ResultsPanel::load() {
    ProgramState& s = state();
    if (s.CurrentScoreTable.isEmpty())
        s.CurrentScoreTable = table::Scores;
    platform::db::DataControl& general = host_->dataControl(QStringLiteral("Adodc1"));
    try {
        fillChoosers();
        general.setRecordSource(table::Scores);
        general.refresh();
        if (general.recordset()->recordCount() == 0) {
            platform::dialogs().message(QStringLiteral("你现在还没有输入任何一名同学，不能进行各种查看！"),
                                        platform::MsgButtons::Ok, platform::kPromptTitle);
            host_->Comout_Click(0);
            return;
        }
        general.setRecordSource(table::Classes);
        general.refresh();
    } catch (const platform::db::DbError& e) {
        tellError(e);
        return;
    }
    // Reopening shows the class or room chosen last.
    if (!Combo9->currentText().isEmpty())
        Combo9_Click();
    if (!Combo10->currentText().isEmpty())
        Combo10_Click();
}

void ResultsPanel::fillChoosers() {
    platform::db::DataControl& general = host_->dataControl(QStringLiteral("Adodc1"));
    if (Combo9->count() == 0) {
        QStringList labels;
        general.setRecordSource(table::Classes);
        general.refresh();
        auto* rs = general.recordset();
        for (rs->recordCount() ? rs->moveFirst() : void(); rs->recordCount() && !rs->eof(); rs->moveNext())
            labels << classLabel(rs->value(QStringLiteral("年级")).toString(), rs->value(QStringLiteral("班")).toString());
        general.setRecordSource(table::Grades);
        general.refresh();
        rs = general.recordset();
        for (rs->recordCount() ? rs->moveFirst() : void(); rs->recordCount() && !rs->eof(); rs->moveNext())
            labels << gradeLabel(rs->value(0).toString());
        sortClassLabels(labels);
        Combo9->addItems(labels);
        Combo9->addItem(results::kAllClasses);
        Combo9->setCurrentIndex(0);
    }
    if (Combo12->count() == 0) {
        general.setRecordSource(table::Grades);
        general.refresh();
        auto* rs = general.recordset();
        for (int i = 1; i < rs->fieldCount(); ++i)
            Combo12->addItem(rs->fieldName(i));
        Combo12->addItems({QStringLiteral("总分"), QStringLiteral("平均分"), results::kExamNumberKey});
        Combo12->setCurrentIndex(Combo12->findText(QStringLiteral("平均分")));
    }
    if (Combo13->count() == 0) {
        for (int i = 0; i <= 8; ++i)
            Combo13->addItem(QString::number(i));
        Combo13->setCurrentIndex(0);
    }
    if (Combo14->count() == 0) {
        for (int i = 1; i <= 10; ++i)
            Combo14->addItem(QString::number(i));
        Combo14->setCurrentIndex(3);
    }
    if (Combo10->count() == 0) {
        state().ExamRoomCount = static_cast<int16_t>(
            platform::leadingWholeNumber(host_->settings().value(Setting::ExamRoomCount)));
        for (int i = 1; i <= state().ExamRoomCount; ++i)
            Combo10->addItem(QString::number(i) + QStringLiteral("考室"));
        Combo10->addItem(results::kAllRooms);
        Combo10->setCurrentIndex(-1);
    }
}

void ResultsPanel::finish() {
    form2::detachGrid(DataGrid6);
    form2::emptyDataControl(*Ad61);
}

void ResultsPanel::Combo9_Click() {
    if (Combo9->currentText().isEmpty())
        return;
    setListText(Combo10, QString());
    if (Combo12->currentText() == results::kExamNumberKey)
        setListText(Combo12, QStringLiteral("总分"));
    Lab6->setText(Combo9->currentText() + Combo10->currentText());
    BuildResultsView();
    const auto* rs = Ad61->recordset();
    if (!rs || rs->recordCount() == 0) {
        Text6->clear();
        Text7->clear();
        Text2->clear();
    }
}

void ResultsPanel::Combo10_Click() {
    if (Combo10->currentText().isEmpty())
        return;
    setListText(Combo9, QString());
    setListText(Combo12, results::kExamNumberKey);
    Lab6->setText(Combo9->currentText() + Combo10->currentText());
    BuildResultsView();
}

void ResultsPanel::Combo12_Click() { BuildResultsView(); }

QStringList ResultsPanel::scoreTableFields() const {
    QStringList names;
    try {
        auto db = openProgramDatabase();
        for (const auto& f : db->tableDef(state().CurrentScoreTable).fields)
            names << f.name;
    } catch (const platform::db::DbError&) {
    }
    return names;
}

void ResultsPanel::detachGridForWalk() {
    DataGrid6->setEnabled(false);
    DataGrid6->hide();
    DataGrid6->setDataSource(nullptr);
}

void ResultsPanel::attachGrid() {
    DataGrid6->setEnabled(true);
    DataGrid6->setDataSource(Ad61);
    if (DataGrid6->columnCount() > 0)
        DataGrid6->setColumnHidden(0, true);   // STID
    DataGrid6->show();
}

void ResultsPanel::BuildResultsView() {
    const QString key = Combo12->currentText();
    // A typed key that is no field of the table would only break the query.
    if (!results::isSortKey(scoreTableFields(), key))
        return;
    detachGridForWalk();
    typedQuery_.clear();
    ViewQuery = results::viewQuery(state().CurrentScoreTable, Combo9->currentText(), Combo10->currentText(), key);
    BuildResultsListing();
    attachGrid();
    if (auto* rs = Ad61->recordset(); rs && rs->recordCount() > 0)
        rs->moveFirst();
    else
        Ad61_MoveComplete();   // an empty view says so
}

void ResultsPanel::BuildResultsListing() {
    Text2->hide();
    if (results::perLine(Combo14->currentText()) == 0)
        return;
    // The moves of the build describe no student; where it ends is described once.
    struct Walk {
        ResultsPanel* p;
        explicit Walk(ResultsPanel* panel) : p(panel) { p->walking_ = true; }
        ~Walk() {
            p->walking_ = false;
            p->Ad61_MoveComplete();
        }
    } walk(this);
    try {
        // A query typed into the search box runs only as one that reads.
        if (ViewQuery == typedQuery_)
            Ad61->setTypedRecordSource(ViewQuery);
        else
            Ad61->setRecordSource(ViewQuery);
        Ad61->refresh();
    } catch (const platform::db::DbError&) {
        return;   // a query the database refuses ends the listing quietly
    }
    auto* rs = Ad61->recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    results::ListingChoice choice{Combo9->currentText(), Combo10->currentText(), Combo12->currentText(),
                                  Combo13->currentText(), Combo14->currentText(), state().SubjectCount};
    const results::ListingTexts t = results::buildListing(*rs, choice);
    if (t.text2)
        Text2->setPlainText(*t.text2);
    if (t.lab6a)
        Lab6a->setText(*t.lab6a);
    if (t.text6)
        Text6->setPlainText(*t.text6);
    if (t.text2Shown)
        Text2->show();
    if (!t.failed) {
        // The walk over the rows leaves the set past its last row.
        rs->moveLast();
        rs->moveNext();
    }
}

void ResultsPanel::Com65_Click() {
    Frame12[0]->hide();
    Frame12[1]->hide();
    Frame12[3]->hide();
    Frame12[2]->show();
    int marked = 0;
    for (int i = 0; i < 3; ++i)
        if (state().CurrentScoreTable == kTables[i])
            marked = i;
    // Marking an option that was not marked chooses it.
    if (!Opt60[marked]->isChecked()) {
        Opt60[marked]->setChecked(true);
        Opt60_Click(marked);
    }
}

void ResultsPanel::Opt60_Click(int) { Com68_Click(); }

void ResultsPanel::Com68_Click() {
    QString id(8, u' ');
    if (auto* rs = Ad61->recordset(); rs && rs->recordCount() > 0) {
        if (rs->absolutePosition() > 0 && rs->fieldIndex(QStringLiteral("STID")) >= 0) {
            const QString v = rs->value(QStringLiteral("STID")).toString();
            if (!v.isEmpty())
                id = v;
        }
        int marked = 0;
        for (int i = 0; i < 3; ++i)
            if (Opt60[i]->isChecked())
                marked = i;
        state().CurrentScoreTable = kTables[marked];
        platform::db::DataControl& general = host_->dataControl(QStringLiteral("Adodc1"));
        const QString remembered = general.recordSource();
        int rows = 0;
        try {
            general.setRecordSource(state().CurrentScoreTable);
            general.refresh();
            rows = general.recordset()->recordCount();
        } catch (const platform::db::DbError&) {
        }
        if (rows == 0) {
            platform::dialogs().message(QStringLiteral("要以其它方式来查看成绩，你必须完成计算！"),
                                        platform::MsgButtons::Ok, platform::kPromptTitle);
            state().CurrentScoreTable = table::Scores;
        }
        try {
            general.setRecordSource(remembered);
            general.refresh();
        } catch (const platform::db::DbError&) {
        }
    }
    Option8_Click();
    BuildResultsView();
    if (auto* rs = Ad61->recordset(); rs && rs->recordCount() > 0) {
        // The same student again, found by value: a typed id never becomes a criterion.
        bool found = false;
        try {
            found = rs->findValue(QStringLiteral("STID"), id, 0, true);
        } catch (const platform::db::DbError&) {
        }
        if (!found)
            rs->moveLast();
    }
}

void ResultsPanel::Option8_Click(int) {
    const int page = Option8[0]->isChecked() ? 0 : Option8[1]->isChecked() ? 1 : Option8[2]->isChecked() ? 3 : -1;
    for (int i = 0; i < 4; ++i)
        Frame12[i]->setVisible(i == page);
    Com61->setEnabled(!Option8[0]->isChecked());
}

void ResultsPanel::Ad61_MoveComplete() {
    // A rebuild walks the rows with the grid disabled: no summary per row.
    if (!DataGrid6->isEnabled() || walking_)
        return;
    const auto* rs = Ad61->recordset();
    if (!rs)
        return;
    const results::StudentTexts t = results::studentSummary(*rs, Combo12->currentText(), Combo14->currentText());
    if (t.text7)
        Text7->setPlainText(*t.text7);
    if (t.text6)
        Text6->setPlainText(*t.text6);
    if (t.caption)
        Ad61->setCaption(*t.caption);
    if (t.te61) {
        Te61->setText(*t.te61);
        Te61->setToolTip(*t.te61);
    }
    if (t.lab6b)
        Lab6b->setText(*t.lab6b);
}

void ResultsPanel::Te61_GotFocus() { Te61->setSelection(0, int(Te61->text().size())); }

void ResultsPanel::Te61_KeyPress(int16_t& keyAscii) {
    const QString typed = Te61->text();
    if (keyAscii == 32) {
        if (const auto t = results::selectTemplate(typed, state().CurrentScoreTable, Combo9->currentText())) {
            Te61->setText(*t);
            keyAscii = 0;
        }
        return;
    }
    if (keyAscii != 13)
        return;
    if (results::isTypedQuery(typed)) {
        keyAscii = 0;
        if (const auto refused = results::refusedTypedQuery(typed)) {
            platform::dialogs().message(*refused, platform::MsgButtons::Ok, platform::kPromptTitle);
            return;
        }
        ViewQuery = typed;
        typedQuery_ = typed;
        BuildResultsListing();
        return;
    }
    auto notFound = [] {
        platform::dialogs().message(QStringLiteral("对不起,没有找到您要的同学."), platform::MsgButtons::Ok,
                                    QStringLiteral("没有找到"));
    };
    auto* rs = Ad61->recordset();
    const QString query = results::searchQuery(typed, state().CurrentScoreTable);
    if (query.isEmpty() || !rs || rs->absolutePosition() == 0) {
        notFound();
        return;
    }
    const QString idField = rs->fieldName(0);
    const QVariant id = rs->value(0);
    const QString source = Ad61->recordSource();
    bool found = false;
    try {
        Ad61->setRecordSource(query);
        Ad61->refresh();
        found = Ad61->recordset()->recordCount() > 0;
    } catch (const platform::db::DbError&) {
    }
    if (found) {
        Text6->setPlainText(QStringLiteral("只有少数同学,不显示平均分."));
        Text2->clear();
        return;
    }
    try {
        Ad61->setRecordSource(source);
        Ad61->refresh();
        Ad61->recordset()->findValue(idField, id, 0, true);
    } catch (const platform::db::DbError&) {
    }
    notFound();
}

void ResultsPanel::Com61_Click() {
    if (Frame12[3]->isHidden()) {
        results::exportResultsToSpreadsheet(Combo9->currentText().isEmpty() ? 1 : 2);
        return;
    }
    platform::FileRequest request;
    request.filter = QStringLiteral("文本文件(*.txt)|*.txt|所有文件(*.*)|*.*");
    request.confirmOverwrite = false;   // a second export appends
    const auto name = platform::dialogs().saveFile(request);
    if (!name || name->isEmpty())
        return;
    QString text = Text2->toPlainText();
    text.replace(u'\n', QStringLiteral("\r\n"));
    try {
        if (QFile::exists(*name))
            platform::appendGbkFile(*name, QStringLiteral("\r\n") + text);
        else
            platform::writeGbkFile(*name, text);
    } catch (const platform::FileError&) {
        // Ends quietly, as it always did.
    } catch (const platform::GbkError&) {
    }
}

void ResultsPanel::Com62_Click() {
    if (!Frame12[0]->isHidden())
        platform::printPlainText({Text7->toPlainText()}, host_->hostWindow()->windowTitle());
    else if (!Frame12[3]->isHidden())
        platform::printPlainText({Lab6->text() + Combo12->currentText() + Lab6a->text() + QStringLiteral("\n"),
                                  Text2->toPlainText()},
                                 host_->hostWindow()->windowTitle());
    else if (!Frame12[1]->isHidden())
        Form5::showFor(*host_, Ad61->recordSource());
}

void ResultsPanel::Com64_Click() {
    if (Ad61->recordset() && Ad61->recordset()->recordCount() > 0) Form6::showFor(*host_);
}
