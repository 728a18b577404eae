#pragma once
// The record editor's rules, without a screen: the birth-date typing aid, the
// name box's keys, the date check, the growth of a completion list, a new
// area, the listing of a student's marks, and the checked save of a record.

#include "records/core/Tavisk.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace platform::db { class Database; class Recordset; }

namespace records {

// One key typed into the birth-date box while nothing is selected and the
// key's code is above 13.
struct BirthKeyResult {
    QString text;          // the box's new text (the key itself is swallowed)
    QString yearPrefix;    // the editor's year prefix afterwards
    bool focusMovesOn = false;
};
BirthKeyResult birthDateKey(const QString& text, QChar key, const QString& yearPrefix);

// A key of the name box by its signed code: control keys and double-byte
// (Chinese) characters pass, Enter commits, everything else is refused.
enum class NameKey { Pass, Enter, Refuse };
NameKey nameKey(int16_t code);
// A typed or pasted text is taken only when every character is double-byte.
bool isChineseOnly(const QString& text);
// The name as Enter leaves it: trimmed and cut to 3 characters.
QString committedName(const QString& text);

// A real calendar date written year-month-day ("2003-7-21", "2003-07-21").
bool isBirthDate(const QString& text);
QDate birthDate(const QString& text);

// The leaving rule of a completion combo: trims `text`; a new non-empty value
// joins `items` and the profile section. True when it was added.
bool growCompletion(QString& text, QStringList& items, const QString& file, const QString& section);

// A new area from the area box, stored first, then added to `regions`.
struct NewArea {
    bool added = false;
    QString message;        // why it was refused; "" when added or nothing to add
    RegionRecord region;
};
// Nothing for an empty name or one already in `names` (the combo's items).
NewArea addNewArea(platform::db::Database& db, RegionList& regions, const QStringList& names,
                   const QString& name);
// The ID after the largest three-digit ID in use, "001" when there is none; "" past "999".
QString nextAreaId(const QStringList& ids);

// The one-student listing: every field of the 成绩表 row from 姓名 on.
QString marksListing(const platform::db::Recordset& scoreRow);

// What the boxes hold when 确定 stores a record.
struct RecordBoxes {
    QString name, cls, birth;
    bool male = true;
    QString nativePlace, ethnicGroup, politicalStatus, post;
    QString area;           // an area name, "" keeps the stored area
    QString address, telephone, parentName, parentPost, notes;
};

// Checks every box, then writes the register row (the current row of
// `reg`) and a changed name or class into 成绩表, in one transaction.
// Returns the message for the user when a box is refused or the write fails
// (a busy file); nothing is written then, and `reg` holds the stored row again
// on the same position, so that the boxes can be stored by a later call.
QString storeRecord(platform::db::Recordset& reg, const RecordBoxes& boxes, const RegionList& regions);

} // namespace records
