#pragma once
// Students with marks for the mark-entry tests: two grade levels whose 数学
// papers have full marks 100 (2004) and 120.5 (2005), and one exam room
// holding students of both.
//
//   2004级01班  学号 01-05  甲一 甲二 甲三 甲四 甲五   数学 10 20 30 40 50
//   2005级01班  学号 01-03  乙一 乙二 乙'三            数学 empty
//   room 001 by seat: 甲一 (01), 乙一 (02), 甲二 (03); nobody else has a room.

#include "platform/db/database.h"

#include <QString>
#include <QVariant>

void seedMarkSchool(platform::db::Database& db);
// The stored 数学 of the student with that name.
QVariant storedMark(platform::db::Database& db, const QString& name);
// The 数学 marks of class 2004/01 in 学号 order, "-" for an empty one: "10 20 - 40 50".
QString classMarks(platform::db::Database& db);
