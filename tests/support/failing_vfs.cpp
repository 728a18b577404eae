#include "support/failing_vfs.h"

#include <sqlite3.h>

namespace testsupport {

namespace {

struct FailingFile {
    sqlite3_file base;
    sqlite3_file* real;
    bool database;
};

std::int64_t g_budget = -1;   // bytes still allowed; -1 unlimited
std::int64_t g_badByte = -1;  // of a database file; -1 none
bool g_readOnly = false;
bool g_refuseJournals = false;
sqlite3_vfs* g_realVfs = nullptr;
sqlite3_vfs g_vfs;
sqlite3_io_methods g_methods;

sqlite3_file* realOf(sqlite3_file* f) { return reinterpret_cast<FailingFile*>(f)->real; }

int failingWrite(sqlite3_file* f, const void* data, int n, sqlite3_int64 at) {
    if (g_budget >= 0) {
        if (g_budget < n)
            return SQLITE_FULL;
        g_budget -= n;
    }
    return realOf(f)->pMethods->xWrite(realOf(f), data, n, at);
}

int failingRead(sqlite3_file* f, void* data, int n, sqlite3_int64 at) {
    if (reinterpret_cast<FailingFile*>(f)->database && g_badByte >= at && g_badByte < at + n)
        return SQLITE_IOERR_READ;
    return realOf(f)->pMethods->xRead(realOf(f), data, n, at);
}

int failingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* ff = reinterpret_cast<FailingFile*>(f);
    ff->base.pMethods = nullptr;
    ff->database = flags & SQLITE_OPEN_MAIN_DB;
    if (g_refuseJournals && (flags & SQLITE_OPEN_MAIN_JOURNAL))
        return SQLITE_READONLY_DIRECTORY;     // what the engine's own layer says then
    if (g_readOnly && (flags & SQLITE_OPEN_MAIN_DB))
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
    ff->real = static_cast<sqlite3_file*>(sqlite3_malloc(g_realVfs->szOsFile));
    const int rc = g_realVfs->xOpen(g_realVfs, name, ff->real, flags, outFlags);
    if (rc != SQLITE_OK || !ff->real->pMethods) {
        sqlite3_free(ff->real);
        return rc;
    }
    static bool made = false;
    if (!made) {
        g_methods = *ff->real->pMethods;
        g_methods.iVersion = 1;         // no shared memory or memory mapping
        g_methods.xClose = [](sqlite3_file* f) {
            sqlite3_file* real = realOf(f);
            const int rc = real->pMethods->xClose(real);
            sqlite3_free(real);
            return rc;
        };
        g_methods.xRead = failingRead;
        g_methods.xWrite = failingWrite;
        g_methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) { return realOf(f)->pMethods->xTruncate(realOf(f), n); };
        g_methods.xSync = [](sqlite3_file* f, int fl) { return realOf(f)->pMethods->xSync(realOf(f), fl); };
        g_methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* n) { return realOf(f)->pMethods->xFileSize(realOf(f), n); };
        g_methods.xLock = [](sqlite3_file* f, int l) { return realOf(f)->pMethods->xLock(realOf(f), l); };
        g_methods.xUnlock = [](sqlite3_file* f, int l) { return realOf(f)->pMethods->xUnlock(realOf(f), l); };
        g_methods.xCheckReservedLock = [](sqlite3_file* f, int* o) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), o); };
        g_methods.xFileControl = [](sqlite3_file* f, int op, void* a) { return realOf(f)->pMethods->xFileControl(realOf(f), op, a); };
        g_methods.xSectorSize = [](sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); };
        g_methods.xDeviceCharacteristics = [](sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); };
        made = true;
    }
    ff->base.pMethods = &g_methods;
    return SQLITE_OK;
}

} // namespace

FailingVfs::FailingVfs(bool asDefault) {
    g_realVfs = sqlite3_vfs_find(nullptr);
    g_vfs = *g_realVfs;
    g_vfs.zName = name();
    g_vfs.szOsFile = int(sizeof(FailingFile));
    g_vfs.xOpen = failingOpen;
    g_budget = g_badByte = -1;
    g_readOnly = g_refuseJournals = false;
    sqlite3_vfs_register(&g_vfs, asDefault ? 1 : 0);
}

FailingVfs::~FailingVfs() {
    g_budget = g_badByte = -1;
    g_readOnly = g_refuseJournals = false;
    sqlite3_vfs_unregister(&g_vfs);
    sqlite3_vfs_register(g_realVfs, 1);
}

void FailingVfs::failWrites(bool fail) { g_budget = fail ? 0 : -1; }
void FailingVfs::failAfterBytes(std::int64_t bytes) { g_budget = bytes; }
void FailingVfs::openReadOnly(bool on) { g_readOnly = on; }
void FailingVfs::refuseJournals(bool on) { g_refuseJournals = on; }
void FailingVfs::failReadAt(std::int64_t offset) { g_badByte = offset; }

} // namespace testsupport
