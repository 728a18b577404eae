#include "results_school.h"

#include "grades/app/main_window.h"

#include <QComboBox>
#include <gtest/gtest.h>

ResultsSchool::ResultsSchool(const QStringList& subjects, const QStringList& grades, const QStringList& classes)
    : school(subjects, grades, classes), window(makeMainWindow()), w(*window) {
    w.ConnectDataControls();
}

ResultsSchool::~ResultsSchool() = default;

void ResultsSchool::pick(QComboBox* box, const QString& entry) {
    const int i = box->findText(entry);
    ASSERT_GE(i, 0) << entry.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
}

void ResultsSchool::pick(const char* list, const QString& entry) { pick(c<QComboBox>(list), entry); }
