#pragma once

#include <QString>

#include "framework/QFramelessDialog.h"
#include "korvane/RawFileInfo.h"

namespace Ui {
class RecordingInfoDialog;
}

// "Recording information": what `ostrel-raw info` reports about a recording, one line per row.
// The figures come from the reader that loaded it, so no second pass over the file is needed.
// Deletes itself when closed.
class RecordingInfoDialog : public QFramelessDialog {
    Q_OBJECT

public:
    RecordingInfoDialog(const QString& path, const korvane::RawFileInfo& info,
                        QWidget* parent = nullptr);
    ~RecordingInfoDialog() override;

private slots:
    void on_pb_win_close_clicked();

private:
    Ui::RecordingInfoDialog* ui = nullptr;
};
