// MainWindow: the dialog template as a Qt window, routing its sources to MainDialog's handlers.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <vector>

#include "app/control_ids.h"
#include "platform/qt/dialog_units.h"
#include "platform/qt/file_drop.h"
#include "platform/qt/key_filter.h"
#include "platform/qt/key_state.h"

class QAction;
class QMenuBar;

namespace vesperine {
class FileSystem;
class MainDialog;
}  // namespace vesperine

namespace vesperine::qt {

class RequestScrollBar;
class UserPrompts;
namespace inspector {
class InspectorWindow;
}

// A fixed-size window with a minimise box and a menu bar of four items, its controls placed
// in dialog units of the dialog font. Buttons, menu items, the memo's changes, the scroll
// bars' requests and the key filter's keys go to the attached MainDialog; Escape, the close
// box and Alt+F4 run its OnCancel, Enter where no control takes it its OnOk. A file dropped
// on a base pane or the base path loads as the base file, on the mask path as the mask file.
class MainWindow final : public QDialog {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The dialog whose handlers the window's sources run. Attach before Open.
    void Attach(MainDialog& dialog);
    // OnInitDialog, then shows the window modally without waiting (tests drive it from here).
    void Open();
    // Open, then waits until the dialog has ended.
    int RunModal();

    [[nodiscard]] QWidget* Control(int id) const;
    // The template id of a control of this window, 0 for anything else.
    [[nodiscard]] int IdOf(const QWidget* widget) const;
    [[nodiscard]] RequestScrollBar* ScrollBar(int id) const;
    [[nodiscard]] QAction* MenuAction(int menuId) const;
    [[nodiscard]] QMenuBar* menuBar() const { return menuBar_; }
    [[nodiscard]] QWidget* clientArea() const { return client_; }
    // One widget per template row, in template order.
    [[nodiscard]] const std::vector<QWidget*>& templateWidgets() const { return widgets_; }
    [[nodiscard]] const DialogUnits& units() const { return units_; }
    [[nodiscard]] KeyState& keys() { return keys_; }

    // While a long task runs nothing may reach the dialog's commands; a close request goes
    // to its OnCancel, which breaks the task off and then closes.
    void SetBusy(bool busy) { busy_ = busy; }
    [[nodiscard]] bool busy() const { return busy_; }

    // From now on F5 (no control of the dialog takes it) opens the Inspector on copies of the
    // dialog's base file and dump, or brings it to the front with them; it reads and saves
    // through files and asks through prompts (nullptr: its own message boxes and file dialogs).
    void EnableInspector(FileSystem& files, UserPrompts* prompts = nullptr);
    void OpenInspector();
    [[nodiscard]] inspector::InspectorWindow* inspectorWindow() const { return inspector_; }

    void done(int result) override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void RouteControls();
    void RouteDrops();
    void LoadDroppedFile(bool asBase, const DroppedFile& file);
    void OnFilterKey(FilterKey key);
    // The dialog, unless a long task runs: the progress dialog's modality keeps user input
    // away, and this keeps away anything that slips past it.
    [[nodiscard]] MainDialog* Reachable() const { return busy_ ? nullptr : dialog_; }

    DialogUnits units_;
    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    std::vector<QWidget*> widgets_;
    std::map<int, QWidget*> byId_;
    std::map<int, QAction*> menuActions_;
    std::map<QObject*, RequestScrollBar*> wheelTargets_;  // pane viewport -> its bar
    KeyState keys_;
    std::unique_ptr<KeyFilter> keyFilter_;
    MainDialog* dialog_ = nullptr;
    bool busy_ = false;
    bool endAgreed_ = false;  // closing was agreed to while the dialog's task ran
    FileSystem* inspectorFiles_ = nullptr;
    UserPrompts* inspectorPrompts_ = nullptr;
    inspector::InspectorWindow* inspector_ = nullptr;  // a child window, made at the first F5
};

}  // namespace vesperine::qt
