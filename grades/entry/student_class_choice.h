#pragma once
// What the rest of the program may ask of the student panel: the class its
// chooser shows. The panel alone holds the chooser.

#include <QString>

namespace entry {

class StudentClassChoice {
public:
    virtual QString chosenClass() const = 0;

protected:
    ~StudentClassChoice() = default;
};

} // namespace entry
