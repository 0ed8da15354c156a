// A vertical scroll bar that reports what the user asks of it and moves only when told to.
#pragma once

#include <QScrollBar>
#include <QStyle>

#include "app/control_ids.h"

namespace vesperine::qt {

// Arrow and page clicks, thumb drags and the wheel become scroll requests (line up, page
// down, thumb dragged, ...). The bar itself stays where it is: only SetPosition (the request's
// handler) moves it. While the thumb is dragged, TrackPosition is where it has been dragged to.
class RequestScrollBar final : public QScrollBar {
    Q_OBJECT
public:
    explicit RequestScrollBar(QWidget* parent = nullptr);

    void SetRangeAndPosition(int minimum, int maximum, int position);
    void SetPosition(int position);
    [[nodiscard]] int Position() const { return value(); }
    [[nodiscard]] int TrackPosition() const { return isSliderDown() ? sliderPosition() : value(); }

    // Where a part of the bar (arrow, page area, thumb) is drawn, in the bar's coordinates.
    [[nodiscard]] QRect PartRect(QStyle::SubControl part) const;

    // A wheel turn of angleDelta eighths of a degree, as line requests (from the bar or its pane).
    void Wheel(int angleDelta);

signals:
    void requested(vesperine::ScrollRequest request);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnAction(int action);

    int wheelRemainder_ = 0;  // eighths of a degree not yet worth a line
};

}  // namespace vesperine::qt
