// search: the same line as Go Attack! in the window, every hit with --all, every range with
// --any-length, and refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli/search_command.h"
#include "cli_outcome.h"
#include "support/dialog_harness.h"
#include "support/test_bytes.h"

namespace vesperine::cli {
namespace {

using vesperine::testing::DialogHarness;
using vesperine::testing::FakeFileSystem;
using vesperine::testing::HexBytes;

Outcome Search(FileSystem& files, const SearchOptions& options) {
    std::ostringstream out, err;
    const int status = RunSearch(options, files, {out, err});
    return {status, out.str(), err.str()};
}

using vesperine::testing::ZlibCrc;

std::string Hex(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

std::string Line(std::uint32_t crc, std::uint32_t address, std::uint32_t size) {
    char text[64];
    std::snprintf(text, sizeof text, "DetectCRC:%08X ADR:%08X SIZE:%08X\n", crc, address, size);
    return text;
}

SearchOptions Window(std::string file, std::string crc, std::string size, std::string step = "1") {
    SearchOptions options;
    options.file = std::move(file);
    options.crc = std::move(crc);
    options.size = std::move(size);
    options.step = std::move(step);
    return options;
}

SearchOptions AnyLength(std::string file, std::string crc) {
    SearchOptions options;
    options.file = std::move(file);
    options.crc = std::move(crc);
    options.anyLength = true;
    return options;
}

const char* kStripes[] = {"full", "odd", "even"};

TEST(SearchCommandTest, FindsWhatGoAttackFindsOnRandomInputs) {
    std::mt19937 random(5);
    for (int round = 0; round < 80; ++round) {
        Bytes base(1 + random() % 400);
        for (auto& b : base) b = static_cast<std::uint8_t>(random() % (round % 2 == 0 ? 2 : 256));
        const auto start = static_cast<std::uint32_t>(random() % base.size());
        const auto end = static_cast<std::uint32_t>(start + random() % (base.size() - start + 1));
        const int stripe = static_cast<int>(random() % 3);
        const std::uint32_t length = stripe == 0 ? end - start : (end - start) / 2;
        const auto size = static_cast<std::uint32_t>(random() % (length + 2));
        const auto step = static_cast<std::uint32_t>(1 + random() % 6);
        // A window of the extract (on the grid or not), or a CRC that is most likely absent.
        std::uint32_t target = static_cast<std::uint32_t>(random());
        if (round % 4 != 3 && size <= length) {
            Bytes extract;
            for (std::uint32_t i = 0; i < length; ++i) {
                extract.push_back(base[start + (stripe == 0 ? i : 2 * i + stripe - 1)]);
            }
            target = ZlibCrc(std::span(extract).subspan(random() % (length - size + 1), size));
        }

        DialogHarness window;
        window.LoadBase(base);
        window.TypeArea(Hex(start), Hex(end));
        window.ChooseStripe(stripe);
        window.host.messageAnswers.push_back(MessageAnswer::No);
        window.host.Type(ids::kSearchCrc, Hex(target));
        window.host.Type(ids::kSearchSize, Hex(size));
        window.host.Type(ids::kSearchStep, Hex(step));
        window.dialog.OnButtonClicked(ids::kAttackButton);
        ASSERT_EQ(window.host.messages.size(), 1u);
        const bool hit = window.host.messages[0].caption == "Detect!";

        SearchOptions options = Window("/roms/base.bin", Hex(target), Hex(size), Hex(step));
        options.dump.area = Hex(start) + ":" + Hex(end);
        options.dump.stripe = kStripes[stripe];
        const Outcome run = Search(window.files, options);
        EXPECT_EQ(run.status, hit ? kExitOk : kExitNo) << run.err;
        EXPECT_EQ(run.out, hit ? window.Text(ids::kMemo) + "\n" : std::string("CRC not found.\n")) << "round " << round;
    }
}

TEST(SearchCommandTest, AllListsEveryMatchingWindowAtItsAddress) {
    FakeFileSystem files;
    // "123456789" (CBF43926) at 2, 11 and 20 of the file; the area starts at 1.
    files.files["f"] = HexBytes(
        "00 00 31 32 33 34 35 36 37 38 39 31 32 33 34 35 36 37 38 39 "
        "31 32 33 34 35 36 37 38 39");
    SearchOptions options = Window("f", "CBF43926", "9");
    options.dump.area = "1:";
    options.all = true;
    Outcome run = Search(files, options);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, Line(0xCBF43926, 2, 9) + Line(0xCBF43926, 11, 9) + Line(0xCBF43926, 20, 9));
    options.all = false;
    EXPECT_EQ(Search(files, options).out, Line(0xCBF43926, 2, 9));
    options.step = "3";  // offsets 0, 3 ... of the area: 1 and 10 and 19 are off the grid
    EXPECT_EQ(Search(files, options).out, "CRC not found.\n");
    options.step = "0";
    options.dump.area = "2:";  // step 0 is taken when the window at 0 matches
    EXPECT_EQ(Search(files, options).out, Line(0xCBF43926, 2, 9));
}

TEST(SearchCommandTest, AnyLengthListsEveryRangeAsZlibFindsThem) {
    std::mt19937 random(8);
    for (int round = 0; round < 40; ++round) {
        Bytes base(1 + random() % 120);
        for (auto& b : base) b = static_cast<std::uint8_t>(random() % 3);
        const auto start = static_cast<std::uint32_t>(random() % base.size());
        const std::span<const std::uint8_t> area = std::span(base).subspan(start);
        const auto a = static_cast<std::uint32_t>(random() % area.size());
        const std::uint32_t target = ZlibCrc(area.subspan(a, 1 + random() % (area.size() - a)));
        std::string expected;  // by end, then start
        for (std::uint32_t e = 1; e <= area.size(); ++e) {
            for (std::uint32_t s = 0; s < e; ++s) {
                if (ZlibCrc(area.subspan(s, e - s)) == target) expected += Line(target, start + s, e - s);
            }
        }
        FakeFileSystem files;
        files.files["f"] = base;
        SearchOptions options = AnyLength("f", Hex(target));
        options.dump.area = Hex(start) + ":";
        const Outcome run = Search(files, options);
        EXPECT_EQ(run.status, kExitOk) << run.err;
        EXPECT_EQ(run.out, expected) << "round " << round;
    }
}

// The JSON is written hit by hit, laid out as nlohmann::json lays out the whole document, and a
// file name that is not UTF-8 gets U+FFFD.
TEST(SearchCommandTest, JsonIsStreamedAndSurvivesAnyFileName) {
    FakeFileSystem files;
    files.files["caf\xE9.bin"] = HexBytes("31 32 33 34 35 36 37 38 39 31 32 33 34 35 36 37 38 39");
    for (SearchOptions options : {Window("caf\xE9.bin", "CBF43926", "9"), AnyLength("caf\xE9.bin", "CBF43926"),
                                  AnyLength("caf\xE9.bin", "12345678")}) {
        options.all = options.json = true;
        const Outcome run = Search(files, options);
        const auto doc = nlohmann::json::parse(run.out);
        EXPECT_EQ(doc["path"], "caf\xEF\xBF\xBD.bin");
        EXPECT_EQ(doc["hits"].dump(), options.crc == "12345678" ? "[]"
                                                                : R"([{"address":"00000000","offset":0,"size":9},)"
                                                                  R"({"address":"00000009","offset":9,"size":9}])");
        EXPECT_EQ(run.out, doc.dump(2) + "\n");
    }
}

TEST(SearchCommandTest, RefusesWithStatusTwo) {
    FakeFileSystem files;
    files.files["f"] = HexBytes("31 32 33 34 35 36 37 38 39");
    files.files["empty"] = Bytes{};
    SearchOptions noMask = Window("f", "0", "1");
    noMask.dump.maskPath = "empty";
    SearchOptions outside = Window("f", "0", "1");
    outside.dump.area = "4:10";
    SearchOptions minAboveMax = AnyLength("f", "0");
    minAboveMax.minLength = "5";
    minAboveMax.maxLength = "4";
    SearchOptions stepZero = AnyLength("f", "0");
    stepZero.step = "0";
    SearchOptions sizeAnyLength = AnyLength("f", "0");
    sizeAnyLength.size = "4";
    SearchOptions minWindow = Window("f", "0", "1");
    minWindow.minLength = "1";
    SearchOptions tooLarge = AnyLength("f", "CBF43926");
    tooLarge.memoryLimit = 100;
    const struct {
        SearchOptions options;
        const char* message;
    } cases[] = {
        {Window("missing", "0", "1"), "vesperine-cli: missing: File not found.\n"},
        {Window("f", "", "1"), "vesperine-cli: give the target CRC-32 with --crc, e.g. --crc CBF43926\n"},
        {Window("f", "CBF4392G", "9"), "vesperine-cli: --crc CBF4392G: give 1 to 8 hexadecimal digits\n"},
        {Window("f", "CBF43926", "-9"), "vesperine-cli: --size -9: give 1 to 8 hexadecimal digits\n"},
        {Window("f", "CBF43926", "9", "1 "), "vesperine-cli: --step 1 : give 1 to 8 hexadecimal digits\n"},
        {Window("f", "CBF43926", ""),
         "vesperine-cli: give the window's size with --size, or search every length with --any-length\n"},
        {Window("f", "12345678", "4", "0"),
         "vesperine-cli: --step 0 examines the window at 0 again and again, and it does not match: give a step of 1 "
         "or more\n"},
        {noMask, "vesperine-cli: empty: MASK data is nothing.\n"},
        {outside, "vesperine-cli: f: Target area is outside the base file.\n"},
        {minAboveMax, "vesperine-cli: --min 5 is above --max 4\n"},
        {stepZero, "vesperine-cli: --step 0: give a step of 1 or more\n"},
        {sizeAnyLength, "vesperine-cli: --size does not go with --any-length; bound the length with --min and --max\n"},
        {minWindow, "vesperine-cli: --min and --max go with --any-length\n"},
        {tooLarge,
         "vesperine-cli: f: searching 9 bytes at every length needs 1 KiB of tables, more than the 0 KiB allowed "
         "(half the memory); narrow the area with --area or search every Nth offset with --step N\n"},
    };
    for (const auto& c : cases) {
        const Outcome run = Search(files, c.options);
        EXPECT_EQ(run.status, kExitError) << c.message;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
    const Outcome none = Search(files, AnyLength("f", "12345678"));
    EXPECT_EQ(none.status, kExitNo);
    EXPECT_EQ(none.out, "CRC not found.\n");
}

}  // namespace
}  // namespace vesperine::cli
