#pragma once
// The records program's shared module: the values every window of the program
// reads (where the database is, the profile, the areas, what the main window
// has chosen), the profile access and the rules of the completion lists.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace platform {
class Profile;
}

// One residential area as the program holds it.
struct RegionRecord {
    QString id;              // exactly 3 characters: padded with spaces or cut
    QString name;
    int16_t distance = 0;    // 0 for Null or a text that is no number
};

// The areas, numbered from 1 as every user of the list counts them.
class RegionList {
public:
    int count() const { return int(items_.size()); }
    const RegionRecord& at(int position) const { return items_.at(size_t(position - 1)); }
    RegionRecord& at(int position) { return items_.at(size_t(position - 1)); }
    void append(const RegionRecord& r) { items_.push_back(r); }
    void clear() { items_.clear(); }
    // Position of the first area with this ID, 0 when none.
    int find(const QString& id) const;
private:
    std::vector<RegionRecord> items_;
};

// The ID as the area list holds it: 3 characters.
QString fittedRegionId(const QString& id);

struct RecordsState {
    QString DatabasePath;
    QString DatabaseFolder;           // without a trailing separator
    QString DatabasePassword;
    QString DatabaseConnectString;
    QString SettingsFilePath;         // 参数设置.ini beside the database
    RegionList Regions;
    QString SelectedGrade;
    QString SelectedClass;
    QString SelectedStudentId;
    QString ListQuery;
};

namespace Tavisk {

// The one state of this process, and back to its start values (tests).
RecordsState& state();
void resetState();

// The connection text of every data control of the program.
QString connectionText(const QString& databasePath, const QString& password);
// The profile beside the database.
QString settingsFilePathFor(const QString& databaseFolder);

// The profile. A failed write is lost silently, as a profile write always was.
void WriteIni(const QString& file, const QString& section, const QString& key, const QString& value);
QString ReadIni(const QString& file, const QString& section, const QString& key);

// The completion lists: the section's key letter and the key of entry n
// (J001 ... J999, J1000).
QChar listKeyLetter(const QString& section);
QString listKey(const QString& section, int number);
// The number of entries: the leading digits of Total, 0 when there are none.
int listTotal(const QString& file, const QString& section);
// Entries 1 to Total in order; a missing entry reads "". The file is read
// once, whatever the length of the list.
QStringList readList(const QString& file, const QString& section);
QStringList readList(const platform::Profile& profile, const QString& section);
// Adds a value as entry Total+1: Total, then the entry, the file written once.
// Nothing is written when the entry cannot be stored.
void growList(const QString& file, const QString& section, const QString& value);

// The five list sections of the editor.
inline const QStringList kListSections = {QStringLiteral("JiGuan"), QStringLiteral("MinZhu"),
                                          QStringLiteral("JZZhuWu"), QStringLiteral("MianMao"),
                                          QStringLiteral("ZhiWu")};
// Writes the default lists, section by section, Total before the entries;
// the file written once.
void writeDefaultProfile(const QString& file);

// The main window's keys.
inline const QString kWindowSection = QStringLiteral("Window");
inline const QString kToolKey = QStringLiteral("Tool");
inline const QString kStateKey = QStringLiteral("State");

} // namespace Tavisk
