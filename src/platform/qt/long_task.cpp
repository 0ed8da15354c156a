// RunWithProgress: the worker thread, the progress dialog and the event loop that waits for both.
#include "platform/qt/long_task.h"

#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <exception>
#include <thread>

namespace vesperine::qt {

namespace {

constexpr int kRefreshMs = 50;
constexpr int kBarSteps = 1000;

// What the worker reports and the interface thread reads.
struct Shared {
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
};

// Closing it only asks the work to break off; it goes away when the work has ended.
class ProgressDialog final : public QDialog {
public:
    ProgressDialog(QWidget& owner, const QString& title, Shared& shared)
        : QDialog(&owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), shared_(shared) {
        setObjectName(QString::fromLatin1(kProgressDialogName));
        setWindowTitle(title);
        setWindowModality(Qt::ApplicationModal);
        auto* layout = new QVBoxLayout(this);
        label_ = new QLabel(this);
        bar_ = new QProgressBar(this);
        bar_->setRange(0, kBarSteps);
        auto* cancel = new QPushButton(tr("Cancel"), this);
        cancel->setAutoDefault(false);
        layout->addWidget(label_);
        layout->addWidget(bar_);
        layout->addWidget(cancel, 0, Qt::AlignRight);
        connect(cancel, &QPushButton::clicked, this, &ProgressDialog::reject);
        Refresh();
    }

    void Refresh() {
        const std::uint64_t done = shared_.done;
        const std::uint64_t total = shared_.total;
        // Work without a known end (a search stepping by 0) counts up under a busy bar.
        if (total == 0) {
            label_->setText(QStringLiteral("%1 so far").arg(done));
            bar_->setRange(0, 0);
            return;
        }
        label_->setText(QStringLiteral("%1 of %2").arg(done).arg(total));
        bar_->setRange(0, kBarSteps);
        bar_->setValue(static_cast<int>(done * kBarSteps / total));
    }

    void reject() override { shared_.cancel = true; }

private:
    Shared& shared_;
    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

}  // namespace

void RunWithProgress(QWidget& owner, const QString& title, int showDelayMs,
                     const std::function<void(const ProgressPoll&)>& work) {
    Shared shared;
    ProgressDialog dialog(owner, title, shared);
    QEventLoop loop;
    std::exception_ptr failure;

    const ProgressPoll poll = [&shared](std::uint64_t done, std::uint64_t total) {
        shared.done = done;
        shared.total = total;
        return shared.cancel.load();
    };
    std::thread worker([&] {
        try {
            work(poll);
        } catch (...) {
            failure = std::current_exception();
        }
        shared.finished = true;
        // Any posted event wakes the waiting loop below.
        QMetaObject::invokeMethod(&loop, [] {}, Qt::QueuedConnection);
    });

    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, &ProgressDialog::Refresh);
    refresh.start(kRefreshMs);
    QTimer::singleShot(showDelayMs, &dialog, [&dialog] { dialog.show(); });

    while (!shared.finished) {
        const QEventLoop::ProcessEventsFlags input =
            dialog.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
        loop.processEvents(input | QEventLoop::WaitForMoreEvents);
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace vesperine::qt
