#pragma once

#include <QDialog>

namespace Ui {
class InitDialog;
}

// The start-up picture with the version; closes itself after two seconds.
class InitDialog : public QDialog {
    Q_OBJECT

public:
    explicit InitDialog(QWidget* parent = nullptr);
    ~InitDialog() override;

private slots:
    void on_btn_close_clicked();

private:
    void useShadow();
    void useRoundedFrameOnly();

    Ui::InitDialog* ui = nullptr;
};
