#include "main_window/KvSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <cmath>
#include <limits>

namespace {

const char* const sliderStyleSheet =
    "QSlider::groove:horizontal{border:5px solid #C7C7C7;height:0px;border-radius:5px;}"
    "QSlider::handle:horizontal{border:none;width:10px;height:40px;min-height:34px;"
    "margin-top:-22px;margin-left:-5px;margin-bottom:-22px;margin-right:-5px;"
    "image:url(:/img/assets/btn_playbar_SelectionPoint.svg);}"
    "QSlider::sub-page:horizontal{border:5px solid #004B6A;height:0px;border-radius:5px;"
    "margin-left:0px;}"
    "QSlider::handle:horizontal:disabled{image:url(:/img/assets/btn_playbar_thumbs_disable.svg);}";

}  // namespace

int trackClickValue(int minimum, int maximum, int handleLength, int trackLength, int position) {
    const double span = double(trackLength) - handleLength;
    if (span <= 0.0) {
        return minimum;
    }
    const double value =
        minimum + (double(maximum) - minimum) * (position - 0.5 * handleLength) / span;
    // Saturate instead of overflowing the conversion on tiny tracks with huge ranges.
    const double limited = std::fmax(double(std::numeric_limits<int>::min()),
                                     std::fmin(value, double(std::numeric_limits<int>::max())));
    return static_cast<int>(limited);
}

KvSlider::KvSlider(QWidget* parent) : QSlider(parent) {
    setStyleSheet(sliderStyleSheet);
}

// GUI thread only.
void KvSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    const QRect handle = handleRect();
    const bool horizontal = orientation() == Qt::Horizontal;
    const int value = trackClickValue(
        minimum(), maximum(), horizontal ? handle.width() : handle.height(),
        horizontal ? width() : height(), horizontal ? event->pos().x() : event->pos().y());
    setValue(value);
    emit trackClicked(value);
    // A press beside the handle is the jump alone: no page step, no drag.
    if (!handle.contains(event->pos())) {
        event->accept();
        return;
    }
    // Truncation can leave the moved handle up to one value short of the pointer, and QSlider
    // hit-tests again: a press off the moved handle would page-step instead of dragging.
    const QRect moved = handleRect();
    const QPoint inside(qBound(moved.left(), event->pos().x(), moved.right()),
                        qBound(moved.top(), event->pos().y(), moved.bottom()));
    const QPointF shift = inside - event->pos();
    QMouseEvent press(event->type(), inside, event->windowPos() + shift, event->screenPos() + shift,
                      event->button(), event->buttons(), event->modifiers(), event->source());
    QSlider::mousePressEvent(&press);
    event->setAccepted(press.isAccepted());
}

QRect KvSlider::handleRect() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}
