#pragma once
// The pieces of the Access reader that need no file: the header of the first
// page and the decoding of stored texts.

#include <QByteArray>
#include <QString>
#include <memory>

namespace platform::db {

class ForeignDatabase;

struct JetHeader {
    int version = 0;        // 0 for Jet 3, 1 for Jet 4
    int codePage = 0;       // as the header holds it (0 when it holds none)
    int sortOrder = 0;      // the text sort order, a language id
    bool hasPassword = false;
};

// The first page of an Access file (its first 0x98 bytes at least).
// NotADatabase when it is not one.
JetHeader readJetHeader(const QByteArray& firstPage);

// The code page a Jet 3 file's texts are in: the header's code page, else the
// one its sort order implies, else GBK (936), the school's own.
int jet3CodePage(const JetHeader& header);

// Texts as stored: Jet 3 in a code page, Jet 4 as UCS-2, plain or in its
// compressed form. Bytes that name no character throw platform::GbkError.
QString decodeJet3Text(const QByteArray& bytes, int codePage);
QString decodeJet4Text(const QByteArray& bytes);

// Table names compare without ASCII letter case.
bool jetNamesEqual(const QString& a, const QString& b);

// The checks made before libmdb is let near a file: NotFound, Io, NotADatabase
// (not an Access file, a version it cannot read, or not a whole number of
// pages), WrongPassword.
JetHeader checkJetFile(const QString& path);

// The Access reader in this process, opening the file in place for reading
// only. libmdb can loop or grow without bound on a damaged file: only the
// reader process calls this; the program goes through ForeignDatabase::open.
// A row or page found damaged throws Damaged; a catalog without the engine's
// own tables, or a text not in the file's code page, NotADatabase.
std::unique_ptr<ForeignDatabase> openJetFileHere(const QString& path);

} // namespace platform::db
