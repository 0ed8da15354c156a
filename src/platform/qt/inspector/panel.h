// The Inspector's panels: each shows one side of the chosen subject, each made in a file of its own.
#pragma once

#include <QWidget>

namespace vesperine::qt::inspector {

struct Subject;
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
};

[[nodiscard]] InspectorPanel* MakeHealthPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeChecksumsPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeIdentityPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeReadsPanel(InspectorServices& services);
[[nodiscard]] InspectorPanel* MakeMapPanel(InspectorServices& services);

}  // namespace vesperine::qt::inspector
