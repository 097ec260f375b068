#pragma once

#include <QWidget>

class QFramelessHelper;

// A top-level widget without a system frame; its QFramelessHelper moves, resizes and shadows it.
class QFramelessWidget : public QWidget {
    Q_OBJECT

public:
    QFramelessWidget(QWidget* parent, bool resizable, bool shadow, bool nativeFrame);
    ~QFramelessWidget() override;

    QFramelessHelper* framelessHelper() const { return helper; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;

private:
    // A child of the widget, deleted with it.
    QFramelessHelper* helper = nullptr;
};
