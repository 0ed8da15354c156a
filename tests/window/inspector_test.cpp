// The Inspector driven through its window: F5 from the dialog, each panel's main action by real clicks.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>

#include "diagnosis/block_map.h"
#include "headers/header_check.h"
#include "platform/qt/command_line.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_window.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

using inspector::InspectorWindow;

void Settle() {
    for (int k = 0; k < 4; ++k) QCoreApplication::processEvents();
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
        QStandardPaths::setTestModeEnabled(true);  // the remembered DAT list stays out of the user's settings
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
    h.prompts.files.push_back(QStringLiteral("/roms/consensus.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "saveConsensus"));
    EXPECT_EQ(h.files.files["/roms/consensus.bin"], first);
    // The mend by the first read's CRC-32: one way to set the four unstable bits, saved.
    const auto crc = static_cast<std::uint32_t>(crc32(0, first.data(), static_cast<uInt>(first.size())));
    inspector.tabs()->currentWidget()->findChild<QLineEdit*>()->setText(
        QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')));
    h.prompts.files.push_back(QStringLiteral("/roms/mended.bin"));
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "mendByCrc"));
    EXPECT_EQ(h.files.files["/roms/mended.bin"], first);
    h.ShowPanel(inspector, QStringLiteral("Map"));  // the unstable bits drawn over their blocks
    EXPECT_TRUE(
        InspectorHarness::Table(inspector)->SelectedText().contains(QStringLiteral("unstable bits in 4 bytes")));
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
    ClickOn(InspectorHarness::Find<QPushButton>(inspector, "removeDat"));  // leaves the settings as found
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
