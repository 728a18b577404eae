#include "records/core/Tavisk.h"

#include "platform/text/profile.h"
#include "platform/text/values.h"

#include <algorithm>

namespace {

RecordsState& theState() {
    static RecordsState s;
    return s;
}

} // namespace

int RegionList::find(const QString& id) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].id == id)
            return int(i) + 1;
    return 0;
}

QString fittedRegionId(const QString& id) { return id.leftJustified(3, QLatin1Char(' '), true); }

namespace Tavisk {

RecordsState& state() { return theState(); }
void resetState() { theState() = RecordsState{}; }

QString connectionText(const QString& databasePath, const QString& password) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + databasePath +
           QStringLiteral(";Persist Security Info=False;Jet OLEDB:Database Password=") + password;
}

QString settingsFilePathFor(const QString& databaseFolder) {
    return databaseFolder + QStringLiteral("/参数设置.ini");
}

void WriteIni(const QString& file, const QString& section, const QString& key, const QString& value) {
    // The value goes through a buffer of 128 characters with its terminator.
    platform::writeProfileString(file, section, key, value.left(127));
}

QString ReadIni(const QString& file, const QString& section, const QString& key) {
    return platform::trimBlanks(platform::readProfileString(file, section, key));
}

QChar listKeyLetter(const QString& section) {
    return section.compare(QLatin1String("JiGuan"), Qt::CaseInsensitive) == 0 ? QLatin1Char('J')
                                                                              : QLatin1Char('M');
}

QString listKey(const QString& section, int number) {
    return listKeyLetter(section) + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

namespace {

// The value as ReadIni gives it; the 127-character buffer of WriteIni.
QString iniValue(const platform::Profile& profile, const QString& section, const QString& key) {
    return platform::trimBlanks(profile.value(section, key));
}

bool setIniValue(platform::Profile& profile, const QString& section, const QString& key, const QString& value) {
    return profile.setValue(section, key, value.left(127));
}

int totalOf(const platform::Profile& profile, const QString& section) {
    const QString text = iniValue(profile, section, QStringLiteral("Total"));
    int digits = 0;
    while (digits < text.size() && text[digits].isDigit() && text[digits].unicode() < 128)
        ++digits;
    // Total is a 16-bit number.
    bool ok = false;
    const int n = text.left(digits).toInt(&ok);
    return ok ? std::min(n, 32767) : 0;
}

} // namespace

int listTotal(const QString& file, const QString& section) { return totalOf(platform::Profile(file), section); }

QStringList readList(const platform::Profile& profile, const QString& section) {
    QStringList out;
    const int n = totalOf(profile, section);
    out.reserve(n);
    for (int i = 1; i <= n; ++i)
        out << iniValue(profile, section, listKey(section, i));
    return out;
}

QStringList readList(const QString& file, const QString& section) { return readList(platform::Profile(file), section); }

void growList(const QString& file, const QString& section, const QString& value) {
    platform::Profile profile(file);
    const int n = totalOf(profile, section) + 1;
    // Total before the entry, as the file always had them; written once, and
    // not at all when the entry cannot be stored (a Total counting an entry
    // that is not there would show a blank item).
    if (setIniValue(profile, section, QStringLiteral("Total"), QString::number(n)) &&
        setIniValue(profile, section, listKey(section, n), value))
        profile.save();
}

void writeDefaultProfile(const QString& file) {
    const std::vector<std::pair<QString, QStringList>> defaults = {
        {QStringLiteral("JiGuan"), {QStringLiteral("未知")}},
        {QStringLiteral("MinZhu"), {QStringLiteral("汉")}},
        {QStringLiteral("JZZhuWu"), {QStringLiteral("职员")}},
        // The fourth entry repeats the third, as the lists were always shipped.
        {QStringLiteral("MianMao"),
         {QStringLiteral("无"), QStringLiteral("共青团员"), QStringLiteral("少先队员"),
          QStringLiteral("少先队员"), QStringLiteral("共产党员")}},
        {QStringLiteral("ZhiWu"),
         {QStringLiteral("组长"), QStringLiteral("班长"), QStringLiteral("副班长"), QStringLiteral("支部书记"),
          QStringLiteral("学习委员"), QStringLiteral("劳动委员"), QStringLiteral("体育委员"),
          QStringLiteral("生活委员")}},
    };
    platform::Profile profile(file);
    for (const auto& [section, entries] : defaults) {
        setIniValue(profile, section, QStringLiteral("Total"), QString::number(entries.size()));
        for (int i = 0; i < entries.size(); ++i)
            setIniValue(profile, section, listKey(section, i + 1), entries[i]);
    }
    profile.save();
}

} // namespace Tavisk
