#pragma once
// A class as every chooser and list shows it: grade id, "级", class id, "班"
// ("2004级01班"); a whole grade level as grade id and "级" ("2004级").

#include <QString>
#include <QStringList>

QString classLabel(const QString& gradeId, const QString& classId);
QString gradeLabel(const QString& gradeId);

// The parts of a class label: the grade id is its first four characters,
// the class id its sixth and seventh, as the tables store them.
QString gradeOfLabel(const QString& label);
QString classOfLabel(const QString& label);

// Sorts labels in the database's text order, so that every chooser lists
// the classes alike and a grade level's label comes right before its classes.
void sortClassLabels(QStringList& labels);
