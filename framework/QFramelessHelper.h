#pragma once

#include <QObject>

class QWidget;

// Gives a frameless top-level widget back what the system frame gave.
class QFramelessHelper : public QObject {
    Q_OBJECT

public:
    QFramelessHelper(QWidget* widget, bool resizable, bool shadow, bool nativeFrame,
                     QObject* parent);

    void setTitleBar(QWidget* titleBar);
    bool handleNativeEvent(const QByteArray& eventType, void* message, long* result);
    void paintShadow();

signals:
    void maximizedChanged(bool max);

public slots:
    void showMinimized();
    void showMaximized();
    void showNormal();
    void switchMaximizedNormal();

private:
    QWidget* widget = nullptr;
    QWidget* titleBar = nullptr;
};
