// Every window of the records program shows each caption whole at its design
// size, with the fonts the program uses.

#include "records/EditAll.h"
#include "records/QYset.h"
#include "records/XJAbout.h"
#include "records/XJNew.h"
#include "records/XJmain.h"
#include "records/XJprint.h"
#include "records/XYOutDat.h"
#include "records/core/Tavisk.h"
#include "records/core/student_list.h"
#include "platform/ui/fonts.h"
#include "support/caption_fit.h"
#include "support/dialog_double.h"
#include "support/school_fixture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class RecordsCaptions : public ::testing::Test {
protected:
    void SetUp() override {
        platform::installFontSubstitutions();
        Tavisk::resetState();
        school_.db()->insertRow("成绩表", {"STID", "年级", "班", "姓名", "学号"}, {"20040001", "2004", "01", "张三", "01"});
        main_ = std::make_unique<XJmain>();
        ASSERT_TRUE(main_->Form_Load());
        main_->show();
    }
    void TearDown() override {
        main_.reset();
        Tavisk::resetState();
    }
    template <class W> QStringList misfitsOf(W& w, const QStringList& wrapsOnPurpose = {}) {
        w.show();
        QCoreApplication::processEvents();
        // Every data-control bar and counter as a school of 10,080 students shows it.
        showLargestCounts(w, {"StatusPanel1"});
        QCoreApplication::processEvents();
        QStringList lines;
        for (const CaptionMisfit& m : captionMisfits(w, wrapsOnPurpose))
            lines << (m.runsInto.isEmpty()
                          ? QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                                .arg(m.control, m.text).arg(m.needed.width()).arg(m.needed.height())
                                .arg(m.room.width()).arg(m.room.height())
                          : QStringLiteral("%1 \"%2\" runs into %3").arg(m.control, m.text, m.runsInto));
        for (const QString& c : unnamedControls(w))
            lines << QStringLiteral("has no name: ") + c;
        return lines;
    }

    SchoolFixture school_;
    DialogDouble dialogs_;
    std::unique_ptr<XJmain> main_;
};

TEST_F(RecordsCaptions, EveryWindowShowsItsCaptionsWhole) {
    QStringList misfits;
    auto add = [&misfits](const char* name, const QStringList& lines) {
        for (const QString& l : lines)
            misfits << QString::fromLatin1(name) + QLatin1Char(' ') + l;
    };
    add("XJmain", misfitsOf(*main_));
    {
        Tavisk::state().SelectedStudentId = QStringLiteral("20040001");
        EditAll w;
        w.Form_Load();
        add("EditAll", misfitsOf(w));
    }
    {
        QYset w;
        w.Form_Load();
        add("QYset", misfitsOf(w));
    }
    {
        XJNew w;
        w.Form_Load();
        add("XJNew", misfitsOf(w, {"Label1"}));
    }
    Tavisk::state().ListQuery = records::classQuery("2004", "01");
    {
        XJprint w;
        w.Form_Load();
        add("XJprint", misfitsOf(w));
    }
    {
        XYOutDat w;
        w.Form_Load();
        add("XYOutDat", misfitsOf(w, {"Label1"}));
    }
    {
        XJAbout w;
        w.Form_Load();
        add("XJAbout", misfitsOf(w));
    }
    EXPECT_TRUE(misfits.isEmpty()) << misfits.join(u'\n').toStdString();
}

} // namespace
