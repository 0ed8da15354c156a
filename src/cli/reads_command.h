// reads: several reads of one chip compared, their consensus written, and the CRC-guided mend.
#pragma once

#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/dump_options.h"
#include "files/file_system.h"

namespace vesperine::cli {

struct ReadsOptions {
    std::vector<std::string> files;  // two reads or more
    unsigned width = 1;              // 1, or 2 for a 16-bit chip read low byte first
    DumpOptions dump;                // --area and --stripe, cut from every read alike
    std::string outPath;             // empty: write nothing
    std::string crc;                 // the expected CRC-32 as typed; empty: no mend
    bool json = false;
};

// Compares the reads bit by bit and says where and how they disagree (the unstable bits by data
// line, address line, block and direction, an outlier read, the ties), lists the first unstable
// bits with each read's value, and gives the consensus's CRC-32. With crc, solves for the
// assignments of the unstable bits that give it (see reads/crc_mend.h). outPath receives the
// consensus, or with crc the one mended image once its CRC-32 is checked; nothing when there
// is none or several. With json one document {"reads","length","width","unstableBits",
// "unstableWords","ties","byDataLine","addressOnes","oneToZero","zeroToOne","alone","findings",
// "unstable","consensusCrc32","mend","written"}; each finding {"kind","text","group","bits"},
// the groups accounting for every unstable bit once (reads/read_findings.h).
// Status without crc: kExitOk when the reads agree, kExitNo when they differ. With crc: kExitOk
// for exactly one assignment, kExitNo for none, several, or too many unstable bits to mend.
// kExitError, with nothing written, for fewer than two reads, two reads that are one file (by
// identity: a hard or symbolic link, another spelling), reads of unequal lengths, an odd
// length with width 2, a file that cannot be read, an output that is one of the reads (the
// same file by identity, whatever the spelling), a malformed CRC or area, or a failed write.
[[nodiscard]] int RunReads(const ReadsOptions& options, FileSystem& files, Streams streams);

extern const Subcommand<ReadsOptions> kReadsCommand;

}  // namespace vesperine::cli
