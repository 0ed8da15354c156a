// The Inspector: a window of its own beside the dialog, with a panel per side of a dump.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "inspector/subject.h"
#include "platform/qt/inspector/inspector_services.h"

class QComboBox;
class QTabWidget;

namespace vesperine {
class FileSystem;
}

namespace vesperine::qt {
class UserPrompts;
}

namespace vesperine::qt::inspector {

class InspectorPanel;

// Where a window of size (frame included) goes beside dialog's frame on a screen's available
// area: to the right where it fits, else to the left, else on the roomier side narrowed to the
// room there (down to narrowest wide, then overlapping as little as it can); its top at the
// dialog's, moved up and cut to stay on the screen.
inline constexpr int kNarrowest = 480;
[[nodiscard]] QRect PlaceBeside(const QRect& dialog, const QSize& size, const QRect& available,
                                int narrowest = kNarrowest);

// A resizable top-level window that is never modal. Given a parent (the dialog), it is that
// window's transient child, so the dialog's modality leaves it reachable. It lists its
// subjects (the dialog's base file and dump, files given or dropped) in a chooser, and every
// panel shows the chosen one. Escape closes it; Ctrl+Tab and Ctrl+Shift+Tab step through the
// panels. A file dropped anywhere but on the Reads panel is read and inspected.
class InspectorWindow final : public QWidget {
public:
    // prompts: the seam for message boxes and file dialogs; nullptr for the real ones.
    InspectorWindow(QWidget* parent, FileSystem& files, UserPrompts* prompts = nullptr);
    ~InspectorWindow() override;

    // Replaces the subjects taken from the dialog with its base file and its dump, shared as
    // they are (either may be empty and is then left out), chooses the dump, and shows the
    // window in front. basePath names the base file; it is also an input no save may replace.
    void ShowDialogSubjects(const std::string& basePath, SharedBytes base, SharedBytes dump);
    // Whether the window may go with the dialog now: while a task runs, false after asking it
    // to break off (ask again shortly); then after asking about anything not yet saved.
    [[nodiscard]] bool MayEnd();
    // Reads the file (a long task) and chooses it; a file that cannot be read is told.
    void InspectFile(const std::string& path);

    [[nodiscard]] QTabWidget* tabs() const { return tabs_; }
    [[nodiscard]] QComboBox* chooser() const { return chooser_; }
    [[nodiscard]] InspectorServices& services() { return services_; }
    [[nodiscard]] const Subject* chosen() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Entry {
        std::unique_ptr<Subject> subject;
        bool fromDialog = false;
    };
    void AddPanel(InspectorPanel* panel, const QString& title);
    void Add(std::unique_ptr<Subject> subject, bool fromDialog);
    void RefillChooser(int chosenIndex);
    void ShowChosen();
    void StepPanel(int step);
    // At the first showing: where the person last left it, else beside the dialog.
    void Place();
    void RememberPlace() const;

    std::unique_ptr<UserPrompts> ownPrompts_;
    InspectorServices services_;
    QComboBox* chooser_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::vector<InspectorPanel*> panels_;
    std::vector<Entry> entries_;
    bool placed_ = false;
};

}  // namespace vesperine::qt::inspector
