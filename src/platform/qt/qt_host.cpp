// QtHost: control texts in the code page, radio groups, bars, focus, prompts and the wait cursor.
#include "platform/qt/qt_host.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/control_ids.h"
#include "platform/qt/long_task.h"
#include "platform/qt/main_window.h"
#include "platform/qt/request_scroll_bar.h"
#include "platform/qt/user_prompts.h"

namespace vesperine::qt {

namespace {

// The path edits show file-name bytes, not text of the code page.
bool IsPath(int id) { return id == ids::kBasePath || id == ids::kMaskPath; }

QString FromFileName(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace

QtHost::QtHost(MainWindow& window, UserPrompts& prompts, int codePage)
    : window_(window), prompts_(prompts), codec_(codePage) {}

QString QtHost::ShownText(int id) const {
    QWidget* control = window_.Control(id);
    if (auto* line = qobject_cast<QLineEdit*>(control)) return line->text();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) return plain->toPlainText();
    return {};
}

QString QtHost::Decode(int id, std::string_view bytes) const {
    return IsPath(id) ? FromFileName(bytes) : codec_.Decode(bytes);
}

std::string QtHost::Encode(int id, const QString& text) const {
    return IsPath(id) ? QFile::encodeName(text).toStdString() : codec_.Encode(text);
}

std::string QtHost::ControlText(int id) const {
    const QString shown = ShownText(id);
    const auto it = pushed_.find(id);
    if (it != pushed_.end() && it->second.shown == shown) return it->second.bytes;
    return Encode(id, shown);
}

void QtHost::SetControlText(int id, std::string_view text) {
    QWidget* control = window_.Control(id);
    const auto it = pushed_.find(id);
    // Setting the same text again would only move the caret and the view to the top.
    if (it != pushed_.end() && it->second.bytes == text && it->second.shown == ShownText(id)) return;
    const QString shown = Decode(id, text);
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        line->setText(shown);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        plain->setPlainText(shown);
    } else {
        return;
    }
    // The widget may normalise what it was given; remember what it actually shows.
    pushed_[id] = Pushed{std::string(text), ShownText(id)};
}

void QtHost::LimitText(int id, int maxChars) {
    if (auto* line = qobject_cast<QLineEdit*>(window_.Control(id))) line->setMaxLength(maxChars);
}

int QtHost::CheckedRadio(int firstId, int lastId) const {
    for (int id = firstId; id <= lastId; ++id) {
        auto* button = qobject_cast<QAbstractButton*>(window_.Control(id));
        if (button && button->isChecked()) return id - firstId;
    }
    return -1;
}

void QtHost::CheckRadio(int firstId, int lastId, int position) {
    auto* first = qobject_cast<QAbstractButton*>(window_.Control(firstId));
    if (!first) return;
    QButtonGroup* group = first->group();
    // An exclusive group refuses to clear its last checked button; -1 must clear them all.
    if (group) group->setExclusive(false);
    for (int id = firstId; id <= lastId; ++id)
        if (auto* button = qobject_cast<QAbstractButton*>(window_.Control(id)))
            button->setChecked(id - firstId == position);
    if (group) group->setExclusive(true);
}

int QtHost::CheckState(int id) const {
    auto* box = qobject_cast<QAbstractButton*>(window_.Control(id));
    return box && box->isChecked() ? 1 : 0;
}

void QtHost::SetCheckState(int id, int state) {
    if (auto* box = qobject_cast<QAbstractButton*>(window_.Control(id))) box->setChecked(state != 0);
}

void QtHost::SetScrollRangeAndPos(int id, int minimum, int maximum, int position) {
    if (RequestScrollBar* bar = window_.ScrollBar(id)) bar->SetRangeAndPosition(minimum, maximum, position);
}

void QtHost::SetScrollPos(int id, int position) {
    if (RequestScrollBar* bar = window_.ScrollBar(id)) bar->SetPosition(position);
}

int QtHost::ScrollPos(int id) const {
    const RequestScrollBar* bar = window_.ScrollBar(id);
    return bar ? bar->Position() : 0;
}

int QtHost::ScrollTrackPos(int id) const {
    const RequestScrollBar* bar = window_.ScrollBar(id);
    return bar ? bar->TrackPosition() : 0;
}

int QtHost::FocusedControl() const { return window_.IdOf(window_.focusWidget()); }

void QtHost::FocusControl(int id, bool selectAll) {
    QWidget* control = window_.Control(id);
    if (!control) return;
    control->setFocus(Qt::OtherFocusReason);
    if (!selectAll) return;
    if (auto* line = qobject_cast<QLineEdit*>(control)) line->selectAll();
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) plain->selectAll();
}

MessageAnswer QtHost::ShowMessage(std::string_view text, std::optional<std::string_view> caption,
                                  MessageButtons buttons) {
    // Captions are the file paths of failed opens or plain ASCII; a box without one carries
    // the application's title.
    const QString title = caption ? FromFileName(*caption) : QCoreApplication::applicationName();
    return prompts_.AskMessage(codec_.Decode(text), title, buttons);
}

std::optional<std::string> QtHost::ChooseOpenFile() {
    const auto path = prompts_.ChooseFile(FileChoice::Open);
    if (!path) return std::nullopt;
    return QFile::encodeName(*path).toStdString();
}

std::optional<std::string> QtHost::ChooseSaveFile() {
    const auto path = prompts_.ChooseFile(FileChoice::Save);
    if (!path) return std::nullopt;
    return QFile::encodeName(*path).toStdString();
}

void QtHost::BeginWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
}

void QtHost::EndWaitCursor() {
    if (waitDepth_ == 0) return;
    --waitDepth_;
    QGuiApplication::restoreOverrideCursor();
}

bool QtHost::IsKeyDown(PolledKey key) { return window_.keys().Query(key); }

bool QtHost::RunLongTask(std::string_view title, const std::function<void(const ProgressPoll&)>& work) {
    const WaitCursor waitCursor(*this);
    window_.SetBusy(true);
    window_.keys().ForgetPresses();
    struct Idle {
        MainWindow& window;
        ~Idle() { window.SetBusy(false); }
    } idle{window_};
    if (!progressHook_) return RunWithProgress(window_, codec_.Decode(title), progressDelayMs_, work);
    return RunWithProgress(window_, codec_.Decode(title), progressDelayMs_, [this, &work](const ProgressPoll& poll) {
        work([this, &poll](const Progress& progress) {
            const bool broken = poll(progress);
            progressHook_(progress);
            return broken;
        });
    });
}

int QtHost::CodePage() const { return codec_.codePage(); }

void QtHost::EndDialog(int result) { window_.done(result); }

}  // namespace vesperine::qt
