#pragma once

#include <QWidget>

namespace Ui {
class SettingItemBox;
}

// A foldable group of the settings panel: a title bar with an arrow button above its items.
// Folded means the container is hidden and the arrow button checked.
class SettingItemBox : public QWidget {
    Q_OBJECT

public:
    explicit SettingItemBox(QWidget* parent = nullptr);
    ~SettingItemBox() override;

    void setTitle(const QString& title);
    void addItem(QWidget* item);
    void setFold(bool fold);

private slots:
    void on_pb_fold_clicked(bool checked);

private:
    Ui::SettingItemBox* ui = nullptr;
};
