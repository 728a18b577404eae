// The reader of old Access files, run by the programs in a process of its own
// (see platform/db/reader_process.h): reads the file named by its last
// argument whole and writes its tables, fields and rows to descriptor 3.
// Whatever libmdb says on stderr reaches the program, which then refuses the
// file; so does anything this process leaves unfinished.

#include "platform/db/database.h"
#include "platform/db/foreign_database.h"
#include "platform/db/jet_file.h"
#include "platform/db/jet_transfer.h"

#include <QFile>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace platform::db;
    if (argc < 2)
        return 2;
    JetStreamWriter out(3);
    try {
        const auto db = openJetFileHere(QFile::decodeName(argv[argc - 1]));
        out.begin(db->kind());
        for (const QString& table : db->tableNames()) {
            out.table(table, db->fields(table));
            try {
                db->readRows(table, [&](const QVariantList& values) {
                    out.row(values);
                    return true;
                });
            } catch (const DbError& e) {
                if (e.kind() != DbError::NotADatabase)
                    throw;
                // A text outside the code page: the table is refused when read, the rest of the file stands.
                out.tableFailed(e.text());
            }
        }
        out.end();
    } catch (const DbError& e) {
        out.damaged(e.text());
    } catch (const std::exception& e) {
        out.damaged(QString::fromLocal8Bit(e.what()));
    }
    // _exit: what libmdb leaves allocated is the system's to take back, and a
    // leak checker in the sanitizer build would only say so on stderr.
    fflush(stdout);
    fflush(stderr);
    _exit(out.flush() ? 0 : 1);
}
