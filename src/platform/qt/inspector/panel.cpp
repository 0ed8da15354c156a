// InspectorPanel: presenting a subject once, when the panel is visible, from the event loop.
#include "platform/qt/inspector/panel.h"

#include <QBoxLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/inspector/inspector_services.h"

namespace vesperine::qt::inspector {

void InspectorPanel::ShowSubject(const Subject* subject) {
    subject_ = subject;
    stale_ = true;
    HideCancelled();
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
        HideCancelled();
        services_.ForgetCancelled();
        Present(subject_);
        if (services_.cancelled()) ShowCancelled(services_.lastTitle(), true);
    });
}

void InspectorPanel::ShowCancelled(const QString& title, bool presenting) {
    if (!cancelledBar_) {
        auto* box = qobject_cast<QBoxLayout*>(layout());
        if (!box) return;
        cancelledBar_ = new QWidget(this);
        cancelledBar_->setObjectName(QStringLiteral("cancelledBar"));
        auto* row = new QHBoxLayout(cancelledBar_);
        row->setContentsMargins(0, 0, 0, 0);
        auto* text = new QLabel(cancelledBar_);
        text->setObjectName(QStringLiteral("cancelledText"));
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setWordWrap(true);  // never wider than the panel
        auto* again = new QPushButton(QStringLiteral("Comp&ute again"), cancelledBar_);
        again->setObjectName(QStringLiteral("computeAgain"));
        row->addWidget(text, 1);
        row->addWidget(again);
        connect(again, &QPushButton::clicked, this, [this] {
            HideCancelled();
            stale_ = true;
            PresentLater();
        });
        box->insertWidget(0, cancelledBar_);
    }
    auto* text = cancelledBar_->findChild<QLabel*>(QStringLiteral("cancelledText"));
    text->setText(presenting
                      ? QStringLiteral("Cancelled: %1 stopped before it ended.").arg(title)
                      : QStringLiteral("Cancelled: %1 stopped before it ended; nothing of it was kept.").arg(title));
    cancelledBar_->findChild<QPushButton*>(QStringLiteral("computeAgain"))->setVisible(presenting && subject_);
    cancelledBar_->show();
}

void InspectorPanel::HideCancelled() {
    if (cancelledBar_) cancelledBar_->hide();
}

}  // namespace vesperine::qt::inspector
