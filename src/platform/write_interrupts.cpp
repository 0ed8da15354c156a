// The registry of temporaries and the handlers that remove them when the process is interrupted.
#include "platform/write_interrupts.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#ifdef _WIN32
#include "platform/windows_api.h"

#include "platform/console.h"
#else
#include <pthread.h>
#include <unistd.h>
#include <csignal>
#endif

namespace vesperine {
namespace {

// A slot goes Free -> Creating (claimed, its file being made) -> Live (the file exists and is
// ours) -> Free. A handler removes Live files and waits out Creating ones: the creating thread
// holds interruptions off meanwhile, so a handler that sees Creating runs on another thread,
// and the wait ends within one open().
enum SlotState : int { kFree = 0, kCreating = 1, kLive = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    NativeChar path[kTemporaryPathUnits];
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots without a lock");

Slot slots[kTemporarySlots];

#ifndef _WIN32
// The creating thread's mask before ClaimTemporarySlot, put back by PublishTemporarySlot.
thread_local sigset_t maskBeforeClaim;
#endif

std::size_t Length(const NativeChar* path) {
#ifdef _WIN32
    return std::wcslen(path);
#else
    return std::strlen(path);
#endif
}

bool SamePath(const NativeChar* a, const NativeChar* b) {
#ifdef _WIN32
    return std::wcscmp(a, b) == 0;
#else
    return std::strcmp(a, b) == 0;
#endif
}

// Async-signal-safe: atomics and unlink (DeleteFileW on Windows) only.
void RemoveLiveTemporaries() {
    for (Slot& slot : slots) {
        int state = slot.state.load();
        while (state == kCreating) state = slot.state.load();
        if (state != kLive) continue;
#ifdef _WIN32
        ::DeleteFileW(slot.path);
#else
        ::unlink(slot.path);
#endif
    }
}

#ifdef _WIN32

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        RemoveLiveTemporaries();
        RestoreConsole();
        // Ended here, as a signal's default action ends a POSIX process: leaving it to the default
        // handler would run the exit path on this thread while the main one is still working, and
        // Wine's default handler ends the process with status 0, which would read as success.
        ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    }
    return FALSE;
}

#else

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t InterruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kInterrupts) sigaddset(&set, signal);
    return set;
}

// SA_RESETHAND has put the default action back: the signal raised again, held until the
// handler returns, ends the process with the status a shell reports as 128 + its number.
void OnInterrupt(int signal) {
    const int saved = errno;
    RemoveLiveTemporaries();
    ::raise(signal);
    errno = saved;
}

#endif

}  // namespace

void InstallWriteInterruptHandlers() {
#ifdef _WIN32
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_mask = InterruptSet();
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kInterrupts) {
        // A signal ignored when the program started (nohup, a background job's SIGINT) stays ignored.
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

namespace detail {

int ClaimTemporarySlot(const NativeChar* path) {
#ifndef _WIN32
    const sigset_t interrupts = InterruptSet();
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &maskBeforeClaim);
#endif
    const std::size_t length = Length(path);
    if (length >= kTemporaryPathUnits) return -1;
    for (int k = 0; k < kTemporarySlots; ++k) {
        int expected = kFree;
        if (!slots[k].state.compare_exchange_strong(expected, kCreating)) continue;
        std::memcpy(slots[k].path, path, (length + 1) * sizeof(NativeChar));
        return k;
    }
    return -1;
}

void PublishTemporarySlot(int slot, bool created) {
    if (slot >= 0) slots[slot].state.store(created ? kLive : kFree);
#ifndef _WIN32
    ::pthread_sigmask(SIG_SETMASK, &maskBeforeClaim, nullptr);
#endif
}

}  // namespace detail

void ForgetTemporary(const NativeChar* path) {
    for (Slot& slot : slots) {
        if (slot.state.load() == kLive && SamePath(slot.path, path)) {
            slot.state.store(kFree);
            return;
        }
    }
}

void StopHereForTest(const char* point) {
#ifdef _WIN32
    // Windows cannot stop a process from outside as SIGSTOP does: the process says where it is
    // on standard error and waits (up to two minutes) for the test's Ctrl+C.
    char wanted[32] = {};
    const DWORD length = ::GetEnvironmentVariableA("VESPERINE_TEST_STOP_AT", wanted, sizeof wanted);
    if (length == 0 || length >= sizeof wanted || std::strcmp(wanted, point) != 0) return;
    const std::string line = std::string("stopped at ") + point + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    for (int tenth = 0; tenth < 1200; ++tenth) ::Sleep(100);
#else
    // Nothing in the program sets the environment, so reading it races with nothing.
    const char* wanted = std::getenv("VESPERINE_TEST_STOP_AT");  // NOLINT(concurrency-mt-unsafe)
    if (wanted != nullptr && std::strcmp(wanted, point) == 0) ::raise(SIGSTOP);
#endif
}

}  // namespace vesperine
