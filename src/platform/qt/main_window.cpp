// MainWindow: building the template, the menu bar, and routing every source to its handler.
#include "platform/qt/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>

#include "app/main_dialog.h"
#include "base/format.h"
#include "platform/qt/app_icon.h"
#include "platform/qt/control_builder.h"
#include "platform/qt/control_layout.h"
#include "platform/qt/inspector/inspector_window.h"
#include "platform/qt/request_scroll_bar.h"
#include "platform/qt/system_keys.h"

namespace vesperine::qt {

namespace {

// Each pane's hex and character boxes scroll through the bar beside them.
struct PaneBar {
    int paneId;
    int barId;
};
constexpr std::array<PaneBar, 4> kPaneBars{{
    {ids::kBaseHex, ids::kBaseScrollBar},
    {ids::kBaseText, ids::kBaseScrollBar},
    {ids::kDumpHex, ids::kDumpScrollBar},
    {ids::kDumpText, ids::kDumpScrollBar},
}};

// The controls that take a dropped file, and whether it loads as the base file or the mask.
struct DropTarget {
    int controlId;
    bool asBase;
};
constexpr std::array<DropTarget, 4> kDropTargets{{
    {ids::kBaseHex, true},
    {ids::kBaseText, true},
    {ids::kBasePath, true},
    {ids::kMaskPath, false},
}};

}  // namespace

MainWindow::MainWindow() : QDialog(nullptr), units_(DialogFont()) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kWindowCaption.data(), static_cast<int>(kWindowCaption.size())));
    setWindowIcon(AppIcon());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // not resizable
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    client_ = new QWidget(this);
    client_->setFont(DialogFont());
    client_->setFixedSize(units_.X(kClientWidth), units_.Y(kClientHeight));
    layout->addWidget(client_);

    BuiltControls built = BuildControls(*client_, units_);
    widgets_ = std::move(built.inTemplateOrder);
    byId_ = std::move(built.byId);
    BuildMenu();
    RouteControls();
    RouteDrops();
    keys_.SetSystemQuery(SystemKeyQuery());
}

MainWindow::~MainWindow() {
    if (keyFilter_) qApp->removeEventFilter(keyFilter_.get());
}

void MainWindow::BuildMenu() {
    for (const MenuItem& item : kMenuItems) {
        // Items sit on the bar itself; no drop-down menus.
        QAction* action =
            menuBar_->addAction(QString::fromLatin1(item.text.data(), static_cast<int>(item.text.size())));
        menuActions_[item.id] = action;
        connect(action, &QAction::triggered, this, [this, id = item.id] {
            if (MainDialog* dialog = Reachable()) dialog->OnMenuCommand(id);
        });
    }
}

void MainWindow::RouteControls() {
    for (const auto& [id, widget] : byId_) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            // Radio buttons and the check box route nothing: a command pulls their state.
            if (button->isCheckable()) continue;
            connect(button, &QAbstractButton::clicked, this, [this, id = id] {
                if (MainDialog* dialog = Reachable()) dialog->OnButtonClicked(id);
            });
        } else if (auto* bar = qobject_cast<RequestScrollBar*>(widget)) {
            connect(bar, &RequestScrollBar::requested, this, [this, id = id](ScrollRequest request) {
                if (MainDialog* dialog = Reachable()) dialog->OnVScroll(request, id);
            });
        }
    }
    auto* memo = static_cast<QPlainTextEdit*>(Control(ids::kMemo));
    connect(memo, &QPlainTextEdit::textChanged, this, [this] {
        if (MainDialog* dialog = Reachable()) dialog->OnEditChanged(ids::kMemo);
    });
    for (const PaneBar& pane : kPaneBars) {
        auto* edit = static_cast<QPlainTextEdit*>(Control(pane.paneId));
        wheelTargets_[edit->viewport()] = ScrollBar(pane.barId);
        edit->viewport()->installEventFilter(this);
    }
}

void MainWindow::RouteDrops() {
    const auto accepting = [this] { return Reachable() != nullptr; };
    auto* base = new FileDropFilter(this, accepting, [this](const DroppedFile& file) { LoadDroppedFile(true, file); });
    auto* mask = new FileDropFilter(this, accepting, [this](const DroppedFile& file) { LoadDroppedFile(false, file); });
    for (const DropTarget& target : kDropTargets) {
        QWidget* control = Control(target.controlId);
        // A pane's drags arrive at its viewport, the widget under the pointer.
        auto* plain = qobject_cast<QPlainTextEdit*>(control);
        for (QWidget* receiver : {control, plain ? plain->viewport() : nullptr}) {
            if (!receiver) continue;
            receiver->setAcceptDrops(true);
            receiver->installEventFilter(target.asBase ? base : mask);
        }
    }
}

void MainWindow::LoadDroppedFile(bool asBase, const DroppedFile& file) {
    // After the drop has been answered: a message box opened inside the drop would keep the
    // program the file came from waiting for the answer.
    QTimer::singleShot(0, this, [this, asBase, file] {
        MainDialog* dialog = Reachable();
        if (!dialog) return;
        if (!file.refusal.empty()) {
            dialog->host().ShowMessage(file.refusal, std::nullopt, MessageButtons::Ok);
            return;
        }
        const std::string path = QFile::encodeName(file.path).toStdString();
        if (asBase) dialog->LoadBaseFileFrom(path);
        else dialog->LoadMaskFileFrom(path);
    });
}

void MainWindow::Attach(MainDialog& dialog) { dialog_ = &dialog; }

void MainWindow::EnableInspector(FileSystem& files, UserPrompts* prompts) {
    inspectorFiles_ = &files;
    inspectorPrompts_ = prompts;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::OpenInspector);
}

void MainWindow::OpenInspector() {
    MainDialog* dialog = Reachable();
    if (!dialog || !inspectorFiles_) return;
    // The dialog's child, so that its modality leaves the Inspector reachable.
    if (!inspector_) {
        inspector_ = new inspector::InspectorWindow(this, *inspectorFiles_, inspectorPrompts_);
        inspector_->services().SetBreakKeys(&keys_);
        inspector_->services().SetDumpJump([this](std::uint64_t offset) {
            MainDialog* reachable = Reachable();
            if (!reachable) return;
            // As a person would: the address into the dump's jump box, then its jump command.
            reachable->host().SetControlText(ids::kDumpJumpText, HexDigits(offset, 8));
            reachable->DumpJump();
        });
    }
    const Workspace& workspace = dialog->workspace();
    // While the dialog's own task runs its dump is being written: the Inspector only comes forward.
    if (dialog->LongTaskRunning()) {
        inspector_->show();
        inspector_->raise();
        return;
    }
    inspector_->ShowDialogSubjects(dialog->fields().basePath, workspace.BaseSnapshot(), workspace.DumpSnapshot());
}

void MainWindow::Open() {
    if (!keyFilter_) {
        keyFilter_ = std::make_unique<KeyFilter>(*this, keys_, [this](FilterKey key) { OnFilterKey(key); });
        qApp->installEventFilter(keyFilter_.get());
    }
    if (dialog_) dialog_->OnInitDialog();
    setModal(true);
    show();
    activateWindow();
}

int MainWindow::RunModal() {
    Open();
    return exec();
}

void MainWindow::OnFilterKey(FilterKey key) {
    if (MainDialog* dialog = Reachable()) dialog->OnKeyDown(key);
}

QWidget* MainWindow::Control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

int MainWindow::IdOf(const QWidget* widget) const {
    for (const auto& [id, control] : byId_)
        if (control == widget) return id;
    return 0;
}

RequestScrollBar* MainWindow::ScrollBar(int id) const { return qobject_cast<RequestScrollBar*>(Control(id)); }

QAction* MainWindow::MenuAction(int menuId) const {
    const auto it = menuActions_.find(menuId);
    return it == menuActions_.end() ? nullptr : it->second;
}

void MainWindow::done(int result) {
    if (keyFilter_) {
        qApp->removeEventFilter(keyFilter_.get());
        keyFilter_.reset();
    }
    QDialog::done(result);
}

void MainWindow::reject() {
    // The Inspector goes with the dialog: its task breaks off first (then closing is tried
    // again), and what it holds unsaved is asked about, also while the dialog's own task runs.
    // Once agreed during that task, the break-off that ends the run does not ask again.
    if (inspector_ && !endAgreed_) {
        if (!inspector_->MayEnd()) {
            if (inspector_->services().busy()) QTimer::singleShot(50, this, [this] { reject(); });
            return;
        }
        endAgreed_ = busy_;
    }
    // Escape and the close box: closing is the dialog's OnCancel, which ends the run itself.
    // During a long task it asks the task to break off, and the window closes once it has.
    if (dialog_) dialog_->OnCancel();
    else if (!busy_) done(QDialog::Rejected);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_F4 && modifiers == Qt::AltModifier) {
        // Where no window manager takes Alt+F4 (it never reaches the key filter's F4).
        reject();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        if (MainDialog* dialog = Reachable()) dialog->OnOk();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The window stays until the task has broken off; the dialog then ends the run.
        event->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        const auto it = wheelTargets_.find(watched);
        if (it != wheelTargets_.end()) {
            // The panes have no scrolling of their own; the wheel asks their bar for lines.
            it->second->Wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vesperine::qt
