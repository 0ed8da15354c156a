// The physical memory, from the operating system.
#include "cli/memory_budget.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace vesperine::cli {
namespace {

[[nodiscard]] std::uint64_t PhysicalMemory() {
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) : 0;
#endif
}

}  // namespace

std::uint64_t TableMemoryBudget() {
    const std::uint64_t physical = PhysicalMemory();
    return (physical != 0 ? physical : std::uint64_t{4} << 30) / 2;
}

}  // namespace vesperine::cli
