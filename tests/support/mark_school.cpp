#include "support/mark_school.h"

void seedMarkSchool(platform::db::Database& db) {
    platform::db::Transaction t(db);
    db.execute("update 年级表 set 数学 = 100 where 年级 = '2004'");
    db.execute("update 年级表 set 数学 = 120.5 where 年级 = '2005'");
    const QStringList fields{"STID", "年级", "班", "姓名", "学号", "考号", "考室", "座位", "数学"};
    const QStringList first{"甲一", "甲二", "甲三", "甲四", "甲五"};
    for (int i = 0; i < first.size(); ++i) {
        const QString n = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QVariant room = i < 2 ? QVariant("001") : QVariant();
        const QVariant seat = i == 0 ? QVariant("01") : i == 1 ? QVariant("03") : QVariant();
        db.insertRow("成绩表", fields, {"200400" + n, "2004", "01", first[i], n, "200401" + n, room, seat, (i + 1) * 10});
    }
    const QStringList second{"乙一", "乙二", "乙'三"};
    for (int i = 0; i < second.size(); ++i) {
        const QString n = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QVariant room = i == 0 ? QVariant("001") : QVariant();
        const QVariant seat = i == 0 ? QVariant("02") : QVariant();
        db.insertRow("成绩表", fields, {"200500" + n, "2005", "01", second[i], n, "200501" + n, room, seat, QVariant()});
    }
    t.commit();
}

QVariant storedMark(platform::db::Database& db, const QString& name) {
    return db.scalar("select 数学 from 成绩表 where 姓名 = ?", {name});
}

QString classMarks(platform::db::Database& db) {
    QStringList marks;
    for (const auto& row : db.query("select 数学 from 成绩表 where 年级 = '2004' and 班 = '01' order by 学号"))
        marks << (row.value(0).isNull() ? QStringLiteral("-") : QString::number(row.value(0).toDouble()));
    return marks.join(u' ');
}
