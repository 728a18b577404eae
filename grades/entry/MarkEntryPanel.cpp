#include "grades/entry/MarkEntryPanel.h"

#include "common/program_state.h"
#include "common/schema.h"
#include "common/settings_rows.h"
#include "grades/entry/core/student_roster.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/dbui/datagrid.h"
#include "platform/text/number_text.h"
#include "platform/text/values.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/key_filter.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kOnlyDigits = QStringLiteral("只能在这里输入数字!");

QString markText(const QVariant& mark) {
    return platform::PlainNumberText(mark.toFloat(), platform::Precision::Single);
}

} // namespace

void MarkEntryPanel::bind(PanelHost& host) {
    host_ = &host;
    const PanelControls c = host.controlsOf(*this);
    Option6 = c.get<QRadioButton>(QStringLiteral("Option6"));
    Option7 = c.get<QRadioButton>(QStringLiteral("Option7"));
    Combo7 = c.get<QComboBox>(QStringLiteral("Combo7"));
    Combo8 = c.get<QComboBox>(QStringLiteral("Combo8"));
    La82 = c.get<QLabel>(QStringLiteral("La82"));
    La88 = c.get<QLabel>(QStringLiteral("La88"));
    La89 = c.get<QLabel>(QStringLiteral("La89"));
    Label11 = c.get<QLabel>(QStringLiteral("Label11"));
    Te81 = c.get<QLineEdit>(QStringLiteral("Te81"));
    Te82 = c.get<QLineEdit>(QStringLiteral("Te82"));
    Command11 = c.get<QPushButton>(QStringLiteral("Command11"));
    Command12 = c.get<QPushButton>(QStringLiteral("Command12"));
    DataGrid5 = c.grid(QStringLiteral("DataGrid5"));
    Ad8 = &c.data(QStringLiteral("Ad8"));

    // A room or class and a subject may be typed as well as chosen.
    for (QComboBox* box : {Combo7, Combo8}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    Te81->setAlignment(Qt::AlignCenter);
    Te81->setFont(QFont(QStringLiteral("宋体"), 15, QFont::Bold));
    // Marks change only through the mark box, where the full mark is checked.
    DataGrid5->setAllowUpdate(false);

    connect(Option6, &QRadioButton::clicked, this, [this] { Option6_Click(); });
    connect(Option7, &QRadioButton::clicked, this, [this] { Option7_Click(); });
    connect(Combo7, &QComboBox::activated, this, [this] { Combo7_Click(); });
    connect(Combo8, &QComboBox::activated, this, [this] { Combo8_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
    connect(Ad8, &platform::db::DataControl::willMove, this, [this] { Ad8_WillMove(); });
    connect(Ad8, &platform::db::DataControl::moveComplete, this, [this] { Ad8_MoveComplete(); });
    platform::filterKeys(Te81, [this](int16_t& key) { Te81_KeyPress(key); });
    platform::filterKeys(Te82, [this](int16_t& key) { Te82_KeyPress(key); });
    Te81->installEventFilter(this);
}

bool MarkEntryPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Te81 && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        // A held key repeats its presses; it is released once.
        if (!key->isAutoRepeat() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
            Te81_KeyUp(key->key() == Qt::Key_Up ? 38 : 40);
    }
    return QObject::eventFilter(watched, event);
}

void MarkEntryPanel::load() {
    const QAction* colourful = host_->menuItem(QStringLiteral("menucolor"));
    QPalette ground = La82->palette();
    ground.setColor(QPalette::Window, colourful && colourful->isChecked() ? QColor(Qt::yellow) : QColor(Qt::white));
    La82->setPalette(ground);
    La82->setAutoFillBackground(true);

    const bool rooms = [this] {
        try {
            return platform::leadingNumber(host_->settings().value(Setting::ExamRoomCount)) != 0;
        } catch (const platform::db::DbError&) {
            return false;
        }
    }();
    Option6->setChecked(rooms);
    Option7->setChecked(!rooms);
    FillScoreEntrySelectors();
}

void MarkEntryPanel::finish() {
    form2::emptyDataControl(*Ad8);
    form2::detachGrid(DataGrid5);
    Ad8->setCaption(QString());
    fullMarks_ = {};
}

bool MarkEntryPanel::roomMode() const { return Option6->isChecked(); }

void MarkEntryPanel::reportFailure(const QString& text) {
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kErrorTitle, platform::MsgIcon::Warning);
}

// ---------------------------------------------------------------- lists

void MarkEntryPanel::FillScoreEntrySelectors() {
    Combo7->clear();
    Combo8->clear();
    try {
        auto db = openProgramDatabase();
        if (roomMode()) {
            int64_t rooms = 0;
            try {
                rooms = platform::leadingWholeNumber(host_->settings().value(Setting::ExamRoomCount));
            } catch (const platform::db::DbError&) {
            }
            Combo7->addItems(entry::roomLabels(rooms));
        } else {
            Combo7->addItems(entry::classLabels(*db));
        }
        Combo8->addItems(entry::entrySubjects(*db));
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
        return;
    }
    for (QComboBox* box : {Combo7, Combo8})
        if (box->count() > 0)
            box->setCurrentIndex(0);
    LoadGradeEntryList();
}

void MarkEntryPanel::LoadGradeEntryList() {
    const QString chosen = platform::trimBlanks(Combo7->currentText());
    const QString subject = platform::trimBlanks(Combo8->currentText());
    if (chosen.isEmpty() || subject.isEmpty())
        return;
    try {
        auto db = openProgramDatabase();
        showList(roomMode() ? entry::roomList(*db, chosen, subject) : entry::classList(*db, chosen, subject));
        La88->setText(subject);
        platform::db::Recordset* rs = Ad8->recordset();
        if (!rs || rs->recordCount() == 0)
            return;
        fullMarks_ = entry::FullMarks::read(*db, subject);
        if (CurrentFullMark() == 0)
            platform::dialogs().message(QStringLiteral("这一科的总分为零分,请重新选择一个科目!"), platform::MsgButtons::Ok,
                                        platform::kPromptTitle);
        Te81->setFocus();
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
    }
}

void MarkEntryPanel::showList(const entry::ListSource& source) {
    Ad8->setRecordSource(source.sql, source.params);
    Ad8->refresh();
    DataGrid5->setDataSource(Ad8);
    if (!Ad8->recordset()) {
        Ad8_MoveComplete();   // nothing listed: the boxes are emptied
        return;
    }
    DataGrid5->setColumnWidthTwips(0, 400);
    DataGrid5->setColumnWidthTwips(1, 600);
    DataGrid5->setColumnWidthTwips(3, 1200);
}

float MarkEntryPanel::CurrentFullMark() const {
    const platform::db::Recordset* rs = Ad8->recordset();
    if (!rs)
        return 0;
    try {
        return entry::fullMarkOfCurrent(*rs, fullMarks_);
    } catch (const platform::db::DbError&) {
        return 0;
    }
}

void MarkEntryPanel::Option6_Click() { FillScoreEntrySelectors(); }
void MarkEntryPanel::Option7_Click() { FillScoreEntrySelectors(); }
void MarkEntryPanel::Combo7_Click() { LoadGradeEntryList(); }
void MarkEntryPanel::Combo8_Click() { LoadGradeEntryList(); }

// ---------------------------------------------------------------- storing

void MarkEntryPanel::tellRefused(entry::MarkCheck check) {
    Te81->clear();
    const QString text = check == entry::MarkCheck::Negative
        ? kOnlyDigits
        : QStringLiteral("你输入的成绩无效,超过了该科试卷的总分--")
              + platform::PlainNumberText(CurrentFullMark(), platform::Precision::Single) + QStringLiteral("分!");
    platform::dialogs().message(text, platform::MsgButtons::Ok, platform::kPromptTitle);
}

int MarkEntryPanel::StoreEnteredScore() {
    platform::db::Recordset* rs = Ad8->recordset();
    if (!rs || rs->absolutePosition() <= 0)
        return 1;
    entry::MarkCheck check = entry::MarkCheck::Accepted;
    try {
        check = entry::storeEnteredScore(*rs, Te81->text(), fullMarks_);
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
        return 1;
    }
    if (check != entry::MarkCheck::Accepted) {
        tellRefused(check);
        return 1;
    }
    Te81->clear();
    Te81->setFocus();
    return 0;
}

void MarkEntryPanel::Te81_KeyPress(int16_t& keyAscii) {
    if (keyAscii == 13) {
        keyAscii = 0;
        platform::db::Recordset* rs = Ad8->recordset();
        if (!rs || rs->absolutePosition() <= 0) {
            Te81->clear();
            return;
        }
        if (StoreEnteredScore() != 0)
            return;
        if (rs->absolutePosition() < rs->recordCount()) {
            rs->moveNext();
            return;
        }
        // The last student stays current, his mark shown to be looked over.
        Ad8_MoveComplete();
        platform::dialogs().message(QStringLiteral("输入完成!"), platform::MsgButtons::Ok, QStringLiteral("结束"));
        return;
    }
    if (!entry::markKeyAllowed(keyAscii)) {
        keyAscii = 0;
        platform::dialogs().message(kOnlyDigits, platform::MsgButtons::Ok, platform::kPromptTitle);
    }
}

void MarkEntryPanel::Te81_KeyUp(int keyCode) {
    if (keyCode != 38 && keyCode != 40)
        return;
    platform::db::Recordset* rs = Ad8->recordset();
    if (rs && rs->absolutePosition() > 0) {
        if (StoreEnteredScore() != 0)
            return;
    } else {
        Te81->clear();   // nobody current: nothing to store
    }
    if (!rs || rs->recordCount() == 0)
        return;
    const int position = rs->absolutePosition();
    if (keyCode == 38 && position == 0 && rs->eof())
        rs->moveLast();   // from past the end back onto the last student
    else if (keyCode == 38 && position > 1)
        rs->movePrevious();
    else if (keyCode == 40 && position > 0 && position < rs->recordCount())
        rs->moveNext();
    else if (position > 0)
        Ad8_MoveComplete();   // at the end of the list: stays, with the stored mark shown
}

void MarkEntryPanel::Te82_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13)
        return;
    keyAscii = 0;
    if (platform::trimBlanks(Te82->text()).isEmpty())
        return;
    try {
        auto db = openProgramDatabase();
        showList(entry::searchList(*db, Te82->text(), Combo8->currentText()));
        fullMarks_ = entry::FullMarks::read(*db, Combo8->currentText());
    } catch (const platform::db::DbError& e) {
        reportFailure(e.text());
    }
}

// ---------------------------------------------------------------- shifting

void MarkEntryPanel::Command11_Click() {
    platform::db::Recordset* rs = Ad8->recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    if (rs->absolutePosition() <= 0) {
        Te81->clear();
        return;
    }
    entry::MarkCheck check = entry::MarkCheck::Accepted;
    if (!writeWithGridHidden([&] { check = entry::insertMark(*rs, Te81->text(), fullMarks_); }))
        return;
    if (check != entry::MarkCheck::Accepted) {
        tellRefused(check);
        return;
    }
    Ad8_MoveComplete();
    Te81->setFocus();
}

void MarkEntryPanel::Command12_Click() {
    platform::db::Recordset* rs = Ad8->recordset();
    if (!rs || rs->recordCount() == 0 || rs->absolutePosition() <= 0)
        return;
    if (!writeWithGridHidden([&] { entry::deleteMark(*rs); }))
        return;
    Ad8_MoveComplete();
    Te81->setFocus();
}

bool MarkEntryPanel::writeWithGridHidden(const std::function<void()>& write) {
    const QString typed = Te81->text();
    DataGrid5->hide();
    try {
        write();
    } catch (const platform::db::DbError& e) {
        DataGrid5->show();
        reportFailure(e.text());
        Ad8_MoveComplete();
        // The mark typed stays for the retry; the stored one would be shifted in its place.
        Te81->setText(typed);
        return false;
    }
    DataGrid5->show();
    return true;
}

// ---------------------------------------------------------------- current student

void MarkEntryPanel::Ad8_WillMove() {
    if (DataGrid5->isHidden())
        return;
    platform::db::Recordset* rs = Ad8->recordset();
    if (!rs || rs->recordCount() == 0) {
        La82->clear();
        return;
    }
    if (rs->absolutePosition() <= 0)
        return;
    // Failures of the display are skipped one by one.
    try { Label11->setText(rs->value(scorefield::ExamNumber).toString()); } catch (const platform::db::DbError&) {}
    try {
        QString text = rs->value(scorefield::Name).toString() + u' ';
        const QVariant mark = rs->value(entry::kListMarkColumn);
        if (!mark.isNull())
            text += markText(mark).left(5) + QStringLiteral("分");
        La82->setText(text);
    } catch (const platform::db::DbError&) {}
}

void MarkEntryPanel::Ad8_MoveComplete() {
    if (DataGrid5->isHidden())
        return;
    platform::db::Recordset* rs = Ad8->recordset();
    if (!rs || rs->recordCount() == 0) {
        Te82->clear();
        Te81->clear();
        La89->clear();
        Ad8->setCaption(QString());
        return;
    }
    if (rs->absolutePosition() <= 0)
        return;
    try {
        Ad8->setCaption(QStringLiteral("%1/%2").arg(rs->absolutePosition()).arg(rs->recordCount()));
    } catch (const platform::db::DbError&) {}
    try {
        const QVariant room = rs->value(QStringLiteral("考室"));
        QString where;
        if (!room.isNull())
            where = QStringLiteral("座位号:") + rs->value(QStringLiteral("座位")).toString() + QStringLiteral(" 考室:")
                + room.toString();
        La89->setText(where + u' ' + rs->value(scorefield::Grade).toString() + QStringLiteral("级")
                      + rs->value(scorefield::Class).toString() + QStringLiteral("班"));
    } catch (const platform::db::DbError&) {}
    try {
        Te82->setText(rs->value(scorefield::ExamNumber).toString() + QStringLiteral("  ")
                      + rs->value(scorefield::Name).toString());
    } catch (const platform::db::DbError&) {}
    try {
        const QVariant mark = rs->value(entry::kListMarkColumn);
        Te81->setText(mark.isNull() || mark.toFloat() == 0 ? QString() : markText(mark));
        if (!Te81->text().isEmpty())
            Te81->selectAll();
    } catch (const platform::db::DbError&) {}
}
