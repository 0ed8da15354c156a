// The file system of the system the program runs on, for the programs and the file tests.
#pragma once

#ifdef _WIN32
#include "platform/win_file_system.h"
#else
#include "platform/std_file_system.h"
#endif

namespace vesperine {

#ifdef _WIN32
using NativeFileSystem = WinFileSystem;
#else
using NativeFileSystem = StdFileSystem;
#endif

}  // namespace vesperine
