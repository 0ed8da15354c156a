// hash: size, CRC-32, MD5, SHA-1 and SHA-256 of files, or of dumps cut from them, in one read.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"
#include "dat/digests.h"

namespace vesperine::cli {

struct HashOptions {
    std::vector<std::string> files;
    DumpOptions dump;
    bool json = false;
};

// One line per file, "PATH: 3 bytes (0x00000003) CRC:352441C2 MD5:900150... SHA1:a9993e...
// SHA256:ba7816...", or with json {"files":[{"path","start","size","crc32","md5","sha1",
// "sha256"} or {"path","error"}]}. CRC-32 is written as the window and crc write it (upper
// case), the other digests in lower case as the digest tools write them. Every file is tried;
// the status is kExitError when any could not be used.
[[nodiscard]] int RunHash(const HashOptions& options, FileSystem& files, Streams streams);

// {"size","crc32","md5","sha1","sha256"}: the digests as every subcommand writes them in JSON.
[[nodiscard]] nlohmann::json DigestsJson(const dat::Digests& digests);

extern const Subcommand<HashOptions> kHashCommand;

}  // namespace vesperine::cli
