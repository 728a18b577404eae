#include "support/db_fixture.h"

using namespace platform::db;

namespace testsupport {

void DbFixture::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    db_ = Database::create(path());
    db_->createTable(scoreTable());
}

void DbFixture::TearDown() { db_.reset(); }

TableDef DbFixture::scoreTable() {
    TableDef t{QStringLiteral("成绩表"), {}};
    auto text = [&](const char* n, int size) { t.fields.push_back({QString::fromUtf8(n), FieldType::Text, size}); };
    auto single = [&](const char* n) { t.fields.push_back({QString::fromUtf8(n), FieldType::Single}); };
    text("STID", 8); text("年级", 4); text("班", 2); text("姓名", 3); text("学号", 3);
    text("考号", 11); text("考室", 3); text("座位", 2);
    single("总分"); single("平均分"); single("语文"); single("数学");
    return t;
}

void DbFixture::addStudents(const std::vector<QVariantList>& rows) {
    Transaction t(*db_);
    for (const auto& r : rows)
        db_->insertRow(QStringLiteral("成绩表"),
                       {QStringLiteral("STID"), QStringLiteral("年级"), QStringLiteral("班"),
                        QStringLiteral("姓名"), QStringLiteral("学号"), QStringLiteral("总分")}, r);
    t.commit();
}

platform::db::DbError::Kind errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::db::DbError& e) {
        EXPECT_FALSE(e.text().isEmpty());
        return e.kind();
    }
    ADD_FAILURE() << "no error";
    return platform::db::DbError::Io;
}

} // namespace testsupport
