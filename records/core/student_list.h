#pragma once
// The school tree and the student list of the main window, as plain
// functions: the nodes read from the grade tables, the SQL text of each kind
// of node, the pictures of a student and the details line.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace platform::db { class DataControl; class Recordset; }
class RegionList;

namespace records {

struct TreeNode {
    QString key;        // "M", "m2004", "m200401", "n001", "o张老师" ...
    QString parentKey;  // "" for a root
    QString text;
    int image = 0;      // 1 root, 2 grade level, 3 class, 8 area, 9 teacher
};

// The grade level ("m2004") or class ("m200401") a node of the school's
// structure stands for; both empty for a node of another kind or shape.
struct StructureNode {
    QString grade, cls;
};
StructureNode structureOfKey(const QString& key);

// The roots and every grade level, class, area and teacher in table order,
// read through the main window's data control. A row whose key is already
// taken, or a class whose grade level has no node, is passed over: keys must
// be unique, and the old program stopped at such a row.
std::vector<TreeNode> readSchoolTree(platform::db::DataControl& control);

// The list queries. Every id and name is quoted for SQL.
QString gradeQuery(const QString& grade);
QString classQuery(const QString& grade, const QString& cls);
QString areaQuery(const QString& areaId);
// From the teacher's class labels ("2004级01班"), empty ones ignored; "" when none.
QString teacherQuery(const QStringList& classLabels);
// The class labels of a teacher's twenty assignment slots, read from the
// current row of 教师表.
QStringList teacherClasses(const platform::db::Recordset& teachers);

// Student pictures: 4 boy, 5 girl, 6 boy with a post, 7 girl with a post.
int studentImage(const QVariant& sex, const QVariant& post);

// Panel 2: name, post, address and birth date.
QString studentDetails(const platform::db::Recordset& row);

// Panel 1 for a list of n students.
QString studentCount(int n);

} // namespace records
