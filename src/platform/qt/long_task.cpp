// RunWithProgress: the worker thread, the progress dialog and the event loop that waits for both.
#include "platform/qt/long_task.h"

#include <QAbstractEventDispatcher>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

#include "app/progress_text.h"

namespace vesperine::qt {

namespace {

constexpr int kRefreshMs = 50;
constexpr int kBarSteps = 1000;

// What the worker reports and the interface thread reads. The three parts of a report are
// read apart, so a refresh may pair a new count with the unit before; the next refresh, 50 ms
// later, shows them together.
struct Shared {
    std::atomic<ProgressUnit> unit{ProgressUnit::Windows};
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::atomic<bool> reported{false};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
};

// Keeps the user's input away from the owner window while the work runs. This stands in for
// modality, which would also keep away the window system's close request for the owner: a
// close must reach it, to break the work off and then close.
class InputBlocker final : public QObject {
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop: return true;
            default: return false;
        }
    }
};

// A window of its own in front of the owner (its transient child). Closing it only asks the
// work to break off; it goes away when the work has ended.
class ProgressDialog final : public QDialog {
public:
    ProgressDialog(QWidget& owner, const QString& title, Shared& shared)
        : QDialog(&owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), title_(title), shared_(shared) {
        setObjectName(QString::fromLatin1(kProgressDialogName));
        setWindowTitle(title);
        auto* layout = new QVBoxLayout(this);
        label_ = new QLabel(this);
        // Wide enough for the longest count ("Examined 1,073,741,824 of ... (27 %), about 8 s
        // left"), so that the dialog and its Cancel do not move as the words change.
        label_->setMinimumWidth(label_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 72);
        bar_ = new QProgressBar(this);
        bar_->setRange(0, kBarSteps);
        auto* cancel = new QPushButton(tr("Cancel"), this);
        cancel->setAutoDefault(false);
        layout->addWidget(label_);
        layout->addWidget(bar_);
        layout->addWidget(cancel, 0, Qt::AlignRight);
        connect(cancel, &QPushButton::clicked, this, &ProgressDialog::reject);
        // Until the work's first report the title says what runs, and the bar moves without an
        // end: a dialog that stood still would look hung.
        label_->setText(title + QStringLiteral("..."));
        bar_->setRange(0, 0);
        Refresh();
    }

    void Refresh() {
        if (!shared_.reported || shared_.cancel) return;  // nothing to say before the first report
        const Progress progress{shared_.unit, shared_.done, shared_.total};
        // The time left is estimated per stage: a search's extraction runs at another rate
        // than its windows.
        if (!stageClock_.isValid() || progress.unit != stageUnit_) {
            stageUnit_ = progress.unit;
            stageClock_.start();
        }
        const double elapsed = static_cast<double>(stageClock_.elapsed()) / 1000.0;
        const QString text = QString::fromStdString(ProgressText(progress, elapsed));
        // A share of several passes says nothing of what is done: the title does.
        label_->setText(progress.unit == ProgressUnit::Share ? title_ + QStringLiteral(": ") + text : text);
        // Work without a known end (a search stepping by 0) counts up under a busy bar.
        if (progress.total == 0) {
            bar_->setRange(0, 0);
            return;
        }
        bar_->setRange(0, kBarSteps);
        const std::uint64_t done = std::min(progress.done, progress.total);
        bar_->setValue(static_cast<int>(static_cast<double>(done) / static_cast<double>(progress.total) * kBarSteps));
    }

    void reject() override {
        shared_.cancel = true;
        label_->setText(tr("Cancelling..."));
    }

private:
    QString title_;
    Shared& shared_;
    QElapsedTimer stageClock_;
    ProgressUnit stageUnit_ = ProgressUnit::Windows;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

}  // namespace

bool RunWithProgress(QWidget& owner, const QString& title, int showDelayMs,
                     const std::function<void(const ProgressPoll&)>& work) {
    Shared shared;
    ProgressDialog dialog(owner, title, shared);
    QEventLoop loop;
    std::atomic<bool> threw{false};

    const ProgressPoll poll = [&shared](const Progress& progress) {
        shared.unit = progress.unit;
        shared.done = progress.done;
        shared.total = progress.total;
        shared.reported = true;
        return shared.cancel.load();
    };
    // Woken, not posted to: a posted event would be made on the worker and freed on this
    // thread, an exchange through Qt's queue that no race checker can see.
    QAbstractEventDispatcher* const dispatcher = QAbstractEventDispatcher::instance();
    std::thread worker;
    try {
        worker = std::thread([&] {
            // Nothing may leave the thread: an exception there would end the program.
            try {
                work(poll);
            } catch (...) {
                threw = true;
            }
            shared.finished = true;
            if (dispatcher) dispatcher->wakeUp();  // the waiting loop below looks again
        });
    } catch (const std::system_error&) {
        return false;
    }

    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, &ProgressDialog::Refresh);
    refresh.start(kRefreshMs);
    InputBlocker blocker;
    if (QWindow* ownerWindow = owner.windowHandle()) ownerWindow->installEventFilter(&blocker);
    QTimer::singleShot(showDelayMs, &dialog, [&dialog] {
        dialog.show();
        dialog.activateWindow();  // the keyboard goes to Cancel and the break chord
    });

    while (!shared.finished) {
        const QEventLoop::ProcessEventsFlags input =
            dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
        loop.processEvents(input | QEventLoop::WaitForMoreEvents);
    }
    worker.join();
    return !threw;
}

}  // namespace vesperine::qt
