#include "grades/examno/ExamNumberPanel.h"

#include "common/program_state.h"
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
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

using namespace examno;

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
    const PanelControls c = host.controlsOf(index());
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
}

void ExamNumberPanel::finish() {
    host_->ShowStartPanel();
    form2::detachGrid(DataGrid3);
    form2::emptyDataControl(*Ad3);
    form2::emptyDataControl(*Ad32);
}

Composition ExamNumberPanel::composition() const {
    Composition c;
    c.grade = Check1[0]->isChecked();
    c.cls = Check1[1]->isChecked();
    c.room = Check1[2]->isChecked();
    c.seat = Check1[3]->isChecked();
    c.compact = Check1[4]->isChecked();
    return c;
}

CrossingMethod ExamNumberPanel::crossingMethod() const {
    if (Option[2]->isChecked())
        return CrossingMethod::GradeCrossed;
    if (Option[1]->isChecked())
        return CrossingMethod::ClassCrossed;
    return CrossingMethod::InClassOrder;
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
    Combo5->addItems(roomSizeItems());
    Combo5->setCurrentIndex(0);
    Combo15->clear();
    Combo15->addItems(targetItems(*host_->dataControl(QStringLiteral("Adodc0")).database()));
    Combo15->setCurrentIndex(Combo15->count() > 0 ? 0 : -1);
    loadStoredChoices();
}

void ExamNumberPanel::loadStoredChoices() {
    const SettingsRows settings = host_->settings();
    if (const auto method = crossingMethodFromText(settings.value(Setting::ExamNumberCrossing)))
        Option[int(*method) - 1]->setChecked(true);
    const Composition stored = compositionFromFlags(settings.value(Setting::ExamNumberParts), composition());
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
    BuildChoices choices;
    choices.partial = Combo15->isEnabled();
    if (choices.partial) {
        choices.target = Combo15->currentText();
        choices.startRoomAnswer = platform::dialogs().input(QStringLiteral("请输入开始的考室的号码："),
                                                            QStringLiteral("开始考试"), QStringLiteral("1"));
    }
    choices.roomSizeText = Combo5->currentText();
    choices.method = crossingMethod();
    choices.parts = composition();

    BuildUi ui;
    ui.message = [](const QString& text, const QString& title) {
        platform::dialogs().message(text, platform::MsgButtons::Ok, title);
    };
    ui.progress = [this](const QString& t) { showProgress(t); };
    painted_.invalidate();
    progressText_ = La35->text();
    BuildResult result;
    try {
        result = buildExamNumbers(*host_->dataControl(QStringLiteral("Adodc0")).database(), host_->settings(),
                                  choices, randomSource(), ui);
    } catch (const platform::db::DbError& e) {
        // Reading the school or storing a settings row failed.
        platform::dialogs().message(e.text(), platform::MsgButtons::Ok, platform::kErrorTitle);
        result = BuildResult::Failed;
    }
    // The line ends on the last text the build gave, painted or not.
    La35->setText(progressText_);
    La35->repaint();
    if (result == BuildResult::Completed && state().ExamRoomCount > 0)
        Com32->setEnabled(true);
}
