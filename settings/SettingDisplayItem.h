#pragma once

#include <QWidget>

#include <cstdint>

class QComboBox;

namespace Ui {
class SettingDisplayItem;
}

// The "Display" group's row: accumulation time and frame rate, picked from a list or typed.
// The two combo boxes are its only state; accepted values leave through the signals.
class SettingDisplayItem : public QWidget {
    Q_OBJECT

public:
    explicit SettingDisplayItem(QWidget* parent = nullptr);
    ~SettingDisplayItem() override;

signals:
    void signalCumulativeTimeChanged(uint64_t time_us);
    void signalFpsChanged(uint32_t fps);

private slots:
    void on_cb_frame_rate_currentTextChanged(const QString& arg1);
    void on_cb_accumulation_time_currentIndexChanged(int index);
    void on_cb_frame_rate_currentIndexChanged(int index);

private:
    // Connected to the line edits in the constructor; not declared as slots so that the
    // form's by-name wiring does not look for signals of these names.
    void on_cb_accumulation_time_lineEditTextChanged(const QString& arg1);
    void on_cb_accumulation_time_lineEditTextFinished();
    void on_cb_frame_rate_lineEditTextFinished();

    void useNoFocusFrameList(QComboBox* box);

    Ui::SettingDisplayItem* ui = nullptr;
};
