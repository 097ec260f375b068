#pragma once

#include <vector>

#include "framework/QFramelessDialog.h"
#include "korvane/CameraDescription.h"

namespace Ui {
class CamerasList;
}

// Lets the user pick one of the cameras found by the search; the rows show the serials.
// Open or a double click accepts, Close or the cross rejects.
class CamerasList : public QFramelessDialog {
    Q_OBJECT

public:
    CamerasList(std::vector<korvane::CameraDescription> cameras, QWidget* parent);
    ~CamerasList() override;

    // Sets name to the serial of the current row; false, name untouched, when there is none.
    bool getSelectedCamera(QString& name) const;

private slots:
    void on_pb_win_close_clicked();

private:
    void showEvent(QShowEvent* event) override;
    void fillList(const std::vector<korvane::CameraDescription>& cameras);

    Ui::CamerasList* ui = nullptr;
    QWidget* anchorWidget = nullptr;
};
