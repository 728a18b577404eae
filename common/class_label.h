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

// The shapes a chooser's entry is told apart by, as the lists build them: a
// grade level's label has five characters, a class label eight.
bool isGradeLabel(const QString& text);
bool isClassLabel(const QString& text);

// Sorts labels in the database's text order, so that every chooser lists
// the classes alike and a grade level's label comes right before its classes.
void sortClassLabels(QStringList& labels);
