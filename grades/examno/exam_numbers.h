#pragma once
// What the rest of the program may ask of the exam-number panel. The panel
// alone holds its controls.

#include <QString>
#include <functional>

namespace examno {

class ExamNumbers {
public:
    // Reads the group the viewer shows now, for the cards window's headings;
    // safe to call after the main window has gone (it then reads "").
    virtual std::function<QString()> viewerGroup() const = 0;
    // The viewer's 导出数据, by class whatever its room option showed.
    virtual void exportByClass() = 0;

protected:
    ~ExamNumbers() = default;
};

} // namespace examno
