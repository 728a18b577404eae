// The external import over the real old Access files: their Latin table
// names are not offered, a copy with a password cannot be opened, a value
// too long for its field refuses the whole run, and a typed condition runs
// over a copy of an old table.
#include "grades/maintenance/core/external_import.h"

#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "support/old_databases.h"
#include "support/school_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace maintenance;
using platform::db::DbError;
using platform::db::ForeignDatabase;

namespace {

struct NoQuestions final : ImportQuestions {
    bool overwriteSameName(const QString&) override { ADD_FAILURE(); return false; }
    QString input(const QString&, const QString&, const QString&) override { ADD_FAILURE(); return {}; }
    bool stopAfterCancel() override { ADD_FAILURE(); return true; }
};

struct OldFiles : ::testing::Test {
    SchoolFixture school{{"语文", "数学"}, {"2004"}, {"2004级01班"}};
    platform::db::Database& target = *school.db();
    QTemporaryDir dir;
    ImportCounters counters = ImportCounters::load(target);
    CheckState current;
    NoQuestions questions;

    // Teachers: 姓名 from one field of the old table.
    ExternalImportPlan teachersFrom(const QString& field, bool check = false) {
        ExternalImportPlan p;
        p.targetTable = QStringLiteral("教师表");
        for (const auto& f : target.tableDef(p.targetTable).fields)
            p.pairedSourceFields << (f.name == QStringLiteral("姓名") ? field : QString());
        p.check = check;
        return p;
    }
    int teachers() { return target.scalar("SELECT COUNT(*) FROM 教师表").toInt(); }
};

TEST_F(OldFiles, LatinTableNamesAreNotOfferedAndAPasswordIsRefused) {
    for (const char* name : {"trading-jet3.mdb", "dates-jet4.mdb"}) {
        const QString path = testsupport::copyOldDatabase(QString::fromLatin1(name), dir.path());
        auto source = ForeignDatabase::open(path);
        EXPECT_FALSE(source->tableNames().isEmpty()) << name;
        EXPECT_TRUE(listedSourceTables(*source).isEmpty()) << name;
    }
    const QString locked = testsupport::copyOldDatabase(QStringLiteral("trading-jet3.mdb"), dir.path());
    testsupport::xorIntoFile(locked, 0x42, "secret");
    EXPECT_THROW(ForeignDatabase::open(locked), DbError);
}

TEST_F(OldFiles, ANameLongerThanTheFieldRefusesTheRunAndAConditionRunsOverACopy) {
    const QString path = testsupport::copyOldDatabase(QStringLiteral("trading-jet3.mdb"), dir.path());
    const QByteArray before = testsupport::fileBytes(path);
    auto source = ForeignDatabase::open(path);

    const SourceRows all = readSourceRows(*source, QStringLiteral("Employees"), {});
    ASSERT_GT(all.rows.size(), 1u);
    const ImportResult refused =
        runExternalImport(target, all, teachersFrom(QStringLiteral("FirstName")), counters, current, questions);
    EXPECT_EQ(refused.kind, ImportResult::Kind::Refused);
    EXPECT_TRUE(refused.refusal.text.contains(QStringLiteral("姓名 <--- FirstName")))
        << refused.refusal.text.toStdString();
    EXPECT_EQ(teachers(), 0);

    // The old dialect's condition over the copy: the one employee whose title fits.
    const SourceRows one =
        readSourceRows(*source, QStringLiteral("Employees"), QStringLiteral("LastName like 'Davol*' and EmployeeID < 5"));
    ASSERT_EQ(one.rows.size(), 1u);
    const ImportResult done = runExternalImport(target, one, teachersFrom(QStringLiteral("TitleOfCourtesy")), counters,
                                                current, questions);
    EXPECT_EQ(done.kind, ImportResult::Kind::Done);
    EXPECT_EQ(target.scalar("SELECT 姓名 FROM 教师表").toString(), QStringLiteral("Ms."));
    EXPECT_EQ(testsupport::fileBytes(path), before);
}

} // namespace
