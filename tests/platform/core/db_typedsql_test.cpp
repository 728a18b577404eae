#include "platform/db/typedsql.h"

#include <gtest/gtest.h>

using platform::db::isReadOnlySelect;

TEST(TypedSql, OnlyOneQueryIsAccepted) {
    struct Case { const char* sql; bool accepted; } cases[] = {
        {"select 学号,姓名 from 成绩表 where 年级='2004' order by 学号", true},
        {"  SELECT * FROM 成绩表;  ", true},
        {"select * from 成绩表 where 姓名='a;b'", true},
        {"select * from 成绩表 where 姓名='O''Neil; drop table 成绩表'", true},
        {"select [into] from 成绩表", true},
        {"select * from 成绩表 -- a note", true},
        {"select * from (select * from 成绩表 where 班='01')", true},
        {"", false},
        {"   ", false},
        {"delete from 成绩表", false},
        {"update 成绩表 set 班='02'", false},
        {"select * from 成绩表; delete from 成绩表", false},
        {"select * from 成绩表;;", false},
        {"select * into 备份 from 成绩表", false},
        {"select * from 成绩表 where 姓名='open", false},
        {"with t as (select 1) select * from t", true},
        {"with t as (select 1) delete from 成绩表", false},
        {"drop table 成绩表", false},
        {"/* x */ delete from 成绩表", false},
        {"select * from 成绩表 /* open", false},
        {"pragma table_info(成绩表)", false},
        {"select * from 成绩表\n;\ninsert into 成绩表 values(1)", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isReadOnlySelect(QString::fromUtf8(c.sql)), c.accepted) << c.sql;
}
