#include "records/core/student_list.h"

#include "common/class_label.h"
#include "platform/db/database.h"
#include "platform/db/datacontrol.h"
#include "platform/db/recordset.h"
#include "platform/text/values.h"

#include <QSet>

namespace records {

using platform::db::quoteText;

namespace {

QString text(const platform::db::Recordset& rs, const QString& field) {
    const int i = rs.fieldIndex(field);
    return i < 0 ? QString() : rs.value(i).toString();
}

} // namespace

std::vector<TreeNode> readSchoolTree(platform::db::DataControl& control) {
    std::vector<TreeNode> nodes = {{QStringLiteral("M"), {}, QStringLiteral("年级和班"), 1},
                                   {QStringLiteral("N"), {}, QStringLiteral("家庭住址"), 1},
                                   {QStringLiteral("O"), {}, QStringLiteral("任课老师"), 1}};
    QSet<QString> keys = {QStringLiteral("M"), QStringLiteral("N"), QStringLiteral("O")};
    auto add = [&](TreeNode node) {
        if (keys.contains(node.key) || !keys.contains(node.parentKey))
            return;
        keys.insert(node.key);
        nodes.push_back(std::move(node));
    };
    auto walk = [&](const QString& table, auto&& each) {
        control.setRecordSource(table);
        control.refresh();
        platform::db::Recordset* rs = control.recordset();
        if (!rs || rs->recordCount() == 0)
            return;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            each(*rs);
    };
    walk(QStringLiteral("年级表"), [&](platform::db::Recordset& rs) {
        const QString g = text(rs, QStringLiteral("年级"));
        add({QStringLiteral("m") + g, QStringLiteral("M"), g + QStringLiteral("级"), 2});
    });
    walk(QStringLiteral("班级表"), [&](platform::db::Recordset& rs) {
        const QString g = text(rs, QStringLiteral("年级"));
        const QString c = text(rs, QStringLiteral("班"));
        add({QStringLiteral("m") + g + c, QStringLiteral("m") + g, classLabel(g, c), 3});
    });
    walk(QStringLiteral("区域表"), [&](platform::db::Recordset& rs) {
        add({QStringLiteral("n") + rs.value(0).toString(), QStringLiteral("N"), rs.value(1).toString(), 8});
    });
    walk(QStringLiteral("教师表"), [&](platform::db::Recordset& rs) {
        const QString name = text(rs, QStringLiteral("姓名"));
        // A teacher without a name cannot be told from the root's key.
        if (!name.isEmpty())
            add({QStringLiteral("o") + name, QStringLiteral("O"), name, 9});
    });
    return nodes;
}

StructureNode structureOfKey(const QString& key) {
    if (!key.startsWith(u'm'))
        return {};
    if (key.size() == 5)
        return {key.mid(1), {}};
    if (key.size() == 7)
        return {key.mid(1, 4), key.right(2)};
    return {};
}

QString gradeQuery(const QString& grade) {
    return QStringLiteral("select * from 学籍表 where 年级=") + quoteText(grade);
}

QString classQuery(const QString& grade, const QString& cls) {
    return QStringLiteral("select * from 学籍表 where 年级=") + quoteText(grade) + QStringLiteral(" and 班=") +
           quoteText(cls);
}

QString areaQuery(const QString& areaId) {
    return QStringLiteral("select * from 学籍表 where 所在区域=") + quoteText(areaId);
}

QString teacherQuery(const QStringList& classLabels) {
    QString conditions;
    for (const QString& v : classLabels) {
        if (v.isEmpty())
            continue;
        conditions += QStringLiteral(" 年级=") + quoteText(gradeOfLabel(v)) + QStringLiteral(" and 班=") +
                      quoteText(classOfLabel(v)) + QStringLiteral(" or");
    }
    if (conditions.isEmpty())
        return {};
    conditions.chop(3);
    return QStringLiteral("select * from 学籍表 ") + QStringLiteral("where ") + conditions;
}

QStringList teacherClasses(const platform::db::Recordset& teachers) {
    QStringList out;
    for (int i = 1; i <= 20; ++i)
        out << text(teachers, QStringLiteral("任课班级%1").arg(i));
    return out;
}

int studentImage(const QVariant& sex, const QVariant& post) {
    const bool girl = sex.toString() == QStringLiteral("女");
    const bool hasPost = !post.toString().isEmpty();
    if (girl)
        return hasPost ? 7 : 5;
    return hasPost ? 6 : 4;
}

QString studentDetails(const platform::db::Recordset& row) {
    const QString gap = QStringLiteral("   ");
    const int birth = row.fieldIndex(QStringLiteral("出生年月"));
    return text(row, QStringLiteral("姓名")) + QStringLiteral(": ") + text(row, QStringLiteral("职务")) + gap +
           text(row, QStringLiteral("联系地址")) + gap +
           (birth < 0 ? QString() : platform::shortDateText(row.value(birth)));
}

QString studentCount(int n) { return QStringLiteral("共%1人").arg(n); }

} // namespace records
