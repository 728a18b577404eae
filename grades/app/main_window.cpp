#include "grades/app/main_window.h"

#include "grades/calc/CalculationPanel.h"
#include "grades/calc/calc_menus.h"
#include "grades/entry/FullMarkPanel.h"
#include "grades/entry/MarkEntryPanel.h"
#include "grades/entry/StudentPanel.h"
#include "grades/entry/TeacherPanel.h"
#include "grades/entry/entry_menus.h"
#include "grades/examno/ExamNumberPanel.h"
#include "grades/examno/exam_numbers.h"
#include "grades/examno/examno_menus.h"
#include "grades/frame/Form2.h"
#include "grades/maintenance/maintenance_menus.h"
#include "grades/results/results_menus.h"
#include "grades/results/view/ResultsPanel.h"
#include "grades/results/view/results_choosers.h"
#include "grades/results/teachers/TeacherScorePanel.h"

std::vector<std::unique_ptr<Form2Panel>> makeMainWindowPanels() {
    std::vector<std::unique_ptr<Form2Panel>> panels;
    panels.push_back(std::make_unique<StudentPanel>());
    panels.push_back(std::make_unique<TeacherPanel>());
    panels.push_back(std::make_unique<ExamNumberPanel>());
    panels.push_back(std::make_unique<FullMarkPanel>());
    panels.push_back(std::make_unique<CalculationPanel>());
    panels.push_back(std::make_unique<ResultsPanel>());
    panels.push_back(std::make_unique<TeacherScorePanel>());
    panels.push_back(std::make_unique<MarkEntryPanel>());
    return panels;
}

std::unique_ptr<Form2> makeMainWindow(QWidget* parent) { return makeMainWindow(PanelBuild::WhenAdded, parent); }

std::unique_ptr<Form2> makeMainWindow(std::vector<std::unique_ptr<Form2Panel>> panels, QWidget* parent) {
    return makeMainWindow(std::move(panels), PanelBuild::WhenAdded, parent);
}

std::unique_ptr<Form2> makeMainWindow(PanelBuild build, QWidget* parent) {
    return makeMainWindow(makeMainWindowPanels(), build, parent);
}

std::unique_ptr<Form2> makeMainWindow(std::vector<std::unique_ptr<Form2Panel>> panels, PanelBuild build,
                                      QWidget* parent) {
    auto window = std::make_unique<Form2>(parent);
    for (auto& panel : panels)
        window->addPanel(std::move(panel), build);
    // What the panels offer is handed to the subsystems when a command asks
    // for it; with every panel built, a missing offer stops the build here.
    if (build == PanelBuild::WhenAdded) {
        window->offered<results::ResultsChoosers>();
        window->offered<examno::ExamNumbers>();
    }
    entry::installMenuHandlers(*window);
    calc::installMenuHandlers(*window);
    maintenance::installMenuHandlers(*window);
    examno::installMenuHandlers(*window);
    results::installMenuHandlers(*window);
    return window;
}
