#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QVBoxLayout;
class SettingItemBox;

namespace korvane {
struct BasicParameterInfo;
class CameraTool;
class DvsCamera;
}  // namespace korvane

namespace Ui {
class SettingUI;
}

// The side panel: a heading above a scrolling column of foldable groups, "Display" first and
// the open camera's "Biases" below it. GUI thread only.
class SettingUI : public QWidget {
    Q_OBJECT

public:
    explicit SettingUI(QWidget* parent = nullptr);
    ~SettingUI() override;

    // Rebuilds "Biases" from the camera's bias tool; an empty pointer only removes the group.
    void setBiasesToolToInitUI(std::shared_ptr<korvane::DvsCamera> camera);
    void initDisplaySettingUI();
    // Keeps the column ending in a stretch so that the groups stay at the top.
    void addStretchIfNeeded();

signals:
    void signalCumulativeTimeChanged(uint64_t time_us);
    void signalFpsChanged(uint32_t fps);

private slots:
    void onSliderValueChanged(std::string name, int value);
    void slotCumulativeTimeChanged(uint64_t time_us);
    void slotFpsChanged(uint32_t fps);

private:
    void removeGroup(SettingItemBox*& group);
    void insertGroup(SettingItemBox* group);
    SettingItemBox* createBiasesGroup(const std::vector<korvane::BasicParameterInfo>& params);
    int sensorValue(const std::string& name) const;

    Ui::SettingUI* ui = nullptr;
    QWidget* contentWidget = nullptr;
    QVBoxLayout* contentLayout = nullptr;
    std::shared_ptr<korvane::DvsCamera> camera;
    std::shared_ptr<korvane::CameraTool> biasesTool;
    SettingItemBox* biasesGroup = nullptr;
    SettingItemBox* displayGroup = nullptr;
};
