// The Inspector driven through its window: F5 from the dialog, each panel's main action by real clicks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <filesystem>
#include <map>

#include "diagnosis/block_map.h"
#include "headers/header_check.h"
#include "platform/qt/command_line.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_window.h"
#include "platform/std_file_system.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

using inspector::InspectorWindow;

void Settle() {
    for (int k = 0; k < 4; ++k) QCoreApplication::processEvents();
}

void ClickRow(QTableWidget* table, int row) {
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(table->model()->index(row, 0)).center());
    Settle();
}

// A click where a person would click: the centre of target, delivered to whatever widget of
// its window is on top there, which must be target or one of its parts.
void ClickOn(QWidget* target) {
    QWidget* top = target->window();
    const QPoint at = target->mapTo(top, target->rect().center());
    QWidget* hit = top->childAt(at);
    ASSERT_TRUE(hit == target || target->isAncestorOf(hit)) << "covered at " << at.x() << "," << at.y();
    QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(top, at));
    Settle();
}

struct InspectorHarness : WindowHarness {
    InspectorHarness() {
        QStandardPaths::setTestModeEnabled(true);         // the remembered DAT list stays out of the user's settings
        QSettings().remove(QStringLiteral("inspector"));  // and each test starts without one
        window.EnableInspector(files, &prompts);
    }

    // Loads bytes as the base file, analyses the whole of it, and presses F5.
    InspectorWindow& Open(const Bytes& bytes) {
        LoadBase(bytes);
        window.MenuAction(ids::kMenuAnalyze)->trigger();
        Key(ids::kMemo, Qt::Key_F5);
        Settle();
        return *window.inspectorWindow();
    }

    void ShowPanel(InspectorWindow& inspector, const QString& title) {
        QTabBar* bar = inspector.tabs()->tabBar();
        for (int k = 0; k < bar->count(); ++k)
            if (bar->tabText(k).remove(QLatin1Char('&')) == title) {
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(k).center());
                Settle();
                return;
            }
        FAIL() << title.toStdString();
    }

    template <typename T>
    [[nodiscard]] static T* Find(InspectorWindow& inspector, const char* name) {
        return inspector.findChild<T*>(QString::fromLatin1(name));
    }
    [[nodiscard]] static inspector::CopyTable* Table(InspectorWindow& inspector) {
        return inspector.tabs()->currentWidget()->findChild<inspector::CopyTable*>();
    }
};

Bytes Counting(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t k = 0; k < length; ++k) bytes[k] = static_cast<std::uint8_t>(k * 7 + (k >> 8));
    return bytes;
}

TEST(Inspector, F5OpensItOnTheDialogsBaseAndDumpAndEscapeClosesIt) {
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(Counting(0x400));
    EXPECT_TRUE(inspector.isVisible());
    EXPECT_FALSE(inspector.isModal());
    ASSERT_EQ(inspector.chooser()->count(), 2);
    EXPECT_EQ(inspector.chosen()->bytes.size(), 0x400u);  // the dump is chosen
    EXPECT_TRUE(inspector.chooser()->currentText().startsWith(QStringLiteral("Dialog's dump")));
    // Ctrl+Tab steps the panels wherever the focus is.
    QApplication::setActiveWindow(&inspector);
    inspector.chooser()->setFocus();
    QTest::keyClick(inspector.chooser(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(inspector.tabs()->currentIndex(), 1);
    QTest::keyClick(inspector.chooser(), Qt::Key_Escape);
    EXPECT_FALSE(inspector.isVisible());
    EXPECT_TRUE(h.window.isVisible());  // the dialog goes on
    QApplication::setActiveWindow(&h.window);
    h.Key(ids::kMemo, Qt::Key_F5);
    EXPECT_TRUE(inspector.isVisible());  // brought back, the same window
    EXPECT_EQ(h.window.inspectorWindow(), &inspector);
}

TEST(Inspector, HealthShowsTheMostSeriousFindingFirstWithItsMeaning) {
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(Bytes(0x400, 0xFF));
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_TRUE(table->item(0, 0)->text().contains(QStringLiteral("FAULT")));
    EXPECT_TRUE(table->item(0, 2)->text().contains(QStringLiteral("erased chip")));
    // Copied, each finding is one line whatever its cell wraps over.
    EXPECT_EQ(table->SelectedText().count(QLatin1Char('\n')), table->rowCount() - 1)
        << table->SelectedText().toStdString();
}

TEST(Inspector, ChecksumsAgreeWithZlibAndSaveAFixedHeaderBesideTheInput) {
    InspectorHarness h;
    Bytes image = Counting(0x800);
    std::copy_n("SEGA MEGA DRIVE ", 16, image.begin() + 0x100);
    InspectorWindow& inspector = h.Open(image);
    h.ShowPanel(inspector, QStringLiteral("Checksums"));
    const auto crc = static_cast<std::uint32_t>(crc32(0, image.data(), static_cast<uInt>(image.size())));
    const QString hex = QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
    const auto boxes = inspector.tabs()->currentWidget()->findChildren<QLineEdit*>();
    ASSERT_GE(boxes.size(), 2);
    EXPECT_EQ(boxes[1]->text(), hex);
    EXPECT_EQ(boxes[0]->text(), QStringLiteral("2,048 bytes (0x00000800)"));
    // A catalogue CRC chosen by name, Enter to compute: CRC-32/ISO-HDLC is zlib's.
    auto* models = InspectorHarness::Find<QLineEdit>(inspector, "crcModels");
    models->setText(QStringLiteral("CRC-32/ISO-HDLC NO-SUCH-CRC"));
    QTest::keyClick(models, Qt::Key_Return);
    Settle();
    const QString sums = InspectorHarness::Table(inspector)->SelectedText();
    EXPECT_TRUE(sums.endsWith(QStringLiteral("CRC-32/ISO-HDLC\t%1\nNO-SUCH-CRC\tnot in the catalogue").arg(hex)))
        << sums.toStdString();

    auto* save = InspectorHarness::Find<QPushButton>(inspector, "saveFixedCopy");
    ASSERT_TRUE(save->isEnabled());
    h.prompts.files.push_back(QStringLiteral("/roms/base.bin"));  // the file the dump was cut from: refused
    ClickOn(save);
    ASSERT_FALSE(h.prompts.messages.empty());
    EXPECT_TRUE(h.prompts.messages.back().text.contains(QStringLiteral("nothing written")));
    EXPECT_EQ(h.files.files["/roms/base.bin"], image);
    h.prompts.files.push_back(QStringLiteral("/roms/fixed.bin"));
    ClickOn(save);
    ASSERT_EQ(h.files.files.count("/roms/fixed.bin"), 1u);
    EXPECT_TRUE(headers::CheckHeader(h.files.files["/roms/fixed.bin"]).good());
}

// The reads gathered in the Inspector go with the dialog: closing it asks first. Closing the
// Inspector beside the dialog only hides it, keeps everything and asks nothing.
TEST(Inspector, ClosingTheDialogAsksFirstWhenReadsWouldBeLost) {
    InspectorHarness h;
    const Bytes first = Counting(0x400);
    InspectorWindow& inspector = h.Open(first);
    h.ShowPanel(inspector, QStringLiteral("Reads"));
    h.files.files["/roms/again.bin"] = first;
    h.prompts.files.push_back(QStringLiteral("/roms/again.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addRead"));
    const std::size_t asked = h.prompts.messages.size();
    inspector.close();
    EXPECT_EQ(h.prompts.messages.size(), asked);
    h.prompts.answers.push_back(MessageAnswer::No);
    h.window.reject();
    Settle();
    EXPECT_TRUE(h.window.isVisible());
    ASSERT_EQ(h.prompts.messages.size(), asked + 1);
    EXPECT_EQ(h.prompts.messages.back().text.toStdString(),
              "Closing the dialog drops what the Inspector holds: the list of 1 further read (Reads). Close anyway?");
    EXPECT_EQ(h.prompts.messages.back().buttons, MessageButtons::YesNo);
    // While the dialog's own task runs, the question comes first too, and No leaves the task be.
    h.window.SetBusy(true);
    h.prompts.answers.push_back(MessageAnswer::No);
    h.window.reject();
    Settle();
    EXPECT_EQ(h.prompts.messages.size(), asked + 2);
    h.window.SetBusy(false);
    h.prompts.answers.push_back(MessageAnswer::Yes);
    h.window.reject();
    Settle();
    EXPECT_FALSE(h.window.isVisible());
}

TEST(Inspector, ReadsAddedByTheButtonAreComparedAndTheirConsensusSaved) {
    InspectorHarness h;
    const Bytes first = Counting(0x400);
    InspectorWindow& inspector = h.Open(first);
    h.ShowPanel(inspector, QStringLiteral("Reads"));
    // D3 weak: two bits flipped in each further read, every one outvoted two to one.
    for (const int flipped : {0x10, 0x30}) {
        Bytes read = first;
        read[static_cast<std::size_t>(flipped)] ^= 0x08;
        read[static_cast<std::size_t>(flipped) + 0x100] ^= 0x08;
        const std::string path = "/roms/read" + std::to_string(flipped) + ".bin";
        h.files.files[path] = read;
        h.prompts.files.push_back(QString::fromStdString(path));
        ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addRead"));
    }
    h.prompts.files.push_back(QStringLiteral("/roms/read16.bin"));  // a read given twice is one read
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addRead"));
    ASSERT_FALSE(h.prompts.messages.empty());
    EXPECT_TRUE(h.prompts.messages.back().text.contains(QStringLiteral("is read 2 already")));
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_TRUE(table->SelectedText().contains(QStringLiteral("D3")));
    // Each unstable bit a row, each read's value beside the majority's; a click or Enter on one
    // moves the dialog's dump pane to its row.
    auto* bits = InspectorHarness::Find<inspector::CopyTable>(inspector, "unstableBits");
    EXPECT_EQ(bits->SelectedText().toStdString(),
              "0x00000010\t3 (D3)\t0\t1\t0\t0\n"
              "0x00000030\t3 (D3)\t0\t0\t1\t0\n"
              "0x00000110\t3 (D3)\t0\t1\t0\t0\n"
              "0x00000130\t3 (D3)\t0\t0\t1\t0");
    const auto clickRow = [&](int row) { ClickRow(bits, row); };
    clickRow(3);
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 0x130 / 16);
    clickRow(0);
    QTest::keyClick(bits, Qt::Key_Down);
    QTest::keyClick(bits, Qt::Key_Down);
    QTest::keyClick(bits, Qt::Key_Return);
    Settle();
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 0x110 / 16);
    // The base is not in the dump pane: a row there selects and moves nothing.
    inspector.chooser()->setCurrentIndex(0);
    Settle();
    clickRow(1);
    EXPECT_EQ(bits->currentRow(), 1);
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 0x110 / 16);
    inspector.chooser()->setCurrentIndex(1);
    Settle();
    h.prompts.files.push_back(QStringLiteral("/roms/consensus.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "saveConsensus"));
    EXPECT_EQ(h.files.files["/roms/consensus.bin"], first);
    // The mend by the first read's CRC-32: one way to set the four unstable bits, saved.
    // As pasted from a DAT or a forum: 0x, lower case, a space; never cut to 8 characters.
    const auto crc = static_cast<std::uint32_t>(crc32(0, first.data(), static_cast<uInt>(first.size())));
    const QString hex = QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0'));
    auto* expected = InspectorHarness::Find<QLineEdit>(inspector, "expectedCrc");
    expected->setText(QStringLiteral("0x") + hex.left(6));  // two digits short
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "mendByCrc"));
    EXPECT_TRUE(h.prompts.messages.back().text.contains(QStringLiteral("is not 8 hex digits")));
    expected->setText(QStringLiteral(" 0x%1 %2").arg(hex.left(4), hex.mid(4)));
    h.prompts.files.push_back(QStringLiteral("/roms/mended.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "mendByCrc"));
    EXPECT_EQ(h.files.files["/roms/mended.bin"], first);
    h.ShowPanel(inspector, QStringLiteral("Map"));  // the unstable bits drawn over their blocks
    EXPECT_TRUE(
        InspectorHarness::Table(inspector)->SelectedText().contains(QStringLiteral("unstable bits in 4 bytes")));
}

// Reads that disagree everywhere: the table stops at its bound and says so.
TEST(Inspector, UnstableBitsTableSaysWhereItsListIsCut) {
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(Bytes(0x800, 0x00));
    h.ShowPanel(inspector, QStringLiteral("Reads"));
    h.files.files["/roms/ones.bin"] = Bytes(0x800, 0xFF);
    h.prompts.files.push_back(QStringLiteral("/roms/ones.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addRead"));
    auto* bits = InspectorHarness::Find<inspector::CopyTable>(inspector, "unstableBits");
    EXPECT_EQ(bits->rowCount(), 10000);
    EXPECT_EQ(bits->item(9999, 0)->text(), QStringLiteral("0x000004E1"));  // bit 9,999 is bit 7 of byte 1,249
    EXPECT_EQ(bits->item(9999, 1)->text(), QStringLiteral("7 (D7)"));
    bool stated = false;
    for (QLabel* label : inspector.findChildren<QLabel*>())
        stated |= label->text().startsWith(QStringLiteral("U&nstable bits: the first 10,000 of 16,384 are listed"));
    EXPECT_TRUE(stated);
}

TEST(Inspector, IdentityMatchesTheDumpByAnAddedDat) {
    InspectorHarness h;
    const Bytes rom = Counting(0x400);
    const auto crc = static_cast<std::uint32_t>(crc32(0, rom.data(), static_cast<uInt>(rom.size())));
    const std::string dat = "<datafile><game name=\"demo\"><rom name=\"base.bin\" size=\"1024\" crc=\"" +
                            QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toStdString() +
                            "\"/></game></datafile>";
    h.files.files["/dats/demo.dat"] = Bytes(dat.begin(), dat.end());
    InspectorWindow& inspector = h.Open(rom);
    h.ShowPanel(inspector, QStringLiteral("Identity"));
    h.prompts.files.push_back(QStringLiteral("/dats/demo.dat"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addDat"));
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    ASSERT_GE(table->rowCount(), 1);
    EXPECT_TRUE(table->item(0, 1)->text().contains(QStringLiteral("match")));
    EXPECT_TRUE(table->item(0, 2)->text().contains(QStringLiteral("demo / base.bin")));
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("demo.dat"));
    // Nothing chosen, nothing removed; a chosen DAT goes, leaving the settings as found.
    auto* remove = InspectorHarness::Find<QPushButton>(inspector, "removeDat");
    EXPECT_FALSE(remove->isEnabled());
    auto* dats = InspectorHarness::Find<QListWidget>(inspector, "datList");
    dats->setCurrentRow(0);
    ClickOn(remove);
    EXPECT_EQ(dats->count(), 0);
}

TEST(Inspector, IdentityNamesNearMissesOfTheDialogsBaseAndRemembersOnlyDats) {
    InspectorHarness h;
    // base.bin in the DAT with another CRC: a near miss by the base file's own name.
    const std::string dat =
        "<datafile><game name=\"demo\"><rom name=\"base.bin\" size=\"1024\" crc=\"12345678\"/></game></datafile>";
    h.files.files["/dats/demo.dat"] = Bytes(dat.begin(), dat.end());
    h.files.files["/dats/notes.txt"] = Bytes{'n', 'o', 't', 'e', 's'};
    InspectorWindow& inspector = h.Open(Counting(0x400));
    inspector.chooser()->setCurrentIndex(0);  // "Base file: base.bin"
    h.ShowPanel(inspector, QStringLiteral("Identity"));
    h.prompts.files.push_back(QStringLiteral("/dats/demo.dat"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addDat"));
    EXPECT_TRUE(InspectorHarness::Table(inspector)->SelectedText().contains(QStringLiteral("near miss")));
    // No flip of one or two bits reaches a CRC-32 chosen at random (1 in 130 would): nothing to save.
    ClickRow(InspectorHarness::Table(inspector), 0);
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "mendWithCrc"));
    EXPECT_EQ(InspectorHarness::Find<QLabel>(inspector, "repairText")->text(),
              QStringLiteral("No flip of one or two bits gives CRC-32 12345678: nothing written."));
    EXPECT_FALSE(InspectorHarness::Find<QPushButton>(inspector, "saveRepair")->isEnabled());
    h.prompts.files.push_back(QStringLiteral("/dats/notes.txt"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addDat"));
    ASSERT_FALSE(h.prompts.messages.empty());
    EXPECT_TRUE(h.prompts.messages.back().text.contains(QStringLiteral("notes.txt is not a DAT file")));
    EXPECT_EQ(QSettings().value(QStringLiteral("inspector/dats")).toStringList(),
              QStringList{QStringLiteral("/dats/demo.dat")});
    QSettings().remove(QStringLiteral("inspector/dats"));
}

// A near miss one flipped bit away: its CRCs shown, the repair finds the bit and saves the
// mended copy; with further reads loaded the CRC goes to the Reads panel's mend instead.
TEST(Inspector, IdentityMendsANearMissWithItsCrc) {
    const Bytes rom = Counting(0x400);
    Bytes good = rom;
    good[0x123] ^= 0x20;
    const auto crc = static_cast<std::uint32_t>(crc32(0, good.data(), static_cast<uInt>(good.size())));
    const auto got = static_cast<std::uint32_t>(crc32(0, rom.data(), static_cast<uInt>(rom.size())));
    const QString hex = QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
    const std::string dat = "<datafile><game name=\"demo\"><rom name=\"base.bin\" size=\"1024\" crc=\"" +
                            hex.toStdString() + "\"/></game></datafile>";
    InspectorHarness h;
    h.files.files["/dats/demo.dat"] = Bytes(dat.begin(), dat.end());
    InspectorWindow& inspector = h.Open(rom);
    inspector.chooser()->setCurrentIndex(0);
    h.ShowPanel(inspector, QStringLiteral("Identity"));
    h.prompts.files.push_back(QStringLiteral("/dats/demo.dat"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addDat"));
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("demo.dat"));
    const QString gotHex = QStringLiteral("%1").arg(got, 8, 16, QLatin1Char('0')).toUpper();
    EXPECT_TRUE(table->item(0, 4)->text().endsWith(QStringLiteral("expected CRC %1, got %2").arg(hex, gotHex)))
        << table->item(0, 4)->text().toStdString();
    auto* mend = InspectorHarness::Find<QPushButton>(inspector, "mendWithCrc");
    EXPECT_FALSE(mend->isEnabled());  // nothing chosen yet
    ClickRow(table, 0);
    ClickOn(mend);
    const QString repair = InspectorHarness::Find<QLabel>(inspector, "repairText")->text();
    EXPECT_TRUE(repair.startsWith(QStringLiteral("1 candidate with one bit flipped gives CRC-32 %1").arg(hex)))
        << repair.toStdString();
    EXPECT_TRUE(repair.contains(QStringLiteral("bit 5 of 0x00000123"))) << repair.toStdString();
    h.prompts.files.push_back(QStringLiteral("/roms/mended.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "saveRepair"));
    EXPECT_EQ(h.files.files["/roms/mended.bin"], good);

    h.ShowPanel(inspector, QStringLiteral("Reads"));
    h.files.files["/roms/read2.bin"] = rom;
    h.prompts.files.push_back(QStringLiteral("/roms/read2.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addRead"));
    h.ShowPanel(inspector, QStringLiteral("Identity"));
    ClickRow(InspectorHarness::Table(inspector), 0);
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "mendWithCrc"));
    EXPECT_EQ(inspector.tabs()->tabText(inspector.tabs()->currentIndex()).remove(QLatin1Char('&')),
              QStringLiteral("Reads"));
    EXPECT_EQ(InspectorHarness::Find<QLineEdit>(inspector, "expectedCrc")->text(), hex);
}

// The base file and an opened file checked as one board: the dialog's dump of the whole base is
// the base, not a chip of its own; the second chip is one bit from the set's other ROM, mended.
TEST(Inspector, IdentityChecksEveryFileAsABoard) {
    const Bytes a = Counting(0x400);
    Bytes b(0x400);
    for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>((k * 13 + 5) ^ (k >> 3));
    Bytes u2 = b;
    u2[0x123] ^= 0x20;
    const auto rom = [](const char* name, const Bytes& bytes) {
        const auto crc = static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
        return "<rom name=\"" + std::string(name) + "\" size=\"1024\" crc=\"" +
               QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toStdString() + "\"/>";
    };
    const std::string dat = "<datafile><game name=\"demo\">" + rom("a.bin", a) + rom("b.bin", b) + "</game></datafile>";
    InspectorHarness h;
    h.files.files["/dats/demo.dat"] = Bytes(dat.begin(), dat.end());
    h.files.files["/roms/u2.bin"] = u2;
    InspectorWindow& inspector = h.Open(a);
    inspector.InspectFile("/roms/u2.bin");
    h.ShowPanel(inspector, QStringLiteral("Identity"));
    auto* report = InspectorHarness::Find<QPlainTextEdit>(inspector, "boardReport");
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "checkBoard"));
    EXPECT_TRUE(report->toPlainText().startsWith(QStringLiteral("Add the DAT files")));
    h.prompts.files.push_back(QStringLiteral("/dats/demo.dat"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "addDat"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "checkBoard"));
    const QStringList lines = report->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 4) << report->toPlainText().toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("\"demo\": complete once mended: 1 of 2 ROMs good, 1 near (1 mended)"));
    EXPECT_EQ(lines[1], QStringLiteral("  good     \"a.bin\" (1024 bytes) from base.bin (whole): crc32"));
    EXPECT_EQ(lines[3], QStringLiteral("           mend by flipped bits: verified (crc32): offset 0x00000123 bit 5: "
                                       "0 -> 1 (u2.bin 0x00000123)"));
    EXPECT_FALSE(report->toPlainText().contains(QStringLiteral("Dialog's dump")));
    // Choosing another subject keeps the report: it is of them all.
    inspector.chooser()->setCurrentIndex(0);
    Settle();
    EXPECT_EQ(report->toPlainText().split(QLatin1Char('\n')).front(), lines[0]);
    QSettings().remove(QStringLiteral("inspector/dats"));
}

TEST(Inspector, MapNamesEachBlock) {
    Bytes bytes(512, 0xFF);
    bytes.insert(bytes.end(), 512, 0x00);
    for (int copy = 0; copy < 2; ++copy)
        for (int k = 0; k < 512; ++k) bytes.push_back(static_cast<std::uint8_t>("ROM TEXT "[k % 9]));
    const std::vector<diagnosis::Block> blocks = diagnosis::MapBlocks(bytes, 512);
    const diagnosis::BlockKind expected[] = {diagnosis::BlockKind::FillFF, diagnosis::BlockKind::Fill00,
                                             diagnosis::BlockKind::Text, diagnosis::BlockKind::Repeat};
    ASSERT_EQ(blocks.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(blocks[k].kind, expected[k]) << k;
    EXPECT_EQ(blocks[3].repeatOf, 1024u);

    InspectorHarness h;
    InspectorWindow& inspector = h.Open(bytes);
    h.ShowPanel(inspector, QStringLiteral("Map"));
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(3, 3)->text(), QStringLiteral("repeat of 0x000400"));
    ClickOn(inspector.findChild<QWidget*>(QStringLiteral("blockPicture")));
    EXPECT_EQ(table->currentRow(), 1);  // the centre pixel lies just above the middle: the second of four rows
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 0x200 / 16);  // the dialog's dump pane went there too
}

// A big dump has more blocks than the picture has pixel rows: a row shows its most notable
// block, so data amid fill is never painted over, and a click there goes to that block.
TEST(Inspector, MapPaintsEachPixelRowWithItsMostNotableBlock) {
    Bytes bytes(std::size_t{1024} * 512, 0x00);
    std::fill_n(bytes.begin(), 512, std::uint8_t{0xFF});
    const std::size_t dataBlocks[] = {7, 401, 420, 777, 1015};  // off the picture's frame, a row each
    for (const std::size_t block : dataBlocks)
        for (std::size_t k = 0; k < 512; ++k) bytes[block * 512 + k] = static_cast<std::uint8_t>(k * 7 + block);
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(bytes);
    h.ShowPanel(inspector, QStringLiteral("Map"));
    auto* picture = inspector.findChild<QWidget*>(QStringLiteral("blockPicture"));
    picture->setFixedHeight(200);  // about five blocks a pixel row
    Settle();
    const QImage image = picture->grab().toImage();
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    for (const std::size_t block : dataBlocks) {
        const int y = static_cast<int>(block * 200 / 1024);
        EXPECT_EQ(image.pixelColor(picture->width() / 4, y),
                  table->item(static_cast<int>(block), 0)->background().color())
            << block;
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(picture->width() / 4, y));
        EXPECT_EQ(table->currentRow(), static_cast<int>(block));
    }
    // FF fill stands apart from the white of the table and the window behind it.
    const QColor erased = table->item(0, 0)->background().color();
    for (const QColor& around : {table->palette().base().color(), inspector.palette().window().color()})
        EXPECT_GE(std::abs(erased.lightness() - around.lightness()), 32) << around.name().toStdString();
}

// Drags a local file over receiver and drops it there, as a file manager would.
void DropFile(QWidget* receiver, const char* path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromLatin1(path))});
    const QPoint centre = receiver->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
    Settle();
}

TEST(Inspector, AFileDroppedOnTheWindowIsInspectedAndOnTheReadsPanelIsARead) {
    InspectorHarness h;
    const Bytes first = Counting(0x400);
    InspectorWindow& inspector = h.Open(first);
    h.files.files["/roms/other.bin"] = Bytes(0x400, 0x5A);
    DropFile(&inspector, "/roms/other.bin");
    EXPECT_EQ(inspector.chooser()->currentText(), QStringLiteral("other.bin"));
    EXPECT_EQ(inspector.chosen()->bytes[0], 0x5A);

    inspector.chooser()->setCurrentIndex(1);  // back to the dialog's dump
    h.ShowPanel(inspector, QStringLiteral("Reads"));
    Bytes second = first;
    second[0x80] ^= 0x01;
    h.files.files["/roms/second.bin"] = second;
    DropFile(inspector.tabs()->currentWidget(), "/roms/second.bin");
    EXPECT_EQ(inspector.chooser()->count(), 3);  // not a subject of its own
    EXPECT_GE(InspectorHarness::Table(inspector)->rowCount(), 1);
    bool said = false;  // counts in the singular, and bytes for an 8-bit chip
    for (QLabel* label : inspector.tabs()->currentWidget()->findChildren<QLabel*>())
        said |=
            label->text().contains(QStringLiteral("2 reads of 1,024 bytes (read 1 is the inspected dump): 1 "
                                                  "unstable bit in 1 byte, 1 tied."));
    EXPECT_TRUE(said);
}

// A window of its own, beside the dialog where the screen has room, and back where it was left;
// alone (--inspect) it says how to open files, and calls a folder one.
TEST(Inspector, OpensBesideTheDialogOrAloneWhereItWasLeft) {
    const QRect screen(0, 0, 1920, 1080);
    const struct {
        QRect dialog;
        QRect placed;
    } cases[] = {
        {{100, 100, 600, 400}, {700, 100, 900, 620}},   // to the right
        {{1200, 100, 600, 400}, {300, 100, 900, 620}},  // no room right: to the left
        {{500, 600, 600, 400}, {1100, 460, 820, 620}},  // narrowed to the room at the right, kept on screen
        {{700, 0, 1100, 900}, {0, 0, 700, 620}},        // narrowed to the room at the left
        {{100, 0, 1700, 900}, {1440, 0, 480, 620}},     // no room either side: the narrowest, at the edge
    };
    for (const auto& c : cases)
        EXPECT_EQ(inspector::PlaceBeside(c.dialog, QSize(900, 620), screen), c.placed) << c.dialog.x();

    QStandardPaths::setTestModeEnabled(true);
    QSettings().remove(QStringLiteral("inspector/geometry"));
    ScriptedPrompts prompts;
    StdFileSystem files;
    const QRect left(QPoint(40, 30), QSize(700, 500));
    for (int run = 0; run < 2; ++run) {
        InspectorWindow inspector(nullptr, files, &prompts);
        inspector.show();
        Settle();
        EXPECT_TRUE(run == 0 || inspector.geometry() == left);
        inspector.setGeometry(left);
        EXPECT_EQ(inspector.tabs()->widget(0)->findChild<QLabel*>()->text(),
                  QStringLiteral("Nothing to inspect: open a file with \"Open file...\" or drop one here."));
        inspector.InspectFile(std::filesystem::temp_directory_path().string());
        EXPECT_EQ(prompts.messages.back().text,
                  QString::fromStdString(std::filesystem::temp_directory_path().string()) +
                      QStringLiteral(" is a folder, not a file."));
        inspector.close();
    }
    QSettings().remove(QStringLiteral("inspector/geometry"));
}

// Alt and a letter reach one control: the window's and the shown panel's letters are all
// different, and every box, list and chooser has a label with its letter.
TEST(Inspector, EveryControlHasAnAltLetterOfItsOwn) {
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(Counting(0x400));
    QTabBar* bar = inspector.tabs()->tabBar();
    for (int panel = 0; panel < bar->count(); ++panel) {
        inspector.tabs()->setCurrentIndex(panel);
        Settle();
        std::map<QString, QString> letters;
        const auto claim = [&](const QString& text) {
            const QString key = QKeySequence::mnemonic(text).toString();
            if (!key.isEmpty() && !letters.emplace(key, text).second) ADD_FAILURE() << text.toStdString();
        };
        for (int k = 0; k < bar->count(); ++k) claim(bar->tabText(k));
        for (QAbstractButton* button : inspector.findChildren<QAbstractButton*>())
            if (button->isVisible()) claim(button->text());
        std::vector<QWidget*> named;
        for (QLabel* label : inspector.findChildren<QLabel*>())
            if (label->isVisible() && label->buddy()) {
                claim(label->text());
                if (!QKeySequence::mnemonic(label->text()).isEmpty()) named.push_back(label->buddy());
            }
        for (QWidget* control : inspector.findChildren<QWidget*>()) {
            const bool box = qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control) ||
                             qobject_cast<QListWidget*>(control);
            const bool shown = control->isVisible() && !control->parentWidget()->inherits("QComboBox");
            EXPECT_TRUE(!box || !shown || std::find(named.begin(), named.end(), control) != named.end()) << panel;
        }
    }
}

// The header table shows every line of its wrapped "Covers" text at any width, and after a fix
// is saved, the copy as saved.
TEST(Inspector, HeaderTableShowsTheSavedCopyInFull) {
    static constexpr std::uint8_t kLogo[48] = {0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83,
                                               0x00, 0x0C, 0x00, 0x0D, 0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E,
                                               0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99, 0xBB, 0xBB, 0x67, 0x63,
                                               0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E};
    Bytes image = Counting(0x8000);
    std::copy_n(kLogo, 48, image.begin() + 0x104);
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(image);
    inspector.resize(1400, 620);  // filled wide, then narrowed to the window's first size
    h.ShowPanel(inspector, QStringLiteral("Checksums"));
    auto* fields = InspectorHarness::Find<inspector::CopyTable>(inspector, "headerFields");
    ASSERT_EQ(fields->rowCount(), 2);
    inspector.resize(900, 620);
    Settle();
    // The "Covers" column is in sight, and its rows show every line.
    EXPECT_LE(fields->columnViewportPosition(4) + fields->columnWidth(4), fields->viewport()->width());
    EXPECT_GE(fields->columnWidth(4), 120);
    const QFontMetrics metrics(fields->font());
    for (int r = 0; r < fields->rowCount(); ++r) {
        const QRect covers = metrics.boundingRect(QRect(0, 0, fields->columnWidth(4) - 8, 10000), Qt::TextWordWrap,
                                                  fields->item(r, 4)->text());
        EXPECT_GE(fields->rowHeight(r), covers.height()) << r;
    }
    h.prompts.files.push_back(QStringLiteral("/roms/fixed.gb"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "saveFixedCopy"));
    const Bytes& saved = h.files.files["/roms/fixed.gb"];
    ASSERT_EQ(saved.size(), image.size());
    const QString global =
        QStringLiteral("%1").arg(saved[0x14E] << 8 | saved[0x14F], 4, 16, QLatin1Char('0')).toUpper();
    ASSERT_TRUE(fields->item(1, 0)->text().startsWith(QStringLiteral("global checksum")));
    EXPECT_EQ(fields->item(1, 3)->text(), global);
    EXPECT_EQ(fields->item(1, 2)->text(), global);
}

// The chosen block framed, each pixel row's entropy beside the kinds, Enter on a row jumping as a
// click does, and a zoom to the selected rows giving a block many pixel rows.
TEST(Inspector, MapMarksTheChosenBlockGraphsEntropyAndZooms) {
    Bytes bytes(std::size_t{1024} * 512, 0x00);
    for (std::size_t k = 0; k < 512; ++k) bytes[400 * 512 + k] = static_cast<std::uint8_t>(k * 7);
    InspectorHarness h;
    InspectorWindow& inspector = h.Open(bytes);
    h.ShowPanel(inspector, QStringLiteral("Map"));
    auto* picture = inspector.findChild<QWidget*>(QStringLiteral("blockPicture"));
    picture->setFixedHeight(200);
    Settle();
    inspector::CopyTable* table = InspectorHarness::Table(inspector);
    const QColor shown = table->item(400, 0)->background().color();
    const QColor fill = table->item(0, 0)->background().color();
    const int y = 400 * 200 / 1024;
    const auto entropyPixels = [&](const QImage& image, int row) {
        int n = 0;
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, row) == 0xFF404080;
        return n;
    };
    table->setCurrentCell(400, 1);
    QImage image = picture->grab().toImage();
    EXPECT_EQ(image.pixel(1, y), 0xFFFFD000u);  // the marker
    EXPECT_EQ(image.pixelColor(picture->width() / 3, y), shown);
    const double bits = table->item(400, 4)->text().toDouble();
    EXPECT_NEAR(entropyPixels(image, y), bits / 8 * (picture->width() / 3), 2.0) << bits;  // inside its frame
    EXPECT_EQ(entropyPixels(image, y + 20), 0);                                            // fill: no entropy
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(h.host.ScrollPos(ids::kDumpScrollBar), 400 * 512 / 16);

    table->setCurrentCell(398, 1);
    table->setRangeSelected(QTableWidgetSelectionRange(398, 0, 402, 4), true);
    auto* whole = InspectorHarness::Find<QPushButton>(inspector, "wholeDump");
    EXPECT_FALSE(whole->isEnabled());
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "zoomToSelection"));
    image = picture->grab().toImage();
    for (int row = 40; row < 160; ++row) {  // five blocks, 40 rows each: the third is the data
        const QColor expected = row >= 80 && row < 120 ? shown : fill;
        EXPECT_EQ(image.pixel(picture->width() / 3, row), (row % 40 ? expected : expected.darker(140)).rgb()) << row;
    }
    ClickOn(whole);
    EXPECT_FALSE(whole->isEnabled());
    EXPECT_EQ(picture->grab().toImage().pixelColor(picture->width() / 3, y), shown);
    EXPECT_EQ(picture->grab().toImage().pixelColor(picture->width() / 3, y + 20), fill);
}

TEST(Inspector, TheCommandLineOpensItOnAnyNumberOfFiles) {
    const std::vector<const char*> arguments{"--inspect", "/roms/a.bin", "/roms/b.bin", "/roms/c.bin"};
    const CommandLine line = ParseCommandLine(arguments);
    EXPECT_EQ(line.action, CommandLine::Action::Inspect);
    EXPECT_EQ(line.inspect, (std::vector<std::string>{"/roms/a.bin", "/roms/b.bin", "/roms/c.bin"}));
    EXPECT_NE(HelpText().find("--inspect"), std::string::npos);
}

}  // namespace
}  // namespace vesperine::qt::testing
