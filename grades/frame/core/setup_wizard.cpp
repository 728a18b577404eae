#include "grades/frame/core/setup_wizard.h"

#include "common/settings_files.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"
#include "platform/text/whole_file.h"

#include <QDir>
#include <QFileInfo>

WizardVerdict ValidateWizardInput(const WizardInput& in) {
    using namespace wizard_text;
    const QString p = platform::trimBlanks(in.databasePath);
    // A relative path would be read against whatever folder the program was started
    // from, and system.txt would then name a different file at the next start.
    if (p.isEmpty() || !QDir::isAbsolutePath(p)) return {WizardVerdict::Refuse, kBadPath, -1};
    const QFileInfo file(p);
    if (file.isFile()) return {WizardVerdict::Attach, {}, -1};
    // A FIFO or device there is neither read as a database nor replaced by a new one.
    if (const int e = platform::plainFileState(p); e == platform::kNotAPlainFile)
        return {WizardVerdict::Refuse, platform::cannotOpenFileText(p, e), -1};
    // A file straight in the root folder has the empty folder "".
    const QString folder = folderOf(p);
    if (file.isDir() || !QFileInfo(folder.isEmpty() ? QStringLiteral("/") : folder).isDir())
        return {WizardVerdict::Refuse, kBadPath, -1};

    const qsizetype nameLength = platform::trimBlanks(in.schoolName).size();
    if (nameLength < 4 || nameLength > 20) return {WizardVerdict::Refuse, kSchoolName, 0};
    if (in.password.size() > 8) return {WizardVerdict::Refuse, kPasswordTooLong, -1};
    if (in.password != in.confirmation) return {WizardVerdict::Refuse, kPasswordsDiffer, -1};
    // The settings readers trim the password, so surrounding spaces could never be typed back.
    if (platform::trimBlanks(in.password) != in.password) return {WizardVerdict::Refuse, kPasswordSpaces, -1};
    if (in.subjects.isEmpty()) return {WizardVerdict::Refuse, kNoSubject, 1};
    if (in.grades.isEmpty()) return {WizardVerdict::Refuse, kNoGrade, 2};
    if (in.classes.isEmpty()) return {WizardVerdict::Refuse, kNoClass, 3};
    for (const QString& grade : in.grades) {
        const bool hasClass = std::any_of(in.classes.begin(), in.classes.end(),
                                          [&](const QString& c) { return c.startsWith(grade); });
        if (!hasClass) return {WizardVerdict::Refuse, grade + kGradeWithoutClass, 2};
    }
    return {WizardVerdict::Create, {}, -1};
}
