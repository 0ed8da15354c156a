// libFuzzer target: any bytes as a DAT (XML, bracketed or zipped) and as a dump to identify.
#include <cstddef>
#include <cstdint>
#include <span>

#include "dat/dat_reader.h"
#include "dat/identify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    vesperine::dat::DatParse parse = vesperine::dat::ReadDat(bytes);
    if (parse.error && !parse.roms.empty()) __builtin_trap();  // a refused DAT gives no ROMs
    if (parse.roms.empty()) {
        vesperine::dat::RomEntry rom;
        rom.name = "a";
        rom.size = size / 2;
        rom.crc = 0;
        parse.roms.push_back(rom);
    }
    // The input's own ROMs against its views: sizes and names from the input reach the index.
    const vesperine::dat::DatIndex index(std::move(parse.roms));
    (void)vesperine::dat::Identify(bytes, "a.bin", index, true);
    return 0;
}
