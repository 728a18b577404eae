#include "records/EditAll.h"

#include "platform/dbui/datagrid.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/profile.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/twips.h"
#include "records/core/Tavisk.h"
#include "records/core/student_list.h"
#include "records/pictures.h"
#include "platform/dbui/datacontrolbar.h"
#include "platform/ui/key_filter.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// A label beside its box: the box's row, centred on it.
void label(QWidget* parent, const char* text, int l, int t, int w, int h = 300) {
    platform::buildControl<QLabel>(parent, {}, l, t, w, h,
                         QString::fromUtf8(text))->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QComboBox* combo(QWidget* parent, const char* name, int l, int t, int w) {
    auto* c = platform::buildControl<QComboBox>(parent, QString::fromUtf8(name), l, t, w, 300);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    // The box takes what is typed; the list is offered, not forced.
    c->setCompleter(nullptr);
    c->setMaxVisibleItems(12);
    return c;
}

void line(QWidget* parent, int t) {
    auto* f = platform::buildControl<QFrame>(parent, {}, 3960, t, 3180, 30);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
}

} // namespace

EditAll::EditAll(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("EditAll"));
    setWindowTitle(QStringLiteral("编辑学生情况"));
    build();
    installHandlers();
}

EditAll::~EditAll() = default;

platform::db::DataControl& EditAll::Adodc1() { return Adodc1Bar->control(); }

QString EditAll::adodcCaption() const { return Adodc1Bar->caption(); }

void EditAll::build() {
    platform::resizeTwips(*this, 7290, 6300);

    DataGrid1 = platform::buildControl<platform::db::DataGrid>(this, "DataGrid1", 0, 0, 3735, 6300);
    // Edits in the grid would pass the checks and the write-back into 成绩表.
    DataGrid1->setAllowUpdate(false);
    Text1 = platform::buildControl<QPlainTextEdit>(this, "Text1", 480, 480, 3135, 5295);
    Text1->setReadOnly(true);

    Adodc1Bar = platform::buildControl<platform::db::DataControlBar>(this, "Adodc1", 3960, 120, 3180, 330);

    Image1 = platform::buildControl<QLabel>(this, "Image1", 3960, 540, 480, 480);
    Image1->setPixmap(records::recordsPicture(5, 32));
    Image2 = platform::buildControl<QLabel>(this, "Image2", 3960, 540, 480, 480);
    Image2->setPixmap(records::recordsPicture(4, 32));
    Label2 = platform::buildControl<QLabel>(this, "Label2", 4560, 600, 2580, 375);
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    Label2->setFont(big);

    label(this, "姓名", 3960, 1110, 480, 435);
    Textxm = platform::buildControl<QLineEdit>(this, "Textxm", 4440, 1110, 1200, 435);
    Textxm->setFont(big);
    QPalette blue = Textxm->palette();
    blue.setColor(QPalette::Text, Qt::blue);
    Textxm->setPalette(blue);
    Textxm->setContextMenuPolicy(Qt::NoContextMenu);
    Textxm->setAcceptDrops(false);
    Textlj = platform::buildControl<QLineEdit>(this, "Textlj", 5760, 1170, 600, 300);
    Textlj->setReadOnly(true);
    label(this, "级", 6380, 1170, 240);
    Textban = platform::buildControl<QLineEdit>(this, "Textban", 6600, 1170, 360, 300);
    Textban->setMaxLength(2);
    label(this, "班", 6980, 1170, 240);
    Textlj->setFocusPolicy(Qt::ClickFocus);
    Textban->setFocusPolicy(Qt::ClickFocus);

    label(this, "出生", 3960, 1650, 480);
    Textcs = platform::buildControl<QLineEdit>(this, "Textcs", 4440, 1650, 1300, 300);
    Option2 = platform::buildControl<QRadioButton>(this, "Option2", 5880, 1650, 600, 300, QStringLiteral("男"));
    Option1 = platform::buildControl<QRadioButton>(this, "Option1", 6540, 1650, 600, 300, QStringLiteral("女"));
    Option2->setChecked(true);

    label(this, "籍贯", 3960, 2070, 480);
    Combojg = combo(this, "Combojg", 4440, 2070, 1320);
    label(this, "民族", 5880, 2070, 420);
    Combomz = combo(this, "Combomz", 6300, 2070, 840);
    label(this, "政治面貌：", 3960, 2490, 960);
    Combozz = combo(this, "Combozz", 4920, 2490, 1080);
    label(this, "职务", 6060, 2490, 420);
    Combozhi = combo(this, "Combozhi", 6480, 2490, 660);
    label(this, "所在区域：", 3960, 2910, 960);
    Comboqy = combo(this, "Comboqy", 4920, 2910, 2220);
    label(this, "联系地址：", 3960, 3330, 960);
    Textdz = platform::buildControl<QLineEdit>(this, "Textdz", 4920, 3330, 2220, 300);
    label(this, "联系电话：", 3960, 3750, 960);
    Textdh = platform::buildControl<QLineEdit>(this, "Textdh", 4920, 3750, 2220, 300);
    line(this, 4170);
    label(this, "家长姓名：", 3960, 4290, 960);
    Textjxm = platform::buildControl<QLineEdit>(this, "Textjxm", 4920, 4290, 1200, 300);
    label(this, "家长职务：", 3960, 4710, 960);
    Combojzw = combo(this, "Combojzw", 4920, 4710, 1500);
    line(this, 5100);
    label(this, "备注：", 3960, 5190, 960);
    Textbz = platform::buildControl<QLineEdit>(this, "Textbz", 3960, 5430, 3180, 375);

    Command1 = platform::buildControl<QPushButton>(this, "Command1", 4320, 5880, 1095, 375, QStringLiteral("确定"));
    Command2 = platform::buildControl<QPushButton>(this, "Command2", 5760, 5880, 1095, 375, QStringLiteral("取消"));
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    const QList<QWidget*> order = {Textxm, Textcs, Option2, Option1, Combojg, Combomz, Combozz, Combozhi,
                                   Comboqy, Textdz, Textdh, Textjxm, Combojzw, Textbz, Command1, Command2};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void EditAll::installHandlers() {
    connect(Command1, &QPushButton::clicked, this, &EditAll::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &EditAll::Command2_Click);
    connect(&Adodc1(), &platform::db::DataControl::moveComplete, this, &EditAll::Adodc1_MoveComplete);
    connect(&Adodc1(), &platform::db::DataControl::recordsetChanged, this, &EditAll::Adodc1_MoveComplete);
    connect(Option1, &QRadioButton::toggled, this, &EditAll::pictureRule);
    connect(Option2, &QRadioButton::toggled, this, &EditAll::pictureRule);

    // Enter in these stores the record, after the box's own leaving rule.
    for (QComboBox* c : {Combojg, Combomz, Combozz, Combozhi, Combojzw}) {
        platform::filterKeys(c, [this, c](int16_t& code) {
            if (code != 13)
                return;
            code = 0;
            leaveCompletion(c);
            Command1_Click();
        });
        c->installEventFilter(this);
    }
    platform::filterKeys(Comboqy, [this](int16_t& code) {
        if (code != 13)
            return;
        code = 0;
        leaveArea();
        Command1_Click();
    });
    Comboqy->installEventFilter(this);
    for (QWidget* w : std::initializer_list<QWidget*>{Textdz, Textdh, Textjxm, Textbz, Option1, Option2}) {
        platform::filterKeys(w, [this](int16_t& code) {
            if (code != 13)
                return;
            code = 0;
            Command1_Click();
        });
    }
    platform::filterKeys(Textcs, [this](int16_t& code) { birthKey(code); });
    Textcs->installEventFilter(this);
    Textxm->installEventFilter(this);
    Textdz->installEventFilter(this);
    Textjxm->installEventFilter(this);
}

QString EditAll::section(QComboBox* c) const {
    if (c == Combojg) return QStringLiteral("JiGuan");
    if (c == Combomz) return QStringLiteral("MinZhu");
    if (c == Combojzw) return QStringLiteral("JZZhuWu");
    if (c == Combozz) return QStringLiteral("MianMao");
    return QStringLiteral("ZhiWu");
}

void EditAll::Form_Load() {
    const RecordsState& s = Tavisk::state();
    YearPrefix.clear();
    platform::db::DataControl& dc = Adodc1();
    dc.setConnectionString(s.DatabaseConnectString);
    dc.setCommandType(8);

    Comboqy->clear();
    for (int i = 1; i <= s.Regions.count(); ++i)
        Comboqy->addItem(s.Regions.at(i).name);

    oneStudent_ = !s.SelectedStudentId.isEmpty();
    if (oneStudent_) {
        dc.setRecordSource(QStringLiteral("select * from 成绩表 where STID=?"), {s.SelectedStudentId});
        dc.refresh();
        listing_.clear();
        // A student without a 成绩表 row shows an empty listing.
        if (platform::db::Recordset* rs = dc.recordset(); rs && rs->recordCount() > 0) {
            rs->moveFirst();
            listing_ = records::marksListing(*rs);
        }
        Text1->setPlainText(QString(listing_).remove(QLatin1Char('\r')));
        dc.setRecordSource(QStringLiteral("select * from 学籍表 where STID=?"), {s.SelectedStudentId});
        dc.refresh();
        DataGrid1->hide();
        Adodc1Bar->hide();
        Text1->show();
    } else {
        Text1->hide();
        DataGrid1->show();
        Adodc1Bar->show();
        if (!s.ListQuery.isEmpty())
            dc.setRecordSource(s.ListQuery);
        else if (!s.SelectedGrade.isEmpty())
            dc.setRecordSource(s.SelectedClass.isEmpty() ? records::gradeQuery(s.SelectedGrade)
                                                         : records::classQuery(s.SelectedGrade, s.SelectedClass));
        else
            dc.setRecordSource(QStringLiteral("学籍表"));
        dc.refresh();
    }
    DataGrid1->setDataSource(&dc);
    DataGrid1->rebind();

    const platform::Profile profile(s.SettingsFilePath);
    for (QComboBox* c : {Combojg, Combomz, Combojzw, Combozz, Combozhi}) {
        const QString keep = c->currentText();
        c->clear();
        c->addItems(Tavisk::readList(profile, section(c)));
        c->setEditText(keep);
    }
    Adodc1_MoveComplete();
}

void EditAll::Adodc1_MoveComplete() {
    for (QLineEdit* e : {Textxm, Textlj, Textban, Textdz, Textdh, Textjxm, Textbz})
        e->clear();
    for (QComboBox* c : {Combojg, Combomz, Combozz, Combozhi, Comboqy, Combojzw})
        c->setEditText(QString());
    Image1->hide();
    Image2->hide();

    platform::db::Recordset* rs = Adodc1().recordset();
    const int count = rs ? rs->recordCount() : 0;
    Adodc1().setCaption(QStringLiteral("%1/%2").arg(rs ? rs->absolutePosition() : 0).arg(count));
    if (count == 0 || rs->eof() || rs->bof())
        return;
    auto text = [rs](const char* field) {
        const int i = rs->fieldIndex(QString::fromUtf8(field));
        return i < 0 ? QString() : rs->value(i).toString();
    };
    Textxm->setText(text("姓名"));
    Label2->setText(text("STID"));
    Textlj->setText(text("年级"));
    Textban->setText(text("班"));
    const int birth = rs->fieldIndex(QStringLiteral("出生年月"));
    Textcs->setText(birth < 0 ? QString() : platform::shortDateText(rs->value(birth)));
    if (text("性别") == QStringLiteral("女"))
        Option1->setChecked(true);
    else
        Option2->setChecked(true);
    pictureRule();
    Combojg->setEditText(text("籍贯"));
    Combomz->setEditText(text("民族"));
    Combozhi->setEditText(text("职务"));
    Combozz->setEditText(text("政治面貌"));
    const RegionList& regions = Tavisk::state().Regions;
    const int area = regions.find(text("所在区域"));
    Comboqy->setEditText(area > 0 ? regions.at(area).name : QString());
    Textdz->setText(text("联系地址"));
    Textdh->setText(text("联系电话"));
    Textjxm->setText(text("家长姓名"));
    Combojzw->setEditText(text("家长职务"));
    Textbz->setText(text("备注"));
    if (isVisible())
        Textcs->setFocus();
}

records::RecordBoxes EditAll::boxes() const {
    records::RecordBoxes b;
    b.name = Textxm->text();
    b.cls = Textban->text();
    b.birth = Textcs->text();
    b.male = Option2->isChecked();
    b.nativePlace = Combojg->currentText();
    b.ethnicGroup = Combomz->currentText();
    b.politicalStatus = Combozz->currentText();
    b.post = Combozhi->currentText();
    b.area = Comboqy->currentText();
    b.address = Textdz->text();
    b.telephone = Textdh->text();
    b.parentName = Textjxm->text();
    b.parentPost = Combojzw->currentText();
    b.notes = Textbz->text();
    return b;
}

void EditAll::showBoxes(const records::RecordBoxes& b) {
    Textxm->setText(b.name);
    Textban->setText(b.cls);
    Textcs->setText(b.birth);
    (b.male ? Option2 : Option1)->setChecked(true);
    pictureRule();
    Combojg->setEditText(b.nativePlace);
    Combomz->setEditText(b.ethnicGroup);
    Combozz->setEditText(b.politicalStatus);
    Combozhi->setEditText(b.post);
    Comboqy->setEditText(b.area);
    Textdz->setText(b.address);
    Textdh->setText(b.telephone);
    Textjxm->setText(b.parentName);
    Combojzw->setEditText(b.parentPost);
    Textbz->setText(b.notes);
}

void EditAll::Command1_Click() {
    platform::db::Recordset* rs = Adodc1().recordset();
    // Nothing to store without a current record.
    if (!rs || rs->recordCount() == 0 || rs->eof() || rs->bof())
        return;
    const records::RecordBoxes typed = boxes();
    const QString refused = records::storeRecord(*rs, typed, Tavisk::state().Regions);
    if (!refused.isEmpty()) {
        // A refused write reads the record again, which fills the boxes from
        // it: what was typed goes back in for the next 确定.
        showBoxes(typed);
        platform::dialogs().message(refused, platform::MsgButtons::Ok, {}, platform::MsgIcon::Warning);
        return;
    }
    if (rs->recordCount() > 1) {
        rs->moveNext();
        if (rs->eof()) {
            platform::dialogs().message(QStringLiteral("已到最后一个，按确定回到第一个。"), platform::MsgButtons::Ok,
                                        platform::kPromptTitle);
            rs->moveFirst();
        }
    } else {
        close();
    }
}

void EditAll::Command2_Click() {
    platform::db::Recordset* rs = Adodc1().recordset();
    const int count = rs ? rs->recordCount() : 0;
    if (count > 1) {
        if (!rs->eof())
            rs->moveNext();
    } else {
        close();
    }
}

void EditAll::pictureRule() {
    Image1->setVisible(Option1->isChecked());
    Image2->setVisible(!Option1->isChecked());
}

void EditAll::leaveCompletion(QComboBox* c) {
    QString text = c->currentText();
    QStringList items;
    for (int i = 0; i < c->count(); ++i)
        items << c->itemText(i);
    const bool added = records::growCompletion(text, items, Tavisk::state().SettingsFilePath, section(c));
    c->setEditText(text);
    if (added)
        c->addItem(text);
}

void EditAll::leaveArea() {
    const QString name = Comboqy->currentText();
    QStringList names;
    for (int i = 0; i < Comboqy->count(); ++i)
        names << Comboqy->itemText(i);
    auto db = Adodc1().database();
    if (!db || name.isEmpty() || names.contains(name))
        return;
    const records::NewArea made = records::addNewArea(*db, Tavisk::state().Regions, names, name);
    if (made.added) {
        Comboqy->addItem(name);
        Comboqy->setEditText(name);
    } else if (!made.message.isEmpty()) {
        platform::dialogs().message(made.message, platform::MsgButtons::Ok, platform::kPromptTitle);
    }
}

void EditAll::leaveBirthDate() {
    const QString text = platform::trimBlanks(Textcs->text());
    Textcs->setText(text);
    if (!text.isEmpty() && !records::isBirthDate(text))
        platform::dialogs().message(QStringLiteral("出生年月输入有误，正确的写法是：2003-7-21，请重试！"));
}

void EditAll::birthKey(int16_t& code) {
    if (Textcs->hasSelectedText() || code < 13)
        return;
    if (code == 13) {
        code = 0;
        Command1_Click();
        return;
    }
    const records::BirthKeyResult r = records::birthDateKey(Textcs->text(), QChar(code), YearPrefix);
    code = 0;
    YearPrefix = r.yearPrefix;
    Textcs->setText(r.text);
    Textcs->setCursorPosition(int(r.text.size()));
    if (r.focusMovesOn)
        Option2->setFocus(Qt::TabFocusReason);
}

void EditAll::nameKey(int16_t& code) {
    switch (records::nameKey(code)) {
    case records::NameKey::Pass:
        return;
    case records::NameKey::Enter:
        code = 0;
        Textcs->setFocus(Qt::OtherFocusReason);
        Textxm->setText(records::committedName(Textxm->text()));
        return;
    case records::NameKey::Refuse:
        code = 0;
        platform::dialogs().message(QStringLiteral("只能使用汉字作为人名！"), platform::MsgButtons::OkCancel,
                                    platform::kPromptTitle);
        return;
    }
}

bool EditAll::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == Textxm) {
        if (type == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste)) {
                // A paste is taken like typing: Chinese characters only.
                if (records::isChineseOnly(QApplication::clipboard()->text()))
                    return false;
                int16_t refused = 'v' - 'a' + 1;
                nameKey(refused);
                return true;
            }
            if (key->text().isEmpty() || key->key() == Qt::Key_Delete)
                return false;
            int16_t code = platform::keyCodeOf(key->text().at(0));
            nameKey(code);
            return code == 0;
        }
        if (type == QEvent::InputMethod) {
            const QString committed = static_cast<QInputMethodEvent*>(event)->commitString();
            if (!committed.isEmpty() && !records::isChineseOnly(committed)) {
                int16_t refused = 'a';
                nameKey(refused);
                return true;
            }
        }
        return false;
    }
    if (type == QEvent::FocusIn) {
        if (watched == Textcs) {
            // After the click that gave the focus, which would place the caret.
            QTimer::singleShot(0, Textcs, [this] { Textcs->selectAll(); });
        } else if (watched == Textdz) {
            if (Textdz->text().isEmpty())
                Textdz->setText(Comboqy->currentText());
            QTimer::singleShot(0, Textdz, [this] { Textdz->end(false); });
        } else if (watched == Textjxm && !Textxm->text().isEmpty()) {
            if (Textjxm->text().isEmpty())
                Textjxm->setText(platform::characters(Textxm->text()).value(0));
            QTimer::singleShot(0, Textjxm, [this] { Textjxm->end(false); });
        }
    } else if (type == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return false;
        if (watched == Textcs)
            leaveBirthDate();
        else if (watched == Comboqy)
            leaveArea();
        else if (auto* c = qobject_cast<QComboBox*>(watched))
            leaveCompletion(c);
    }
    return QWidget::eventFilter(watched, event);
}
