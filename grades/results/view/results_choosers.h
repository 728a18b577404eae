#pragma once
// What the rest of the program may ask of the results view's choosers (the
// class or grade level, the exam room, the sort key) and its 高级 button.
// The results panel alone holds those controls.

#include <QString>
#include <QStringList>

namespace results {

class ResultsChoosers {
public:
    // Empties the list of classes and grade levels, so that the next opening
    // lists them as they then stand.
    virtual void forgetClasses() = 0;
    virtual void forgetRooms() = 0;
    // Lists these grade levels and classes with 所有班级 last and chosen, and no room.
    virtual void offerEveryClass(const QStringList& labels) = 0;

    virtual QStringList classChoices() const = 0;
    virtual QString chosenClass() const = 0;
    // Shows the text as the chosen class; none of the view's handlers runs.
    virtual void showClass(const QString& label) = 0;
    virtual QStringList roomChoices() const = 0;
    virtual QString chosenRoom() const = 0;
    virtual void showRoom(const QString& label) = 0;
    virtual QString sortKey() const = 0;

    // The 高级 button rests while the advanced view is open.
    virtual void allowAdvancedView(bool allowed) = 0;

protected:
    ~ResultsChoosers() = default;
};

} // namespace results
