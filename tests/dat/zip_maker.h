// Zip archives made in memory for the tests, with libzip.
#pragma once

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesperine::dat::testing {

// A zip holding the members (name, content) in order, deflated; empty when libzip refuses a name.
inline std::vector<std::uint8_t> MakeZip(const std::vector<std::pair<std::string, std::string>>& members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
    for (const auto& [name, content] : members) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        // Names that are not UTF-8 are stored as they are, read back as code page 437 (libzip's guess).
        zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
    }
    zip_close(archive);
    std::vector<std::uint8_t> bytes;
    zip_source_open(target);
    zip_source_seek(target, 0, SEEK_END);
    bytes.resize(static_cast<std::size_t>(std::max<zip_int64_t>(zip_source_tell(target), 0)));
    zip_source_seek(target, 0, SEEK_SET);
    zip_source_read(target, bytes.data(), bytes.size());
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&error);
    return bytes;
}

}  // namespace vesperine::dat::testing
