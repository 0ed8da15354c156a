// The temporaries of the writes under way, removed when the process is interrupted.
#pragma once

#include <filesystem>

namespace vesperine {

// Makes SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break, closing the console) remove
// every registered temporary and end the process as the signal would have (status 128 + the
// signal's number in a POSIX shell, STATUS_CONTROL_C_EXIT on Windows). SIGXFSZ is ignored, so
// that a write past the file-size limit fails as a full disk does instead of ending the process
// with the temporary left. For programs; a library leaves signals to its host.
void InstallWriteInterruptHandlers();

// The registry the handlers read: a fixed table, so that a handler needs no allocation, no
// lock and no call that is not async-signal-safe. A path longer than a slot, or a temporary
// beyond the table's slots, is written unregistered: an interruption then leaves it behind
// and the next write of its target names it.
using NativeChar = std::filesystem::path::value_type;
inline constexpr int kTemporarySlots = 64;
inline constexpr int kTemporaryPathUnits = 4096;

// Creates a temporary through create (which returns whether it made the file, and must not
// wait) so that an interruption finds it registered from the moment it exists, and never
// finds registered a file that another writer made.
template <typename Create>
bool CreateRegisteredTemporary(const NativeChar* path, Create&& create);

// Drops path from the registry, once it is renamed into place or removed.
void ForgetTemporary(const NativeChar* path);

// For the test that interrupts the real program at fixed points of a write: when the
// environment variable VESPERINE_TEST_STOP_AT names point ("created", "staged", "renamed"),
// the process stops itself there (SIGSTOP) for the test to signal it; on Windows it writes
// "stopped at POINT" to standard error and waits for the test's Ctrl+C. Nothing elsewhere.
void StopHereForTest(const char* point);

namespace detail {
// The slot claimed for path, with interruptions held off until Publish; -1 when none is free.
int ClaimTemporarySlot(const NativeChar* path);
// Marks the slot's file as existing (created) or frees it, and lets interruptions in again.
void PublishTemporarySlot(int slot, bool created);
}  // namespace detail

template <typename Create>
bool CreateRegisteredTemporary(const NativeChar* path, Create&& create) {
    const int slot = detail::ClaimTemporarySlot(path);
    const bool created = create();
    detail::PublishTemporarySlot(slot, created);
    return created;
}

}  // namespace vesperine
