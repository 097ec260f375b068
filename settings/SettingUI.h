#pragma once

#include <QWidget>

#include <cstdint>

// The side panel with the foldable setting groups.
class SettingUI : public QWidget {
    Q_OBJECT

public:
    explicit SettingUI(QWidget* parent = nullptr);

signals:
    void signalFpsChanged(uint32_t fps);
    void signalCumulativeTimeChanged(uint64_t time_us);
};
