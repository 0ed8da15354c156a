// InspectorWindow: the chooser of subjects, the tabs of panels, and the ways files come in.
#include "platform/qt/inspector/inspector_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/app_icon.h"
#include "platform/qt/file_drop.h"
#include "platform/qt/inspector/panel.h"
#include "platform/qt/user_prompts.h"

namespace vesperine::qt::inspector {

namespace {

QString FileNameOf(const std::string& path) { return QFileInfo(ShownPath(path)).fileName(); }

const char* const kGeometryKey = "inspector/geometry";

}  // namespace

QRect PlaceBeside(const QRect& dialog, const QSize& size, const QRect& available, int narrowest) {
    const int rightRoom = available.right() - dialog.right();
    const int leftRoom = dialog.left() - available.left();
    const int height = std::min(size.height(), available.height());
    const int top = std::clamp(dialog.top(), available.top(), available.bottom() + 1 - height);
    if (size.width() <= rightRoom) return {dialog.right() + 1, top, size.width(), height};
    if (size.width() <= leftRoom) return {dialog.left() - size.width(), top, size.width(), height};
    const bool right = rightRoom >= leftRoom;
    const int width = std::min(size.width(), std::max(narrowest, right ? rightRoom : leftRoom));
    // Against the dialog where the room allows, else against the screen's edge on that side.
    const int x = right ? std::min(dialog.right() + 1, available.right() + 1 - width)
                        : std::max(dialog.left() - width, available.left());
    return {std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - width)), top, width,
            height};
}

InspectorWindow::InspectorWindow(QWidget* parent, FileSystem& files, UserPrompts* prompts)
    : QWidget(parent, Qt::Window),
      ownPrompts_(prompts ? nullptr : std::make_unique<DialogPrompts>(this)),
      services_(*this, prompts ? *prompts : *ownPrompts_, files) {
    setObjectName(QStringLiteral("vesperineInspector"));
    setWindowTitle(QStringLiteral("Vesperine Inspector"));
    setWindowIcon(AppIcon());
    setWindowModality(Qt::NonModal);
    resize(900, 620);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Inspecting:"), this);
    chooser_ = new QComboBox(this);
    chooser_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    chooser_->setMinimumContentsLength(40);
    label->setBuddy(chooser_);
    auto* open = new QPushButton(QStringLiteral("&Open file..."), this);
    top->addWidget(label);
    top->addWidget(chooser_, 1);
    top->addWidget(open);
    layout->addLayout(top);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_, 1);

    AddPanel(MakeHealthPanel(services_), QStringLiteral("&Health"));
    AddPanel(MakeChecksumsPanel(services_), QStringLiteral("&Checksums"));
    AddPanel(MakeIdentityPanel(services_), QStringLiteral("I&dentity"));
    AddPanel(MakeReadsPanel(services_), QStringLiteral("&Reads"));
    InspectorPanel* map = MakeMapPanel(services_);
    AddPanel(map, QStringLiteral("&Map"));
    services_.SetSubjectsSource([this] {
        std::vector<const Subject*> subjects;
        for (const Entry& entry : entries_) subjects.push_back(entry.subject.get());
        return subjects;
    });
    services_.SetUnstableListener([this, map] { map->ShowSubject(chosen()); });
    services_.SetTaskListener([this](const QString& title, bool cancelled) {
        auto* panel = static_cast<InspectorPanel*>(tabs_->currentWidget());
        if (!panel) return;
        if (cancelled) panel->ShowCancelled(title, false);
        else panel->HideCancelled();
    });

    connect(chooser_, &QComboBox::currentIndexChanged, this, [this] { ShowChosen(); });
    connect(open, &QPushButton::clicked, this, [this] {
        if (const auto path = services_.ChooseOpenFile()) InspectFile(*path);
    });
    // Shortcuts come before any control's own handling, so the panels step wherever the focus is.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
            [this] { StepPanel(1); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this), &QShortcut::activated, this,
            [this] { StepPanel(-1); });

    setAcceptDrops(true);
    installEventFilter(new FileDropFilter(
        this, [this] { return !services_.busy(); },
        [this](const DroppedFile& file) {
            // After the drop has been answered, so the program it came from is not kept waiting.
            QTimer::singleShot(0, this, [this, file] {
                if (!file.refusal.empty()) services_.Tell(QString::fromStdString(file.refusal));
                else InspectFile(QFile::encodeName(file.path).toStdString());
            });
        }));
    ShowChosen();
}

InspectorWindow::~InspectorWindow() {
    // Closing the dialog ends the Inspector with it, without a close of its own.
    if (isVisible()) RememberPlace();
}

void InspectorWindow::Place() {
    placed_ = true;
    if (restoreGeometry(QSettings().value(QString::fromLatin1(kGeometryKey)).toByteArray())) return;
    const QWidget* dialog = parentWidget() ? parentWidget()->window() : nullptr;
    if (!dialog || !dialog->isVisible()) return;
    const QScreen* screen = dialog->screen();
    if (!screen) return;
    // The frame's margins are known only once shown: those of the dialog stand in for them.
    const QMargins frame(dialog->geometry().left() - dialog->frameGeometry().left(),
                         dialog->geometry().top() - dialog->frameGeometry().top(),
                         dialog->frameGeometry().right() - dialog->geometry().right(),
                         dialog->frameGeometry().bottom() - dialog->geometry().bottom());
    // No narrower than the layout allows: a narrower place would be widened past the screen's edge.
    const int narrowest = std::max(kNarrowest, minimumSizeHint().width() + frame.left() + frame.right());
    const QRect placed =
        PlaceBeside(dialog->frameGeometry(), size().grownBy(frame), screen->availableGeometry(), narrowest)
            .marginsRemoved(frame);
    resize(placed.size());
    move(placed.topLeft() - QPoint(frame.left(), frame.top()));
}

void InspectorWindow::RememberPlace() const {
    if (placed_) QSettings().setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
}

void InspectorWindow::showEvent(QShowEvent* event) {
    if (!placed_) Place();
    QWidget::showEvent(event);
}

void InspectorWindow::hideEvent(QHideEvent* event) {
    RememberPlace();
    QWidget::hideEvent(event);
}

void InspectorWindow::AddPanel(InspectorPanel* panel, const QString& title) {
    panels_.push_back(panel);
    tabs_->addTab(panel, title);
}

const Subject* InspectorWindow::chosen() const {
    const int index = chooser_->currentIndex();
    if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
    return entries_[static_cast<std::size_t>(index)].subject.get();
}

void InspectorWindow::ShowDialogSubjects(const std::string& basePath, SharedBytes base, SharedBytes dump) {
    show();
    raise();
    activateWindow();
    if (services_.busy()) return;  // a task reads the subjects: they stay until it ends
    // The panels let go of the old subjects before they are dropped.
    for (InspectorPanel* panel : panels_) panel->ShowSubject(nullptr);
    services_.SetUnstable(nullptr, {});
    std::erase_if(entries_, [](const Entry& entry) { return entry.fromDialog; });
    const QString baseName = basePath.empty() ? QStringLiteral("base file") : FileNameOf(basePath);
    const bool hasBase = !base.empty();
    const bool hasDump = !dump.empty();
    if (hasBase)
        entries_.insert(
            entries_.begin(),
            Entry{std::make_unique<Subject>(
                      Subject{QStringLiteral("Base file: %1").arg(baseName).toStdString(), basePath, std::move(base)}),
                  true});
    if (hasDump) {
        auto subject = std::make_unique<Subject>(Subject{QStringLiteral("Dialog's dump: %1 cut from %2")
                                                             .arg(Counted(dump.size(), "byte", "bytes"), baseName)
                                                             .toStdString(),
                                                         basePath, std::move(dump), true});
        entries_.insert(entries_.begin() + (hasBase ? 1 : 0), Entry{std::move(subject), true});
    }
    RefillChooser(hasDump && hasBase ? 1 : 0);
}

void InspectorWindow::InspectFile(const std::string& path) {
    if (services_.busy()) return;
    std::optional<ByteBuffer> bytes = services_.ReadFile(path);
    if (!bytes) return;
    if (bytes->empty()) {
        services_.Tell(QStringLiteral("%1 is empty: there is nothing to inspect.").arg(ShownPath(path)));
        return;
    }
    for (InspectorPanel* panel : panels_) panel->ShowSubject(nullptr);
    entries_.push_back(
        Entry{std::make_unique<Subject>(Subject{FileNameOf(path).toStdString(), path, SharedBytes(std::move(*bytes))}),
              false});
    RefillChooser(static_cast<int>(entries_.size()) - 1);
}

void InspectorWindow::RefillChooser(int chosenIndex) {
    const QSignalBlocker quiet(chooser_);
    chooser_->clear();
    for (const Entry& entry : entries_) chooser_->addItem(QString::fromStdString(entry.subject->name));
    chooser_->setCurrentIndex(entries_.empty() ? -1 : chosenIndex);
    ShowChosen();
}

void InspectorWindow::ShowChosen() {
    const Subject* subject = chosen();
    for (InspectorPanel* panel : panels_) panel->ShowSubject(subject);
}

void InspectorWindow::StepPanel(int step) {
    const int count = tabs_->count();
    tabs_->setCurrentIndex((tabs_->currentIndex() + step + count) % count);
}

void InspectorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void InspectorWindow::closeEvent(QCloseEvent* event) {
    if (services_.busy()) {
        // The task breaks off first; the window closes once it has.
        services_.BreakOff();
        event->ignore();
        QTimer::singleShot(50, this, [this] { close(); });
        return;
    }
    // Beside a dialog, closing only hides the window and everything in it stays for the next
    // F5; alone, closing ends the program.
    if (!services_.hasDialog() && !services_.MayDiscard(QStringLiteral("the Inspector"))) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool InspectorWindow::MayEnd() {
    if (services_.busy()) {
        services_.BreakOff();
        return false;
    }
    return services_.MayDiscard(QStringLiteral("the dialog"));
}

}  // namespace vesperine::qt::inspector
