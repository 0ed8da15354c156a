// The Inspector's panels: each shows one side of the chosen subject, each made in a file of its own.
#pragma once

#include <QWidget>
#include <cstdint>

#include "app/progress_text.h"
#include "inspector/text.h"

namespace vesperine::inspector {
struct Subject;
}

namespace vesperine::qt::inspector {

using vesperine::inspector::Subject;
class InspectorServices;

// A panel works out what it shows only while it is visible, and once per subject: the work
// of a panel nobody looks at (hashing a large file) is never done.
class InspectorPanel : public QWidget {
public:
    explicit InspectorPanel(InspectorServices& services) : services_(services) {}

    // The subject to show from now on, nullptr for none. The window keeps it alive until the
    // next call, and calls it only while no task of the Inspector runs. What was shown is
    // cleared at once; the new subject is presented from the event loop.
    void ShowSubject(const Subject* subject);
    // Says above the panel's contents that the task titled title was cancelled: "Cancelled:
    // ...". When it was the panel's own presentation, a "Compute again" button presents the
    // subject anew; a task a button started is done again by that button. The note goes when
    // the panel next presents or runs a task.
    void ShowCancelled(const QString& title, bool presenting);
    void HideCancelled();

protected:
    // Shows subject, nullptr for none; may run long tasks.
    virtual void Present(const Subject* subject) = 0;
    void showEvent(QShowEvent* event) override;
    [[nodiscard]] InspectorServices& services() { return services_; }
    [[nodiscard]] const Subject* subject() const { return subject_; }

private:
    void PresentLater();

    InspectorServices& services_;
    const Subject* subject_ = nullptr;
    bool stale_ = true;
    QWidget* cancelledBar_ = nullptr;  // made at the first cancel
};

// The core's number forms (inspector/text.h) as the widgets take them.
[[nodiscard]] inline QString Hex8(std::uint32_t value) {
    return QString::fromStdString(vesperine::inspector::Hex8(value));
}
[[nodiscard]] inline QString Grouped(std::uint64_t n) {
    return QString::fromStdString(vesperine::inspector::Grouped(n));
}
[[nodiscard]] inline QString Counted(std::uint64_t n, const char* one, const char* many) {
    return QString::fromStdString(vesperine::inspector::Counted(n, one, many));
}

[[nodiscard]] InspectorPanel* MakeHealthPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeChecksumsPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeIdentityPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeReadsPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeMapPanel(InspectorServices& services);

}  // namespace vesperine::qt::inspector
