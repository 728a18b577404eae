#include "common/class_label.h"

#include "platform/db/database.h"

#include <algorithm>

QString classLabel(const QString& gradeId, const QString& classId) {
    return gradeId + QStringLiteral("级") + classId + QStringLiteral("班");
}

QString gradeLabel(const QString& gradeId) { return gradeId + QStringLiteral("级"); }

QString gradeOfLabel(const QString& label) { return label.left(4); }
QString classOfLabel(const QString& label) { return label.mid(5, 2); }

bool isGradeLabel(const QString& text) { return text.size() == 5; }
bool isClassLabel(const QString& text) { return text.size() == 8; }

void sortClassLabels(QStringList& labels) {
    std::stable_sort(labels.begin(), labels.end(), [](const QString& a, const QString& b) {
        return platform::db::compareText(a, b) < 0;
    });
}
