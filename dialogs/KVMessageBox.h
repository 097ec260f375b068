#pragma once

#include "framework/QFramelessDialog.h"

namespace Ui {
class KVMessageBox;
}

// A question with Open and Close: exec() gives 1 for Open, 0 for Close, the cross or Escape.
// With Buttons::Ok it only tells: a single OK button in Open's place.
class KVMessageBox : public QFramelessDialog {
    Q_OBJECT

public:
    enum class Buttons { OpenClose, Ok };

    KVMessageBox(const QString& message, const QString& title, QWidget* parent = nullptr,
                 Buttons buttons = Buttons::OpenClose);
    ~KVMessageBox() override;

private slots:
    void on_pb_open_clicked();
    void on_pb_close_clicked();
    void on_pb_win_close_clicked();

private:
    Ui::KVMessageBox* ui = nullptr;
};
