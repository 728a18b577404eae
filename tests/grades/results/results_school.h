#pragma once
// The main window on a small school, as the results tests drive it: the data
// controls connected, a temporary folder for what the tests save or print,
// and the choosers picked as the user picks them.

#include "grades/frame/Form2.h"
#include "support/school_fixture.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QComboBox;

struct ResultsSchool {
    explicit ResultsSchool(const QStringList& subjects, const QStringList& grades = {"2004"},
                           const QStringList& classes = {"2004级01班", "2004级02班"});
    virtual ~ResultsSchool();

    SchoolFixture school;
    std::unique_ptr<Form2> window;
    Form2& w;
    QTemporaryDir dir;

    // A file in the temporary folder.
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    // A control of the main window by its name.
    template <class T> T* c(const char* name) { return w.control<T>(QString::fromUtf8(name)); }
    // The entry chosen in a list box and its click run, as a user's pick does.
    static void pick(QComboBox* box, const QString& entry);
    void pick(const char* list, const QString& entry);
};
