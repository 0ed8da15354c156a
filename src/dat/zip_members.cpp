// Zip archives read from memory: libzip over a buffer source that never frees the caller's bytes.
#include "dat/zip_members.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <new>
#include <vector>

namespace vesperine::dat {
namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct MemberCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

// libzip reads at most this much in one call, so a member is inflated in steps of it.
constexpr zip_uint64_t kReadStep = zip_uint64_t{1} << 20;

constexpr const char* kHint = "; unzip it and give its files themselves";

[[nodiscard]] std::string ErrorText(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

// 1234567 -> "1,234,567 bytes".
[[nodiscard]] std::string BytesText(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits + " bytes";
}

struct Wanted {
    zip_uint64_t index;
    std::string name;
    zip_uint64_t size;
};

// The wanted members with the sizes their directory entries give, or an error when one has no
// size or the sizes pass the limits: decided before a byte is inflated.
[[nodiscard]] std::string ListWanted(zip_t* archive, const std::function<bool(std::string_view)>& wanted,
                                     const ZipLimits& limits, std::vector<Wanted>& list) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        zip_stat_t stat;
        if (zip_stat_index(archive, index, 0, &stat) != 0 || (stat.valid & ZIP_STAT_NAME) == 0) continue;
        std::string name = stat.name;
        if (name.empty() || name.back() == '/' || !wanted(name)) continue;
        if ((stat.valid & ZIP_STAT_SIZE) == 0) return "zip: " + name + ": of unknown size";
        if (stat.size > limits.member) {
            return "zip: " + name + ": inflates to " + BytesText(stat.size) + ", more than the " +
                   BytesText(limits.member) + " a member may take" + kHint;
        }
        total += stat.size;
        if (total > limits.total) {
            return "zip: its members inflate to more than the " + BytesText(limits.total) + " an archive may take" +
                   kHint;
        }
        list.push_back({index, std::move(name), stat.size});
    }
    return "";
}

// Inflates one member into out, which holds exactly its directory size.
[[nodiscard]] std::string Inflate(zip_t* archive, const Wanted& member, std::span<std::uint8_t> out) {
    std::unique_ptr<zip_file_t, MemberCloser> file(zip_fopen_index(archive, member.index, 0));
    if (!file) return "zip: " + member.name + ": " + zip_strerror(archive);
    zip_uint64_t have = 0;
    zip_int64_t got = 0;
    while (have < out.size() &&
           (got = zip_fread(file.get(), out.data() + have, std::min<zip_uint64_t>(out.size() - have, kReadStep))) > 0) {
        have += static_cast<zip_uint64_t>(got);
    }
    // One more byte must find the end: a stream longer or shorter than its entry says, or one
    // whose CRC-32 fails there (libzip checks it at the end), is refused.
    std::uint8_t beyond = 0;
    if (got >= 0 && have == out.size() && zip_fread(file.get(), &beyond, 1) == 0) return "";
    const zip_error_t* fileError = zip_file_get_error(file.get());
    const int code = fileError != nullptr ? zip_error_code_zip(fileError) : ZIP_ER_OK;
    return "zip: " + member.name + ": " + (code != ZIP_ER_OK ? ErrorText(code) : "damaged member");
}

[[nodiscard]] Archive OpenArchive(std::span<const std::uint8_t> bytes, std::string& error) {
    zip_error_t failure;
    zip_error_init(&failure);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &failure);
    Archive archive(source != nullptr ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &failure) : nullptr);
    if (!archive) {
        if (source != nullptr) zip_source_free(source);
        error = std::string("zip: ") + zip_error_strerror(&failure);
    }
    zip_error_fini(&failure);
    return archive;
}

}  // namespace

bool LooksLikeZip(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 'P' && bytes[1] == 'K' &&
           ((bytes[2] == 3 && bytes[3] == 4) || (bytes[2] == 5 && bytes[3] == 6));
}

std::string ForEachZipMember(std::span<const std::uint8_t> bytes, const std::function<bool(std::string_view)>& wanted,
                             const ZipLimits& limits, const ZipVisit& visit) {
    std::string error;
    const Archive archive = OpenArchive(bytes, error);
    if (!archive) return error;
    std::vector<Wanted> list;
    error = ListWanted(archive.get(), wanted, limits, list);
    if (!error.empty()) return error;
    for (const Wanted& member : list) {
        // Not zeroed: every byte is written by the inflation or the member is refused.
        std::unique_ptr<std::uint8_t[]> buffer;
        try {
            buffer = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(member.size));
        } catch (const std::bad_alloc&) {
            return "zip: " + member.name + ": not enough memory to inflate its " + BytesText(member.size) +
                   "; close other programs or use a machine with more memory";
        }
        const std::span<std::uint8_t> out(buffer.get(), static_cast<std::size_t>(member.size));
        error = Inflate(archive.get(), member, out);
        if (!error.empty()) return error;
        if (!visit(member.name, out)) break;
    }
    return "";
}

bool IsZipName(std::string_view path) {
    if (path.size() < 4) return false;
    const std::string_view tail = path.substr(path.size() - 4);
    return std::equal(tail.begin(), tail.end(), ".zip",
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace vesperine::dat
