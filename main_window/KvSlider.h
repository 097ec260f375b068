#pragma once

#include <QSlider>

// Value for a click at position along a track of trackLength pixels with a handle of
// handleLength pixels: the handle is centred on the pointer, truncated toward zero and not
// clamped to [minimum, maximum]. A track no longer than the handle gives minimum.
int trackClickValue(int minimum, int maximum, int handleLength, int trackLength, int position);

// The timeline slider: a left click on the track jumps the handle there and emits trackClicked;
// a click on the handle starts an ordinary drag.
class KvSlider : public QSlider {
    Q_OBJECT

public:
    explicit KvSlider(QWidget* parent = nullptr);

signals:
    void trackClicked(int value);

private:
    void mousePressEvent(QMouseEvent* event) override;
    QRect handleRect() const;
};
