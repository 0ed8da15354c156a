// Bad files end to end: the dialog on the fake host with the real file system, so each fault
// goes through the C library and comes back as what the user sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/main_dialog.h"
#include "panes/pane_text.h"
#include "platform/native_file_system.h"
#include "support/dialog_harness.h"
#include "support/fake_host.h"
#include "support/posix_only.h"
#include "support/scratch_dir.h"

namespace vesperine {
namespace {

namespace fs = std::filesystem;
using testing::FakeHost;
using testing::HexBytes;
using testing::HexString;

class FileFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { dialog_.OnInitDialog(); }

    std::string Path(const std::string& name) const { return scratch_.Path(name); }
    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        return scratch_.Write(name, bytes);
    }
    static std::string ReadFile(const std::string& path) { return testing::ScratchDir::Read(path); }
    void Load(const std::string& path, bool base = true) {
        host_.openAnswers.push_back(path);
        if (base) {
            dialog_.LoadBaseFile();
        } else {
            dialog_.LoadMaskFile();
        }
    }
    void Save(const std::string& path) {
        host_.saveAnswers.push_back(path);
        dialog_.SaveDumpFile();
    }
    // Loads a small base file, so a refused load has something to keep.
    void LoadGoodBase() {
        Load(WriteFile("good.bin", "\x10\x20\x30"));
        ASSERT_TRUE(host_.messages.empty());
    }
    // What the user sees of the loaded base: it must not change when a load is refused.
    [[nodiscard]] std::string BaseState() const {
        return HexString(dialog_.workspace().Base()) + "|" + host_.ControlText(ids::kBasePath) + "|" +
               host_.ControlText(ids::kAreaStart) + "|" + host_.ControlText(ids::kAreaEnd) + "|" +
               host_.ControlText(ids::kBaseHex);
    }
    void ExpectOneMessage(const std::string& text, const std::optional<std::string>& caption) {
        ASSERT_EQ(host_.messages.size(), 1u) << text;
        EXPECT_EQ(host_.messages[0].text, text);
        EXPECT_EQ(host_.messages[0].caption, caption);
        host_.messages.clear();
    }

    testing::ScratchDir scratch_{"vesperine-faults-"};
    const fs::path& dir_ = scratch_.path();
    FakeHost host_;
    NativeFileSystem files_;
    MainDialog dialog_{host_, files_};
};

TEST_F(FileFaultsTest, FilesThatCannotBeReadAreRefusedAndThePreviousBaseStays) {
    VESPERINE_POSIX_ONLY("symbolic links, fifos, /dev/zero and /proc");
    LoadGoodBase();
    const std::string kept = BaseState();
    fs::create_symlink(PathFromUtf8(Path("gone.bin")), PathFromUtf8(Path("dangling.bin")));
    ASSERT_TRUE(testing::MakeFifo(Path("pipe")));
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {Path("missing.bin"), "File not found."},
        {Path("dangling.bin"), "File not found."},
        {Path("good.bin") + "/inside.bin", "File not found."},  // a file taken for a folder
        {Utf8FromPath(dir_), "File not found."},
        {Path("pipe"), "File size unknown: only regular files can be loaded."},
        {"/dev/zero", "File size unknown: only regular files can be loaded."},
        {"/proc/self/status", "File size unknown: only regular files can be loaded."},
    };
    for (const auto& c : cases) {
        Load(c.path);
        ExpectOneMessage(c.message, c.path);
        EXPECT_EQ(BaseState(), kept) << c.path;
        Load(c.path, false);
        ExpectOneMessage(c.message, c.path);
        EXPECT_EQ(dialog_.workspace().maskLength(), 0u) << c.path;
    }
}

TEST_F(FileFaultsTest, PermissionBitsRefuseAFileUnlessRootReadsItAnyway) {
    VESPERINE_POSIX_ONLY("permission bits");
    LoadGoodBase();
    const std::string kept = BaseState();
    const std::string secret = WriteFile("secret.bin", "\x77");
    fs::permissions(secret, fs::perms::none);
    Load(secret);
    if (testing::RunningAsRoot()) {
        EXPECT_TRUE(host_.messages.empty());
        EXPECT_EQ(HexString(dialog_.workspace().Base()), "77");
    } else {
        ExpectOneMessage("File not found.", secret);
        EXPECT_EQ(BaseState(), kept);
    }
}

TEST_F(FileFaultsTest, AnEmptyFileIsAnEmptyBaseThroughEveryCommand) {
    Load(WriteFile("empty.bin", ""));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(host_.ControlText(ids::kAreaEnd), "00000000");
    ASSERT_EQ(host_.ControlText(ids::kBaseHex).size(), kHexTextLength);
    EXPECT_EQ(host_.ControlText(ids::kBaseHex).substr(0, 14), "00000000 -- --");
    dialog_.Analyze();
    EXPECT_EQ(host_.ControlText(ids::kDumpSize), "0 bytes (0x00000000)");
    EXPECT_EQ(host_.ControlText(ids::kDumpCrc), "00000000");
    dialog_.SwapHalves();
    dialog_.EndianConvert();
    Save(Path("out.bin"));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_TRUE(fs::exists(PathFromUtf8(Path("out.bin"))));
    EXPECT_EQ(fs::file_size(PathFromUtf8(Path("out.bin"))), 0u);

    // An empty mask counts as no mask.
    Load(Path("empty.bin"), false);
    host_.CheckRadio(ids::kMaskNothing, ids::kMaskReplace, 1);
    dialog_.Analyze();
    ExpectOneMessage("MASK data is nothing.", std::nullopt);
}

// Files whose length promises more bytes than a read gives, as a file cut short between the
// seek to its end and the read does. Attribute files under /sys claim a page and hold a line.
TEST_F(FileFaultsTest, AShortReadIsRefusedAndThePreviousFileStays) {
    const std::string attribute = "/sys/kernel/address_bits";
    std::error_code error;
    if (!fs::is_regular_file(attribute, error) || fs::file_size(attribute, error) <= ReadFile(attribute).size()) {
        GTEST_SKIP() << "no attribute file that claims more than it holds";
    }
    LoadGoodBase();
    const std::string kept = BaseState();
    Load(attribute);
    ExpectOneMessage("Read error.", attribute);
    EXPECT_EQ(BaseState(), kept);
}

TEST(FileFaultsFake, AShortReadOfTheMaskKeepsTheMaskInUse) {
    testing::DialogHarness h;
    h.LoadBase(HexBytes("00 01 02 03"));
    h.LoadMask(HexBytes("F0"), "/roms/first-mask.bin");
    h.files.readFailures["/roms/cut.bin"] = ReadStatus::ShortRead;
    h.host.openAnswers.push_back("/roms/cut.bin");
    h.dialog.LoadMaskFile();
    ASSERT_EQ(h.host.MessageTexts(), std::vector<std::string>{"Read error."});
    h.ChooseMask(1);
    h.dialog.Analyze();
    EXPECT_EQ(h.HeldDump(), "F0 F1 F2 F3");
    EXPECT_EQ(h.Text(ids::kMaskPath), "/roms/first-mask.bin");
}

TEST_F(FileFaultsTest, AFullDiskShowsWriteErrorAndKeepsTheOldFile) {
    VESPERINE_POSIX_ONLY("/dev/full and a file-size limit (RLIMIT_FSIZE)");
    Load(WriteFile("big.bin", std::string(1 << 20, '\xEE')));
    dialog_.Analyze();
    ASSERT_EQ(dialog_.workspace().dumpLength(), 1u << 20);

    Save("/dev/full");
    ExpectOneMessage("Write error.", "/dev/full");

    // A file-size limit fails writes past 64 KiB with EFBIG, as a disk filling up does.
    const std::string old = WriteFile("keep.bin", "precious old contents");
    {
        const testing::FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active());
        Save(old);
    }
    ExpectOneMessage("Write error.", old);
    EXPECT_EQ(ReadFile(old), "precious old contents");
    EXPECT_EQ(scratch_.FileCount(), 2) << "no partial file left";

    // The dump is still there to save elsewhere.
    Save(Path("elsewhere.bin"));
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(fs::file_size(PathFromUtf8(Path("elsewhere.bin"))), 1u << 20);
}

// The new contents are written beside the old file first; a name already close to the longest
// a folder takes leaves no room for a temporary suffix, and that must not mean writing over
// the old file in place.
TEST_F(FileFaultsTest, AFullDiskKeepsAnOldFileWhoseNameIsAsLongAsAllowed) {
    VESPERINE_POSIX_ONLY("a file-size limit (RLIMIT_FSIZE)");
    Load(WriteFile("big.bin", std::string(1 << 20, '\x5A')));
    dialog_.Analyze();
    const std::string old = WriteFile(std::string(250, 'n'), "precious old contents");
    {
        const testing::FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active());
        Save(old);
    }
    ExpectOneMessage("Write error.", old);
    EXPECT_TRUE(ReadFile(old) == "precious old contents") << "the old file was written over in place";
    EXPECT_EQ(scratch_.FileCount(), 2) << "no partial file left";

    Save(old);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(fs::file_size(PathFromUtf8(old)), 1u << 20);
    EXPECT_EQ(scratch_.FileCount(), 2);
}

// A temporary in the way (another save under way, or a killed one) is named and kept.
TEST_F(FileFaultsTest, ASaveRefusedByATemporaryInTheWayNamesItAndKeepsEverything) {
    const std::string old = WriteFile("keep.bin", "old");
    const std::string part = WriteFile("keep.bin.vesperine-part", "left by a killed run");
    Save(old);
    const std::string named = files_.TemporaryOf(old);
    ExpectOneMessage(named +
                         " exists: another vesperine or vesperine-cli is writing this file, or a run was killed; "
                         "remove " +
                         named + " if none is running.",
                     old);
    EXPECT_EQ(ReadFile(old) + ReadFile(part), "oldleft by a killed run");
}

TEST_F(FileFaultsTest, SavingOverTheLoadedBaseFileReplacesItWhole) {
    const std::string base = WriteFile("rom.bin", "\x01\x02\x03\x04");
    Load(base);
    host_.CheckRadio(ids::kStripeFull, ids::kStripeEven, 1);
    dialog_.Analyze();
    Save(base);
    EXPECT_TRUE(host_.messages.empty());
    EXPECT_EQ(ReadFile(base), "\x01\x03");
    EXPECT_EQ(HexString(dialog_.workspace().Base()), "01 02 03 04") << "the loaded copy is unchanged";
}

TEST_F(FileFaultsTest, ASparseFileOfTwoGibibytesIsRefusedAndThePreviousFileStays) {
    LoadGoodBase();
    const std::string kept = BaseState();
    const std::string huge = WriteFile("huge.bin", "");
    fs::resize_file(PathFromUtf8(huge), 0x80000000u);  // sparse: no disk space used
    Load(huge);
    ExpectOneMessage("File too large: 2 GiB or more cannot be loaded.", huge);
    EXPECT_EQ(BaseState(), kept);
    Load(huge, false);
    ExpectOneMessage("File too large: 2 GiB or more cannot be loaded.", huge);
    EXPECT_EQ(dialog_.workspace().maskLength(), 0u);
}

}  // namespace
}  // namespace vesperine
