#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <functional>

// Acts on the next modal dialog the way a user would. If the dialog is still open a while after
// the action, the driver closes it and reports timedOut() so a test cannot hang.
class ModalDriver : public QObject {
public:
    explicit ModalDriver(std::function<void(QWidget*)> action, int patienceMs = 5000)
        : action(std::move(action)), patienceMs(patienceMs) {
        connect(&timer, &QTimer::timeout, this, &ModalDriver::poll);
        timer.start(10);
        clock.start();
    }

    bool acted() const { return wasActed; }
    bool timedOut() const { return timedOutFlag; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!wasActed) {
            // Acts on the poll after the one that first saw the dialog, once it has been laid out
            // and painted, as a user would see it.
            if (modal && modal == seen && modal->isVisible()) {
                wasActed = true;
                target = modal;
                clock.restart();
                action(modal);
            } else if (clock.elapsed() > patienceMs) {
                timer.stop();
            }
            seen = modal;
            return;
        }
        if (target && target->isVisible() && clock.elapsed() > patienceMs) {
            timedOutFlag = true;
            target->close();
        }
        if (!target || !target->isVisible()) {
            timer.stop();
        }
    }

    std::function<void(QWidget*)> action;
    int patienceMs;
    QTimer timer;
    QElapsedTimer clock;
    QPointer<QWidget> seen;
    QPointer<QWidget> target;
    bool wasActed = false;
    bool timedOutFlag = false;
};
