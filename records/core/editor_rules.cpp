#include "records/core/editor_rules.h"

#include "common/class_label.h"
#include "platform/db/database.h"
#include "platform/db/recordset.h"
#include "platform/text/gbk.h"
#include "platform/text/values.h"
#include "records/core/records_database.h"
#include "records/core/student_list.h"

#include <QDate>
#include <QRegularExpression>

namespace records {

using platform::db::Database;
using platform::db::DbError;
using platform::db::Recordset;

namespace {

// The value of a text's leading digits, 0 when it starts with none.
int leadingDigits(const QString& s) {
    int n = 0, i = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9' && i < 9)
        n = n * 10 + (s[i++].unicode() - u'0');
    return n;
}

} // namespace

BirthKeyResult birthDateKey(const QString& text, QChar key, const QString& yearPrefix) {
    BirthKeyResult r{text, yearPrefix, false};
    const QString k(key);
    switch (text.size()) {
    case 0:
        r.text = yearPrefix.isEmpty() ? k : yearPrefix + k + u'-';
        break;
    case 3:
        r.text = text + k + u'-';
        r.yearPrefix = r.text.left(3);
        break;
    case 5:
        r.text = key > u'1' ? text + u'0' + k + u'-' : text + k;
        break;
    case 6:
        if (leadingDigits(text.right(1) + k) > 12)
            return birthDateKey(text.left(5) + QStringLiteral("01-"), key, yearPrefix);
        r.text = text + k + u'-';
        break;
    case 8:
        if (key > u'3') {
            r.text = text + u'0' + k;
            r.focusMovesOn = true;
        } else {
            r.text = text + k;
        }
        break;
    case 9:
        r.text = leadingDigits(text.right(1) + k) > 31 ? text.left(8) + u'0' + text.right(1) : text + k;
        r.focusMovesOn = true;
        break;
    case 10:
        if (leadingDigits(text.right(2)) > 31)
            return birthDateKey(text.left(8), key, yearPrefix);
        r.focusMovesOn = true;
        break;
    default:
        r.text = text + k;
        break;
    }
    return r;
}

NameKey nameKey(int16_t code) {
    if (code < 13)
        return NameKey::Pass;
    if (code == 13)
        return NameKey::Enter;
    return NameKey::Refuse;
}

bool isChineseOnly(const QString& text) {
    for (const QString& c : platform::characters(text)) {
        const auto code = platform::gbkCharCode(c);
        if (!code || *code >= 0)
            return false;
    }
    return true;
}

QString committedName(const QString& text) {
    return platform::characters(platform::trimBlanks(text)).mid(0, 3).join(QString());
}

QDate birthDate(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,4})-(\\d{1,2})-(\\d{1,2})$"));
    const auto m = form.match(platform::trimBlanks(text));
    if (!m.hasMatch())
        return {};
    return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
}

bool isBirthDate(const QString& text) { return birthDate(text).isValid(); }

bool growCompletion(QString& text, QStringList& items, const QString& file, const QString& section) {
    text = platform::trimBlanks(text);
    if (items.contains(text) || text.isEmpty())
        return false;
    items << text;
    Tavisk::growList(file, section, text);
    return true;
}

QString nextAreaId(const QStringList& ids) {
    static const QRegularExpression threeDigits(QStringLiteral("^\\d{3}$"));
    int largest = 0;
    for (const QString& id : ids)
        if (threeDigits.match(id).hasMatch())
            largest = std::max(largest, id.toInt());
    return largest >= 999 ? QString() : QStringLiteral("%1").arg(largest + 1, 3, 10, QLatin1Char('0'));
}

NewArea addNewArea(Database& db, RegionList& regions, const QStringList& names, const QString& name) {
    NewArea out;
    if (name.isEmpty() || names.contains(name))
        return out;
    if (name.size() > 8) {
        out.message = QStringLiteral("区域名称最多只能有8个字，没有增加这个区域。");
        return out;
    }
    QStringList ids;
    for (const QVariantList& row : db.query(QStringLiteral("SELECT ID FROM 区域表")))
        ids << row[0].toString();
    const QString id = nextAreaId(ids);
    if (id.isEmpty()) {
        out.message = QStringLiteral("区域编号已到999，不能再增加区域。");
        return out;
    }
    // Stored first: a refused row leaves no area behind in the editor.
    try {
        db.insertRow(kAreaTable, {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("距学校")},
                     {id, name, 0});
    } catch (const DbError& e) {
        out.message = e.text();
        return out;
    }
    out.region = RegionRecord{id, name, 0};
    regions.append(out.region);
    out.added = true;
    return out;
}

QString marksListing(const Recordset& scoreRow) {
    QString out;
    for (int i = 3; i < scoreRow.fieldCount(); ++i) {
        const QVariant v = scoreRow.value(i);
        out += scoreRow.fieldName(i) + QStringLiteral(": ") + (v.isNull() ? QString() : v.toString()) +
               QStringLiteral("\r\n");
    }
    return out;
}

QString storeRecord(Recordset& reg, const RecordBoxes& b, const RegionList& regions) {
    const std::shared_ptr<Database> db = reg.database();
    const QString id = reg.value(QStringLiteral("STID")).toString();
    const QString grade = reg.value(QStringLiteral("年级")).toString();
    const bool nameChanged = reg.value(QStringLiteral("姓名")).toString() != b.name;
    const bool classChanged = reg.value(QStringLiteral("班")).toString() != b.cls;

    // Every box is checked before anything is written.
    if (nameChanged && b.name.isEmpty())
        return QStringLiteral("姓名不能为空。");
    if (classChanged && db->query(QStringLiteral("SELECT 1 FROM 班级表 WHERE 年级 = ? AND 班 = ?"), {grade, b.cls})
                            .empty())
        return QStringLiteral("没有%1，学生的班没有改。").arg(classLabel(grade, b.cls));
    if (!b.birth.isEmpty() && !isBirthDate(b.birth))
        return QStringLiteral("出生年月输入有误，正确的写法是：2003-7-21，请重试！");

    QStringList fields;
    QVariantList values;
    if (nameChanged) { fields << QStringLiteral("姓名"); values << b.name; }
    if (classChanged) { fields << QStringLiteral("班"); values << b.cls; }
    if (!b.birth.isEmpty()) { fields << QStringLiteral("出生年月"); values << birthDate(b.birth); }
    fields << QStringLiteral("性别") << QStringLiteral("籍贯") << QStringLiteral("民族") << QStringLiteral("政治面貌");
    values << (b.male ? QStringLiteral("男") : QStringLiteral("女")) << b.nativePlace << b.ethnicGroup
           << b.politicalStatus;
    if (!b.area.isEmpty()) {
        for (int i = 1; i <= regions.count(); ++i)
            if (regions.at(i).name == b.area) {
                fields << QStringLiteral("所在区域");
                values << regions.at(i).id;
                break;
            }
    }
    fields << QStringLiteral("联系地址") << QStringLiteral("联系电话") << QStringLiteral("职务")
           << QStringLiteral("家长姓名") << QStringLiteral("家长职务") << QStringLiteral("备注");
    values << b.address << b.telephone << b.post << b.parentName << b.parentPost
           << (b.notes.isEmpty() ? QVariant() : QVariant(b.notes));

    // A text longer than its field is named with the field's size.
    for (int i = 0; i < fields.size(); ++i) {
        const int at = reg.fieldIndex(fields[i]);
        if (at < 0)
            continue;
        const auto def = reg.fieldDef(at);
        if (def.type == platform::db::FieldType::Text && values[i].toString().size() > def.size)
            return QStringLiteral("%1最多只能有%2个字，请改短一些。").arg(fields[i]).arg(def.size);
    }

    const int position = reg.absolutePosition();
    QString failed;
    try {
        platform::db::Transaction t(*db);
        for (int i = 0; i < fields.size(); ++i)
            if (reg.fieldIndex(fields[i]) >= 0)
                reg.setValue(fields[i], values[i]);
        reg.update();
        if (nameChanged || classChanged) {
            // A student without a 成绩表 row keeps the change in the register only.
            Recordset scores(db, QStringLiteral("select * from 成绩表 where STID=?"), {id});
            if (scores.recordCount() > 0) {
                scores.moveFirst();
                if (nameChanged)
                    scores.setValue(QStringLiteral("姓名"), b.name);
                if (classChanged)
                    scores.setValue(QStringLiteral("班"), b.cls);
                scores.update();
            }
        }
        t.commit();
    } catch (const DbError& e) {
        failed = e.text();
    }
    if (!failed.isEmpty()) {
        // Rolled back: the rows as the database holds them again. A file still
        // busy keeps the rows read before, which match it too.
        reg.cancelUpdate();
        try {
            reg.requery();
        } catch (const DbError&) {
        }
        // Back on the student by his id: a row another program took away
        // meanwhile moves the others up the list.
        try {
            if (!reg.findValue(QStringLiteral("STID"), id, 0, true) && position > 0 && position <= reg.recordCount())
                reg.setAbsolutePosition(position);
        } catch (const DbError&) {
        }
    }
    return failed;
}

} // namespace records
