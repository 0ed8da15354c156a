// InspectorPanel: presenting a subject once, when the panel is visible, from the event loop.
#include "platform/qt/inspector/panel.h"

#include <QTimer>

#include "platform/qt/inspector/inspector_services.h"

namespace vesperine::qt::inspector {

void InspectorPanel::ShowSubject(const Subject* subject) {
    subject_ = subject;
    stale_ = true;
    Present(nullptr);
    if (subject && isVisible()) PresentLater();
}

void InspectorPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) PresentLater();
}

void InspectorPanel::PresentLater() {
    // Not inside a show event or a selection change: a long task runs an event loop of its own.
    QTimer::singleShot(0, this, [this] {
        if (!stale_ || !isVisible() || services_.busy() || !subject_) return;
        stale_ = false;
        Present(subject_);
    });
}

}  // namespace vesperine::qt::inspector
