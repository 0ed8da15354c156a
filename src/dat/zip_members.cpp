// Zip archives read from memory: libzip over a buffer source that never frees the caller's bytes.
#include "dat/zip_members.h"

#include <zip.h>

#include <algorithm>
#include <memory>

#include "dat/rom_entry.h"

namespace vesperine::dat {
namespace {

constexpr zip_uint64_t kFirstReserve = zip_uint64_t{16} << 20;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct MemberCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

[[nodiscard]] std::string ErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

}  // namespace

bool LooksLikeZip(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

ZipRead ReadZipMembers(std::span<const std::uint8_t> bytes, const std::function<bool(std::string_view name)>& wanted) {
    ZipRead result;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        result.error = std::string("zip: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        return result;
    }
    std::unique_ptr<zip_t, ArchiveCloser> archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        result.error = std::string("zip: ") + zip_error_strerror(&error);
        zip_error_fini(&error);
        return result;
    }
    zip_error_fini(&error);

    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0) continue;
        const std::string name = stat.name;
        if (name.empty() || name.back() == '/' || !wanted(name)) continue;
        if ((stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > kMaxRomSize) {
            result.error = "zip: " + name + ": 2 GiB or more, or of unknown size";
            return result;
        }
        std::unique_ptr<zip_file_t, MemberCloser> file(zip_fopen_index(archive.get(), index, 0));
        if (!file) {
            result.error = "zip: " + name + ": " + zip_strerror(archive.get());
            return result;
        }
        // The buffer grows with what really comes out: a header may promise any size, and a
        // damaged or hostile archive should not make the reader take that much memory first.
        ZipMember member{name, {}};
        member.bytes.reserve(static_cast<std::size_t>(std::min<zip_uint64_t>(stat.size, kFirstReserve)));
        std::uint8_t piece[64 * 1024];
        zip_int64_t got = 0;
        while (member.bytes.size() <= stat.size && (got = zip_fread(file.get(), piece, sizeof piece)) > 0) {
            member.bytes.insert(member.bytes.end(), piece, piece + got);
        }
        // A stream longer or shorter than its header says, or one whose CRC-32 fails at its end,
        // is refused.
        if (got < 0 || member.bytes.size() != stat.size) {
            const zip_error_t* fileError = zip_file_get_error(file.get());
            const int code = fileError != nullptr ? zip_error_code_zip(fileError) : ZIP_ER_OK;
            result.error = "zip: " + name + ": " + (code != ZIP_ER_OK ? ErrorText(code) : "damaged member");
            return result;
        }
        result.members.push_back(std::move(member));
    }
    return result;
}

}  // namespace vesperine::dat
