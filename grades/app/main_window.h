#pragma once
// The one place that knows every panel and subsystem of the grade program:
// it builds the main window, adds the panels and lets each subsystem
// connect its menu items. The program's start, the setup wizard's
// hand-over and the tests all get their main window here.

#include <QString>
#include <memory>
#include <vector>

class Form2;
class QWidget;
class Form2Panel;
enum class PanelBuild;

// The main window with every panel built, not yet started (see Form2::startUp).
std::unique_ptr<Form2> makeMainWindow(QWidget* parent = nullptr);
// The same with the given panels in place of those of makeMainWindowPanels().
std::unique_ptr<Form2> makeMainWindow(std::vector<std::unique_ptr<Form2Panel>> panels, QWidget* parent = nullptr);
// The main window whose panels are built as given: the program's start has
// each built when first needed.
std::unique_ptr<Form2> makeMainWindow(PanelBuild build, QWidget* parent = nullptr);
std::unique_ptr<Form2> makeMainWindow(std::vector<std::unique_ptr<Form2Panel>> panels, PanelBuild build,
                                      QWidget* parent = nullptr);

// Every panel of the main window, in the order they are added, unbound:
// for code that needs their designs or layout without a window.
std::vector<std::unique_ptr<Form2Panel>> makeMainWindowPanels();
