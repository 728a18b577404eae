#pragma once
// The engine's ordinary file layer with a switch: writes fail on demand, at
// once or after a number of bytes, as on a full disk; a read of one place fails. Registered under
// name() while it lives; as the default layer when asked, so that every
// file opened meanwhile goes through it.

#include <cstdint>

namespace testsupport {

class FailingVfs {
public:
    explicit FailingVfs(bool asDefault = true);
    ~FailingVfs();
    FailingVfs(const FailingVfs&) = delete;
    FailingVfs& operator=(const FailingVfs&) = delete;

    static const char* name() { return "failing"; }
    void failWrites(bool fail);
    // Writes succeed until this many more bytes were written, then fail.
    void failAfterBytes(std::int64_t bytes);
    // Database files opened from now on are opened for reading only, as the
    // engine opens a file it may not write.
    void openReadOnly(bool on);
    // No journal can be made beside a database file, as in a folder that may
    // not be written: the first write of a transaction is refused.
    void refuseJournals(bool on);
    // A read of a database file that takes in the byte at `offset` fails, as
    // on a bad sector; -1: none.
    void failReadAt(std::int64_t offset);
};

} // namespace testsupport
