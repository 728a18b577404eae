#include "common/settings_files.h"

#include "platform/text/gbk.h"
#include "platform/text/system_errors.h"
#include "platform/text/values.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <bit>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString g_programFolder;

// Byte offsets of the settings record.
constexpr int kRecordSize = 510;
constexpr int kCountsAt = 36;        // grade, class, subject counts: 3 Integers
constexpr int kReservedAt = 42;      // 88 bytes nobody reads
constexpr int kNameAt = 130;         // 40 Integers
constexpr int kNameLength = 40;
constexpr int kPasswordAt = 210;     // 8 Singles
constexpr int kPasswordLength = 8;
constexpr int kStudentCountAt = 242;
constexpr int kTeacherCountAt = 246;
constexpr int kReadableSize = 250;   // everything a reader interprets
constexpr int kNameSecondCodeRaise = 35;

void putInt16(QByteArray& b, int at, int16_t v) {
    qToLittleEndian<int16_t>(v, b.data() + at);
}
void putSingle(QByteArray& b, int at, float v) {
    qToLittleEndian<uint32_t>(std::bit_cast<uint32_t>(v), b.data() + at);
}
int16_t getInt16(const QByteArray& b, int at) {
    return qFromLittleEndian<int16_t>(b.constData() + at);
}
float getSingle(const QByteArray& b, int at) {
    return std::bit_cast<float>(qFromLittleEndian<uint32_t>(b.constData() + at));
}

// A value in [0, 100): the record's filler carries no meaning.
float filler() {
    return static_cast<float>(QRandomGenerator::global()->generateDouble() * 100.0);
}

// `where` names the text for the refusal; a password's character is not shown.
int16_t codeOf(const QString& ch, const QString& where, bool secret = false) {
    const auto code = platform::gbkCharCode(ch);
    if (!code) {
        const QList<uint> ucs4 = ch.toUcs4();
        throw platform::GbkError(platform::NonGbkCharacter{secret ? QString() : ch, ucs4.isEmpty() ? 0 : ucs4.front(), 1, {}},
                       where);
    }
    return *code;
}

// The text cut to `length` characters and padded with spaces to it.
QStringList paddedCharacters(const QString& text, int length) {
    QStringList chars = platform::characters(text).mid(0, length);
    while (chars.size() < length) chars << QStringLiteral(" ");
    return chars;
}

QByteArray passwordBytes(const QString& password) {
    QByteArray b(kPasswordLength * 4, '\0');
    const QStringList chars = paddedCharacters(password, kPasswordLength);
    for (int i = 0; i < kPasswordLength; ++i)
        putSingle(b, i * 4, static_cast<float>(codeOf(chars[i], QStringLiteral("密码"), true)));
    return b;
}

// Names and passwords are padded with spaces, so a code of 0 is never written: a
// zeroed record (a file cut short and refilled by the disk) is damaged, not blank.
QString characterOrDamaged(int code) {
    const auto ch = code == 0 ? std::nullopt : platform::characterFromGbkCode(code);
    if (!ch) throw platform::FileError(QStringLiteral("文件scro.dat已损坏"));
    return *ch;
}

// Writes `bytes` at `offset` of an existing record that holds every readable field.
// In place on purpose: the bytes are already on the disk, so a full disk
// cannot refuse them, and nothing else of the record is touched.
bool rewriteInPlace(const QString& folder, int offset, const QByteArray& bytes) {
    int error = 0;
    const int fd = platform::openPlainFile(settingsFilePath(folder), O_RDWR, error);
    if (fd < 0) return false;
    QFile f;
    if (!f.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    if (f.size() < kReadableSize) return false;
    if (!f.seek(offset)) return false;
    if (f.write(bytes) != bytes.size() || !f.flush()) return false;
    f.close();
    return f.error() == QFileDevice::NoError;
}

QString passwordOf(const QByteArray& record) {
    QString password;
    for (int i = 0; i < kPasswordLength; ++i) {
        const float v = getSingle(record, kPasswordAt + i * 4);
        if (!std::isfinite(v) || v < -32768.0f || v > 32767.0f)
            throw platform::FileError(QStringLiteral("文件scro.dat已损坏"));
        password += characterOrDamaged(static_cast<int>(platform::roundHalfEven(v)));
    }
    return platform::trimBlanks(password);
}

} // namespace

QString programFolder() {
    return g_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : g_programFolder;
}

void setProgramFolder(const QString& folder) { g_programFolder = folder; }

QString folderOf(const QString& path) {
    const qsizetype at = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return at < 0 ? QString() : path.left(at);
}

QString locatorFilePath() {
    return programFolder() + u'/' + QLatin1String(kLocatorFileName);
}

QString settingsFilePath(const QString& folder) {
    return folder + u'/' + QLatin1String(kSettingsFileName);
}

std::optional<QString> ReadDatabaseLocator() {
    const QString file = locatorFilePath();
    if (!QFile::exists(file)) return std::nullopt;
    const QString path = platform::trimBlanks(platform::readGbkFile(file));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> LocateDatabase() {
    std::optional<QString> located;
    try {
        located = ReadDatabaseLocator();
    } catch (const platform::MessageError&) {
        located.reset();   // an unreadable system.txt names no database we could open
    }
    if (!located || located->trimmed().isEmpty())
        return std::nullopt;
    QString path = *located;
    if (QFileInfo(path).isRelative())
        path = QDir(programFolder()).absoluteFilePath(path);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

void WriteDatabaseLocator(const QString& path) {
    const QByteArray bytes = platform::toGbk(path);  // a refused path leaves the old file alone
    platform::writeFileWhole(locatorFilePath(), bytes);
}

QString WriteSchoolSettings(const QString& folder, int16_t grades, int16_t classes, int16_t subjects,
                            const QString& schoolName, const QString& password) {
    QByteArray record(kRecordSize, '\0');
    for (int at = 0; at < kCountsAt; at += 4) putSingle(record, at, filler());
    putInt16(record, kCountsAt, grades);
    putInt16(record, kCountsAt + 2, classes);
    putInt16(record, kCountsAt + 4, subjects);
    // The reserved stretch stays zero.
    const QStringList name = paddedCharacters(schoolName, kNameLength);
    for (int i = 0; i < kNameLength; ++i) {
        int code = codeOf(name[i], QStringLiteral("学校名称“") + schoolName + QStringLiteral("”"));
        // The second code is stored raised; readers lower it again.
        if (i == 1) code += kNameSecondCodeRaise;
        putInt16(record, kNameAt + i * 2, static_cast<int16_t>(code));
    }
    record.replace(kPasswordAt, kPasswordLength * 4, passwordBytes(password));
    putSingle(record, kStudentCountAt, 0);
    putSingle(record, kTeacherCountAt, 0);
    for (int at = kReadableSize; at < kRecordSize; at += 4) putSingle(record, at, filler());

    // Whole or not at all: a failure leaves an older record as it was.
    platform::writeFileWhole(settingsFilePath(folder), record);

    return platform::trimBlanks(platform::characters(password).mid(0, kPasswordLength).join(QString()));
}

std::optional<SchoolSettings> ReadSchoolSettings(const QString& folder) {
    if (!QFile::exists(settingsFilePath(folder))) return std::nullopt;
    const QByteArray record = platform::readPlainFile(settingsFilePath(folder));
    if (record.size() < kReadableSize) throw platform::FileError(QStringLiteral("文件scro.dat已损坏"));

    SchoolSettings s;
    s.gradeCount = getInt16(record, kCountsAt);
    s.classCount = getInt16(record, kCountsAt + 2);
    s.subjectCount = getInt16(record, kCountsAt + 4);

    QString name;
    for (int i = 0; i < kNameLength; ++i) {
        int code = getInt16(record, kNameAt + i * 2);
        if (i == 1) code -= kNameSecondCodeRaise;
        name += characterOrDamaged(code);
    }
    s.schoolName = platform::trimBlanks(name);

    s.password = passwordOf(record);

    s.studentCount = getSingle(record, kStudentCountAt);
    s.teacherCount = getSingle(record, kTeacherCountAt);
    return s;
}

std::optional<QString> ReadAdministratorPassword(const QString& folder) {
    if (!QFile::exists(settingsFilePath(folder))) return std::nullopt;
    const QByteArray record = platform::readPlainFile(settingsFilePath(folder), kPasswordAt + kPasswordLength * 4);
    if (record.size() < kPasswordAt + kPasswordLength * 4) throw platform::FileError(QStringLiteral("文件scro.dat已损坏"));
    return passwordOf(record);
}

bool StoreAdministratorPassword(const QString& folder, const QString& password) {
    QByteArray bytes;
    try {
        bytes = passwordBytes(password);
    } catch (const platform::GbkError&) {
        return false;
    }
    return rewriteInPlace(folder, kPasswordAt, bytes);
}

bool StoreStudentCount(const QString& folder, float count) {
    QByteArray bytes(4, '\0');
    putSingle(bytes, 0, count);
    return rewriteInPlace(folder, kStudentCountAt, bytes);
}
