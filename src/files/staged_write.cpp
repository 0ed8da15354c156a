// One file through the write primitive: the system file systems' whole-file write.
#include "files/file_system.h"

namespace vesperine {

WriteStatus WriteStagedFile(FileSystem& files, const std::string& path, std::span<const std::uint8_t> bytes) {
    StagedOutput staged;
    WriteStatus status = files.StageOutput(path, bytes, staged);
    if (status == WriteStatus::IsFolder) return WriteStatus::CannotOpen;
    if (status != WriteStatus::Ok) return status;
    status = files.CommitOutput(staged);
    // A device is written at commit or not at all: there is no temporary of it to remove.
    if (status != WriteStatus::Ok && staged.device < 0) files.DiscardOutput(staged);
    return status;
}

}  // namespace vesperine
