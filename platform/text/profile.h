#pragma once
// A settings profile: "[section]" lines and "key=value" lines in a GBK file,
// read and written the way the old desktop's profile functions did it.
// Section and key names match without regard to ASCII case, the first of a
// repeated section or key wins, and a missing file, section or key reads "".
// The file is worked on line by line as bytes: only the value asked for is
// decoded, so a line saved in another encoding harms nothing else.

#include <QString>
#include <memory>
#include <optional>

namespace platform {

// Longest value that comes back, in bytes (a double-byte character is never split).
inline constexpr int kProfileValueBytes = 127;

// The value with the spaces around it and one pair of enclosing quotes removed,
// cut to kProfileValueBytes; "" when the file, section or key is missing or the
// value is not GBK.
QString readProfileString(const QString& file, const QString& section, const QString& key);

// Stores `value` under `key` in `section`: a key present is rewritten in place,
// a new key goes after the last line of its section, a new section at the end of
// the file; every other line stays byte for byte. The file is replaced whole
// (written beside it, then renamed), CR LF, no byte-order mark. False, and the
// file unchanged, when it cannot be read or written or GBK cannot hold a name or
// the value (or the value holds a line break).
bool writeProfileString(const QString& file, const QString& section, const QString& key,
                        const QString& value);

// A whole profile read once and looked up through an index, for callers that
// read or change many keys: each value and each change is exactly what the
// functions above would give one call at a time, and save() writes the file
// once. A profile of 20,000 keys would otherwise be read 20,000 times.
class Profile {
public:
    // A missing file is an empty profile.
    explicit Profile(const QString& file);
    ~Profile();
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    // As readProfileString.
    QString value(const QString& section, const QString& key) const;
    // As writeProfileString, in memory: false, and nothing changed, when the
    // file could not be read or the names or the value cannot be stored.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // The file replaced whole; false, and the file unchanged, when it cannot be.
    bool save();

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

} // namespace platform
