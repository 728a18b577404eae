#pragma once
// Custom print templates: a rich-text template whose field marks (<姓名>)
// are filled once per record of a data source, and the source texts of the
// class list. No screen: the merge works on documents.

#include "platform/richtext/rtf.h"

#include <QList>
#include <QString>

class QTextDocument;
namespace platform::db {
class Recordset;
}

namespace results {

// The record source of a class list entry: a grade label ("2004级"), a class
// label ("2004级01班") or anything else (the whole table). The ids are quoted.
QString templateSourceQuery(const QString& entry);

// One unit of a scanned template: a character, or a field mark with its name.
// The character itself is kept (a line break is "\n"), so none is lost.
struct TemplateChar {
    QString character;        // empty for a mark
    QString fieldName;
    bool mark = false;
    bool closed = true;       // a mark whose ">" was found
    platform::richtext::RunStyle style;   // strikeout never carried
};

// The units in template order. A mark takes the formatting of the last
// character of its name (of its "<" when the name is empty); sizes are whole
// points, a half going to the even number.
QList<TemplateChar> TemplateChars(const QTextDocument& tmpl);

// Appends a copy of the template per record, from the first, to `out`. A
// field's value is its text (numbers as their shortest form, Null as nothing);
// a mark naming no field, an empty one and an unclosed one copy their own
// text. Neighbouring units of one format are inserted as one run.
void mergeTemplate(const QList<TemplateChar>& units, platform::db::Recordset& rs, QTextDocument& out);

// A field value as the preview and the check list write it.
QString fieldValueText(const platform::db::Recordset& rs, int field);

} // namespace results
