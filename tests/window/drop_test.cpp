// Files dropped on the window: the base and mask targets, and the drops that are refused.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include "platform/qt/file_drop.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

// The widget a drag over the control meets: a pane's viewport, or the control itself.
QWidget* DropReceiver(WindowHarness& h, int id) {
    if (auto* plain = h.W<QPlainTextEdit>(id)) return plain->viewport();
    return h.W(id);
}

// Drags the URLs over the control and drops them there; true when the drag was accepted.
bool Drop(WindowHarness& h, int id, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QWidget* receiver = DropReceiver(h, id);
    const QPoint centre = receiver->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(centre, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
    QCoreApplication::processEvents();  // the load runs once the drop has been answered
    return drop.isAccepted();
}

QUrl File(const char* path) { return QUrl::fromLocalFile(QString::fromLatin1(path)); }

TEST(FileDrop, ABaseTargetLoadsTheBaseFile) {
    for (int id : {ids::kBaseHex, ids::kBaseText, ids::kBasePath}) {
        WindowHarness h;
        h.files.files["/roms/dropped.bin"] = Bytes(0x30, 0x41);
        h.W<QLineEdit>(ids::kAreaStart)->setText(QStringLiteral("7"));
        EXPECT_TRUE(Drop(h, id, {File("/roms/dropped.bin")})) << id;
        EXPECT_EQ(h.Text(ids::kBasePath), "/roms/dropped.bin") << id;
        EXPECT_EQ(h.Text(ids::kAreaStart), "0") << id;
        EXPECT_EQ(h.Text(ids::kAreaEnd), "00000030") << id;
        EXPECT_EQ(h.Text(ids::kBaseHex).substr(0, 11), "00000000 41") << id;
        EXPECT_EQ(h.Text(ids::kMaskPath), "") << id;
        EXPECT_TRUE(h.prompts.fileDialogs.empty()) << id;
    }
}

TEST(FileDrop, TheMaskPathLoadsTheMaskFile) {
    WindowHarness h;
    h.LoadBase(Bytes(4, 1));
    h.files.files["/roms/mask.bin"] = {0xFF, 0x00};
    EXPECT_TRUE(Drop(h, ids::kMaskPath, {File("/roms/mask.bin")}));
    EXPECT_EQ(h.Text(ids::kMaskPath), "/roms/mask.bin");
    EXPECT_EQ(h.dialog.workspace().maskLength(), 2u);
    EXPECT_EQ(h.Text(ids::kBasePath), "/roms/base.bin");
    EXPECT_EQ(h.dialog.workspace().baseLength(), 4u);
}

TEST(FileDrop, AFileThatCannotBeReadIsReportedAsByTheDialog) {
    WindowHarness h;
    EXPECT_TRUE(Drop(h, ids::kBaseHex, {File("/roms/missing.bin")}));
    ASSERT_EQ(h.prompts.messages.size(), 1u);
    EXPECT_EQ(h.prompts.messages[0].text, QStringLiteral("File not found."));
    EXPECT_EQ(h.prompts.messages[0].caption, QStringLiteral("/roms/missing.bin"));
}

TEST(FileDrop, SeveralFilesOrARemoteOneAreRefusedAndChangeNothing) {
    const struct {
        QList<QUrl> urls;
        const char* message;
    } cases[] = {
        {{File("/roms/a.bin"), File("/roms/b.bin")}, "Drop one file at a time."},
        {{QUrl(QStringLiteral("https://example.com/a.bin"))}, "Only files on this computer can be loaded."},
    };
    for (const auto& c : cases) {
        for (int id : {ids::kBaseHex, ids::kMaskPath}) {
            WindowHarness h;
            h.LoadBase(Bytes(4, 1));
            h.files.files["/roms/a.bin"] = {1};
            h.files.files["/roms/b.bin"] = {2};
            const int reads = h.files.reads;
            EXPECT_TRUE(Drop(h, id, c.urls));
            ASSERT_EQ(h.prompts.messages.size(), 1u) << c.message;
            EXPECT_EQ(h.prompts.messages[0].text, QLatin1String(c.message));
            EXPECT_EQ(h.prompts.messages[0].caption, QCoreApplication::applicationName());
            EXPECT_EQ(h.files.reads, reads);
            EXPECT_EQ(h.Text(ids::kBasePath), "/roms/base.bin");
            EXPECT_EQ(h.Text(ids::kMaskPath), "");
        }
    }
}

TEST(FileDrop, NoOtherControlAndNoBusyWindowTakesAFile) {
    WindowHarness h;
    h.files.files["/roms/a.bin"] = {1};
    EXPECT_FALSE(Drop(h, ids::kAreaStart, {File("/roms/a.bin")}));
    Drop(h, ids::kDumpHex, {File("/roms/a.bin")});  // the pane may take it as text, as before
    h.window.SetBusy(true);                         // as while a long task runs
    EXPECT_FALSE(Drop(h, ids::kBaseHex, {File("/roms/a.bin")}));
    h.window.SetBusy(false);
    EXPECT_EQ(h.files.reads, 0);
    EXPECT_TRUE(h.prompts.messages.empty());
    EXPECT_EQ(h.Text(ids::kBasePath), "");
}

TEST(FileDrop, ReadsOneLocalFileOrARefusal) {
    QMimeData text;
    text.setText(QStringLiteral("/roms/a.bin"));
    EXPECT_EQ(ReadDrop(text), std::nullopt) << "dragged text is not a file";
    QMimeData one;
    one.setUrls({File("/roms/a b.bin")});
    ASSERT_TRUE(ReadDrop(one).has_value());
    EXPECT_EQ(ReadDrop(one)->path, QStringLiteral("/roms/a b.bin"));
    EXPECT_EQ(ReadDrop(one)->refusal, "");
}

}  // namespace
}  // namespace vesperine::qt::testing
