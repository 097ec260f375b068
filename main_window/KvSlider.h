#pragma once

#include <QSlider>

// The timeline slider: a click on the track jumps the handle there.
class KvSlider : public QSlider {
    Q_OBJECT

public:
    explicit KvSlider(QWidget* parent = nullptr);

signals:
    void trackClicked(int value);
};
