#pragma once

#include <QDialog>

class QMovie;

namespace Ui {
class WaitingWin;
}

// Transparent busy animation shown modally while a WorkerThread runs; the caller connects the
// worker's taskCompleted to close() before exec(). Where the window system cannot show
// translucency, the animation sits on a small white panel instead.
class WaitingWin : public QDialog {
    Q_OBJECT

public:
    explicit WaitingWin(QWidget* anchorWidget);
    ~WaitingWin() override;

private:
    void showEvent(QShowEvent* event) override;
    void useOpaquePanel();

    Ui::WaitingWin* ui = nullptr;
    QMovie* movie = nullptr;
    QWidget* anchorWidget = nullptr;
};
