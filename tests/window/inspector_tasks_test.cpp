// The Inspector's long work: the window keeps answering, Cancel stops it, and closing asks first.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "inspector/subject.h"
#include "platform/qt/inspector/copy_table.h"
#include "platform/qt/inspector/inspector_window.h"
#include "platform/qt/inspector/panel.h"
#include "platform/qt/long_task.h"
#include "platform/std_file_system.h"
#include "window_harness.h"

namespace vesperine::qt::testing {
namespace {

using inspector::InspectorWindow;

// Memcheck runs one thread at a time at a fraction of the speed: times mean nothing there.
bool UnderValgrind() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::string(preload).find("vgpreload") != std::string::npos;
}

// ThreadSanitizer runs the threads, many times slower: the work and its Cancel are checked
// there, their times are not.
#if defined(__SANITIZE_THREAD__)
constexpr bool kTimed = false;
#else
constexpr bool kTimed = true;
#endif

// Turns the event loop until done() holds or limitMs pass.
template <typename Done>
bool TurnUntil(Done done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QWidget* VisibleProgress() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String(kProgressDialogName) && widget->isVisible()) return widget;
    return nullptr;
}

// A sparse file of 512 MiB, zeros but for a little data in a few places: large enough that
// reading and diagnosing it take a while, cheap on disk.
struct LargeSparseFile {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "vesperine-inspector-large.bin";
    LargeSparseFile() {
        std::ofstream out(path, std::ios::binary);
        for (std::uint64_t at : {0ull, 100ull << 20, 300ull << 20}) {
            out.seekp(static_cast<std::streamoff>(at));
            for (int k = 0; k < 4096; ++k) out.put(static_cast<char>(k * 37 + 11));
        }
        out.seekp((512ll << 20) - 1);
        out.put(0);
    }
    ~LargeSparseFile() { std::filesystem::remove(path); }
};

// The window's event loop turns every 0.2 s at most while a large file is read and diagnosed;
// Cancel stops the diagnosis within 0.5 s, the panel says "Cancelled", and "Compute again"
// brings the findings back.
TEST(InspectorTasks, LargeFileKeepsTheWindowAliveAndCancelStopsTheWorkQuickly) {
    if (UnderValgrind()) GTEST_SKIP() << "timings under memcheck mean nothing";
    const LargeSparseFile file;
    ScriptedPrompts prompts;
    StdFileSystem files;
    InspectorWindow inspector(nullptr, files, &prompts);
    inspector.services().SetProgressDelay(0);
    inspector.show();

    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worst = std::max(worst, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start(20);
    auto* findings = inspector.tabs()->widget(0)->findChild<inspector::CopyTable*>();
    ASSERT_NE(findings, nullptr);
    inspector.InspectFile(file.path.string());
    ASSERT_TRUE(TurnUntil([&] { return findings->rowCount() > 0 && !inspector.services().busy(); }, 120000));
    if (kTimed) {
        EXPECT_LT(worst, 200) << "the longest the event loop stood still, in ms";
    }

    // Diagnosed again, and cancelled once the work is under way. The task runs an event loop of
    // its own, so the Cancel comes from a timer inside it.
    auto* health = static_cast<inspector::InspectorPanel*>(inspector.tabs()->widget(0));
    QElapsedTimer stopping;
    bool wasBusy = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        QWidget* progress = VisibleProgress();
        if (!progress || stopping.isValid()) return;
        wasBusy = inspector.services().busy();
        stopping.start();
        QMetaObject::invokeMethod(progress->findChild<QPushButton*>(), "click");
    });
    health->ShowSubject(inspector.chosen());
    QTimer::singleShot(150, [&] { canceller.start(10); });
    ASSERT_TRUE(TurnUntil([&] { return stopping.isValid() && !inspector.services().busy(); }, 20000));
    const qint64 stopped = stopping.elapsed();
    ASSERT_TRUE(wasBusy) << "the diagnosis ended before it could be cancelled";
    if (kTimed) {
        EXPECT_LT(stopped, 500) << "ms from Cancel to the end of the work";
    }
    auto* bar = health->findChild<QWidget*>(QStringLiteral("cancelledBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->findChild<QLabel*>()->text().startsWith(QStringLiteral("Cancelled: Diagnosing")));
    EXPECT_EQ(findings->rowCount(), 0);
    QMetaObject::invokeMethod(bar->findChild<QPushButton*>(QStringLiteral("computeAgain")), "click");
    EXPECT_TRUE(TurnUntil([&] { return findings->rowCount() > 0 && !inspector.services().busy(); }, 120000));
    EXPECT_FALSE(bar->isVisible());
}

// Work that runs out of memory is a message naming the step, and the Inspector goes on.
TEST(InspectorTasks, OutOfMemoryIsAMessageNeverTheEnd) {
    ScriptedPrompts prompts;
    StdFileSystem files;
    InspectorWindow inspector(nullptr, files, &prompts);
    EXPECT_FALSE(inspector.services().RunTask(QStringLiteral("Mapping"),
                                              [](const ProgressPoll& /*poll*/) { throw std::bad_alloc(); }));
    EXPECT_FALSE(inspector.services().cancelled());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Out of memory: Mapping needs more memory")));
    EXPECT_TRUE(inspector.services().RunTask(QStringLiteral("Mapping"), [](const ProgressPoll& /*poll*/) {}));
}

}  // namespace
}  // namespace vesperine::qt::testing
