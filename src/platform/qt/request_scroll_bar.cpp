// RequestScrollBar: QScrollBar's actions turned into scroll requests, its own moves undone.
#include "platform/qt/request_scroll_bar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>

namespace vesperine::qt {

namespace {
constexpr int kWheelNotch = 120;  // eighths of a degree in one notch of a common wheel
}

RequestScrollBar::RequestScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
    setFocusPolicy(Qt::NoFocus);
    setRange(0, 0);
    setPageStep(0);
    // Without tracking the value stays put while the thumb is dragged; the drag is reported
    // as thumb-track requests and the handler decides where the bar goes.
    setTracking(false);
    connect(this, &QAbstractSlider::actionTriggered, this, &RequestScrollBar::OnAction);
    connect(this, &QAbstractSlider::sliderMoved, this, [this] { emit requested(ScrollRequest::ThumbTrack); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        emit requested(ScrollRequest::ThumbPosition);
        emit requested(ScrollRequest::EndScroll);
    });
}

void RequestScrollBar::SetRangeAndPosition(int minimum, int maximum, int position) {
    if (maximum < minimum) minimum = maximum = 0;
    setRange(minimum, maximum);
    setValue(std::clamp(position, minimum, maximum));
}

void RequestScrollBar::SetPosition(int position) { setValue(std::clamp(position, minimum(), maximum())); }

void RequestScrollBar::OnAction(int action) {
    // QAbstractSlider has already moved the slider position and applies it to the value when
    // this returns; putting it back leaves the bar to the request's handler.
    if (!isSliderDown()) setSliderPosition(value());
    switch (action) {
        case SliderSingleStepSub: emit requested(ScrollRequest::LineUp); break;
        case SliderSingleStepAdd: emit requested(ScrollRequest::LineDown); break;
        case SliderPageStepSub: emit requested(ScrollRequest::PageUp); break;
        case SliderPageStepAdd: emit requested(ScrollRequest::PageDown); break;
        case SliderToMinimum: emit requested(ScrollRequest::Top); break;
        case SliderToMaximum: emit requested(ScrollRequest::Bottom); break;
        default: break;  // SliderMove: the drag is reported by sliderMoved and sliderReleased
    }
}

QRect RequestScrollBar::PartRect(QStyle::SubControl part) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ScrollBar, &option, part, this);
}

void RequestScrollBar::Wheel(int angleDelta) {
    wheelRemainder_ += angleDelta;
    const int notches = wheelRemainder_ / kWheelNotch;
    wheelRemainder_ -= notches * kWheelNotch;
    const int lines = std::abs(notches) * QApplication::wheelScrollLines();
    const ScrollRequest request = notches > 0 ? ScrollRequest::LineUp : ScrollRequest::LineDown;
    for (int i = 0; i < lines; ++i) emit requested(request);
    if (lines > 0) emit requested(ScrollRequest::EndScroll);
}

void RequestScrollBar::wheelEvent(QWheelEvent* event) {
    Wheel(event->angleDelta().y());
    event->accept();
}

void RequestScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    // A thumb drag ends with its own requests (sliderReleased); arrow and page clicks end here.
    const bool dragging = isSliderDown();
    QScrollBar::mouseReleaseEvent(event);
    if (!dragging && event->button() == Qt::LeftButton) emit requested(ScrollRequest::EndScroll);
}

}  // namespace vesperine::qt
