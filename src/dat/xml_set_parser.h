// The streamed DAT parsers (XML and bracketed) and the set fields every form shares: inside the DAT module.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "dat/dat_sets.h"

namespace vesperine::dat {

// Takes merge, bios, region, offset and optional; other keys are ignored. Gives the message
// for a value that cannot be taken (an offset that is not hex).
[[nodiscard]] std::optional<std::string> TakeSetRomField(SetRom& rom, std::string_view key, std::string_view value);

// XML fed block by block; memory holds the sets and ROMs read, and expat's buffer of one block.
class XmlSetParser {
public:
    XmlSetParser();
    ~XmlSetParser();
    XmlSetParser(const XmlSetParser&) = delete;
    XmlSetParser& operator=(const XmlSetParser&) = delete;

    void Feed(std::string_view block);
    [[nodiscard]] DatSets Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The bracketed form fed block by block; memory holds the sets and ROMs read and one block.
class BracketSetParser {
public:
    BracketSetParser();
    ~BracketSetParser();
    BracketSetParser(const BracketSetParser&) = delete;
    BracketSetParser& operator=(const BracketSetParser&) = delete;

    void Feed(std::string_view block);
    [[nodiscard]] DatSets Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesperine::dat
