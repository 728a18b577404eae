#include "grades/calc/Dialog1.h"

#include "common/program_state.h"
#include "common/settings_rows.h"
#include "grades/frame/form2_panel.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"
#include "platform/ui/build_control.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/show_modeless.h"
#include "platform/ui/twips.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <vector>

namespace {

constexpr int kDefaultWidth = 25;   // characters of 状态

void paint(QWidget* w, const QColor& colour, QPalette::ColorRole role) {
    QPalette pal = w->palette();
    pal.setColor(role, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

} // namespace

Dialog1::Dialog1(PanelHost& host) : QDialog(host.hostWindow()), host_(host) {
    setWindowTitle(QStringLiteral("对话框标题"));
    platform::resizeTwips(*this, 6150, 3945);
    paint(this, QColor(128, 128, 255), QPalette::Window);

    const char* const names[] = {"成绩库一", "成绩库二", "成绩库三", "成绩库四", "成绩库五"};
    for (int i = 0; i < 5; ++i) {
        const int top = 360 + 510 * i;
        Label1[i] = platform::buildControl<QLabel>(this, QStringLiteral("Label1_%1").arg(i), 240, top, 855, 255,
                                         QString::fromUtf8(names[i]));
        Text1[i] = platform::buildControl<QLineEdit>(this, QStringLiteral("Text1_%1").arg(i), 1200, top, 2175, 270);
        Text1[i]->setMaxLength(40);
        paint(Text1[i], QColor(255, 192, 255), QPalette::Base);
        Command1[i] = platform::buildControl<QPushButton>(this, QStringLiteral("Command1_%1").arg(i), 3480, top, 735, 255,
                                                QStringLiteral("浏览"));
        connect(Command1[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        Text1[i]->installEventFilter(this);
    }
    OKButton = platform::buildControl<QPushButton>(this, "OKButton", 4680, 120, 1215, 375, QStringLiteral("确定"));
    OKButton->setDefault(true);
    CancelButton = platform::buildControl<QPushButton>(this, "CancelButton", 4680, 600, 1215, 375, QStringLiteral("取消"));
    Label2 = platform::buildControl<QLabel>(this, {}, 4680, 1080, 1215, 1695,
                                  QStringLiteral("请设置上几次考试后数据备份的地方,以观查学生的进步情况和综合成绩的评定.") +
                                      QString(17, QLatin1Char(' ')) + QStringLiteral("路径限定在40个字符内。"));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (int i = 0; i < 5; ++i)
        Label3[i] = platform::buildControl<QLabel>(this, QStringLiteral("Label3_%1").arg(i), 1080 + 816 * i, 3000, 615, 255,
                                         QStringLiteral("成绩%1%").arg(i + 1));
    Label3[5] = platform::buildControl<QLabel>(this, "Label3_5", 5160, 3000, 855, 255, QStringLiteral("本次成绩%"));
    Label3[6] = platform::buildControl<QLabel>(this, "Label3_6", 120, 3360, 615, 255, QStringLiteral("综合分"));
    for (int i = 0; i < 6; ++i) {
        Text2[i] = platform::buildControl<QLineEdit>(this, QStringLiteral("Text2_%1").arg(i), 1080 + 840 * i, 3360, 495, 270);
        Text2[i]->setMaxLength(4);
        paint(Text2[i], QColor(192, 192, 255), QPalette::Base);
        Text2[i]->installEventFilter(this);
    }
    Label4[5] = platform::buildControl<QLabel>(this, "Label4_5", 840, 3435, 135, 135, QStringLiteral("="));
    for (int i = 0; i < 5; ++i)
        Label4[i] = platform::buildControl<QLabel>(this, QStringLiteral("Label4_%1").arg(i), 1680 + 840 * i,
                                         i == 0 ? 3428 : 3435, 135, 135, QStringLiteral("+"));
    // The signs are as small as designed; they must not be cut to nothing.
    for (QLabel* l : Label4) {
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumSize(l->sizeHint().boundedTo(QSize(12, 12)));
    }

    connect(OKButton, &QPushButton::clicked, this, &Dialog1::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Dialog1::CancelButton_Click);
    Form_Load();
}

Dialog1* Dialog1::showFor(PanelHost& host) {
    // A closed dialog waits, hidden, for the event loop to delete it; it is
    // gone for the user, and the next opening reads the rows again.
    for (Dialog1* closed : host.hostWindow()->findChildren<Dialog1*>(QString(), Qt::FindDirectChildrenOnly))
        if (closed->isHidden())
            delete closed;
    return platform::showModeless<Dialog1>(host.hostWindow(), [&host] {
        auto* d = new Dialog1(host);
        d->setAttribute(Qt::WA_DeleteOnClose);
        return d;
    });
}

void Dialog1::Form_Load() {
    try {
        const SettingsRows rows = host_.settings();
        for (int i = 0; i < 5; ++i) {
            const QString v = rows.value(earlierDatabaseRow(i + 1));
            Text1[i]->setText(v == QLatin1String("0") ? QString() : v);
        }
        // Six weights between commas; two commas in a row leave a box empty,
        // and anything after the sixth is not shown.
        const QStringList parts = rows.value(Setting::EarlierDatabaseWeights).split(QLatin1Char(','));
        for (int i = 0; i < 6; ++i)
            Text2[i]->setText(parts.value(i));
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
    }
}

void Dialog1::Command1_Click(int index) {
    platform::FileRequest request;
    request.title = QStringLiteral("设置以前的数据文件");
    request.filter = QStringLiteral("Access数据库(*.mdb)|*.mdb|所有文件(*.*)|*.*");
    request.fileName = Text1[index]->text().isEmpty() ? QStringLiteral("学生成绩库*.mdb") : Text1[index]->text();
    request.confirmOverwrite = false;
    const auto chosen = platform::dialogs().openFile(request);
    if (chosen && !chosen->isEmpty())
        Text1[index]->setText(*chosen);
}

void Dialog1::Text1_GotFocus(int index) { Text1[index]->selectAll(); }

void Dialog1::Text2_GotFocus(int index) { Text2[index]->selectAll(); }

bool Dialog1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the cursor.
        for (int i = 0; i < 5; ++i)
            if (watched == Text1[i])
                QTimer::singleShot(0, this, [this, i] { Text1_GotFocus(i); });
        for (int i = 0; i < 6; ++i)
            if (watched == Text2[i])
                QTimer::singleShot(0, this, [this, i] { Text2_GotFocus(i); });
    }
    return QDialog::eventFilter(watched, event);
}

void Dialog1::OKButton_Click() {
    // A whole-number running total, each sum rounded half to even; kept in
    // floating point so that a huge weight is simply not 100.
    double total = 0;
    for (QLineEdit* box : Text2)
        total = std::nearbyint(total + platform::LeadingNumber(box->text()));
    if (total != 100) {
        platform::dialogs().message(QStringLiteral("几次考试所占的百分率之和必须为100."), platform::MsgButtons::Ok,
                                    platform::kPromptTitle);
        return;
    }

    std::vector<QString> values;
    for (QLineEdit* box : Text1)
        values.push_back(platform::trimBlanks(box->text()).isEmpty() ? QStringLiteral("0") : box->text());
    QStringList weights;
    for (QLineEdit* box : Text2)
        weights << box->text();
    values.push_back(weights.join(QLatin1Char(',')));

    // 状态 holds 25 characters: every value is checked before any row is written.
    for (int i = 0; i < 6; ++i) {
        if (platform::characters(values[i]).size() <= kDefaultWidth)
            continue;
        const QString what = i < 5 ? Label1[i]->text() : QStringLiteral("综合分的比重");
        platform::dialogs().message(QStringLiteral("“") + what +
                                        QStringLiteral("”的内容超过了%1个字符,无法保存.请修改后再确定.")
                                            .arg(kDefaultWidth),
                                    platform::MsgButtons::Ok, platform::kPromptTitle);
        (i < 5 ? Text1[i] : Text2[0])->setFocus();
        return;
    }
    try {
        auto db = host_.dataControl(QStringLiteral("Adodc0")).database();
        platform::db::Transaction t(*db);
        const SettingsRows rows = host_.settings();
        for (int i = 0; i < 6; ++i)
            rows.store(i < 5 ? earlierDatabaseRow(i + 1) : Setting::EarlierDatabaseWeights, values[i]);
        t.commit();
    } catch (const platform::db::DbError& e) {
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        return;
    }
    close();
}

void Dialog1::CancelButton_Click() { close(); }

void MenuYiQian_Click(PanelHost& host) {
    if (state().IsAdministrator == 0) {
        platform::dialogs().message(QStringLiteral("只有系统管理员才有权使用本功能。"), platform::MsgButtons::Ok,
                                    platform::kPromptTitle);
        return;
    }
    Dialog1::showFor(host);
}
