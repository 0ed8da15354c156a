// The copyright and licence lines that both programs print after their name and version.
#pragma once

namespace vesperine {

// As GNU programs word it, each line ending in a line break.
inline constexpr const char* kLicenceNotice =
    "Copyright (C) 2026 the Vesperine developers.\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace vesperine
