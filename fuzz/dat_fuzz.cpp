// libFuzzer target: any bytes as a DAT (XML, bracketed or zipped), whole and streamed in blocks, and as a dump to
// identify.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "dat/dat_reader.h"
#include "dat/dat_sets.h"
#include "dat/identify.h"
#include "dat/xml_set_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    vesperine::dat::DatParse parse = vesperine::dat::ReadDat(bytes);
    if (parse.error && !parse.roms.empty()) __builtin_trap();  // a refused DAT gives no ROMs
    // Streamed in blocks of a length the input chooses, the DAT reads as it does whole.
    const vesperine::dat::DatSets whole = vesperine::dat::ReadDatSets(bytes);
    vesperine::dat::DatSetReader reader;
    const std::size_t block = size == 0 ? 1 : 1 + data[size - 1] % 97;
    for (std::size_t at = 0; at < size; at += block) reader.Feed(bytes.subspan(at, std::min(block, size - at)));
    const vesperine::dat::DatSets streamed = reader.Finish();
    if (streamed.roms != whole.roms || streamed.sets != whole.sets) __builtin_trap();
    if (streamed.error.has_value() != whole.error.has_value()) __builtin_trap();
    if (whole.error &&
        vesperine::dat::DescribeDatError(*streamed.error) != vesperine::dat::DescribeDatError(*whole.error))
        __builtin_trap();
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
