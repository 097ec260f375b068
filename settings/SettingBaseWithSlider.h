#pragma once

#include <QWidget>

#include <string>

namespace Ui {
class SettingBaseWithSlider;
}

// One integer setting: name, minus button, slider, plus button and a box with the number.
// Every change of the slider is reported with the name as shown.
class SettingBaseWithSlider : public QWidget {
    Q_OBJECT

public:
    explicit SettingBaseWithSlider(const QString& name, QWidget* parent = nullptr);
    ~SettingBaseWithSlider() override;

    void setRange(int min, int max);
    // The slider clamps the value into its range.
    void setValue(int newValue);
    // Shows a value the setting already has, without reporting it as a change.
    void showValue(int newValue);
    QString name() const;

signals:
    void signalItemValueChanged(std::string name, int value);

private slots:
    void on_pb_sub_item_value_clicked();
    void on_pb_add_item_value_clicked();
    void on_slider_item_value_valueChanged(int value);
    void on_le_set_item_value_returnPressed();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void markRejected(bool rejected);

    Ui::SettingBaseWithSlider* ui = nullptr;
    int value = 0;
};
