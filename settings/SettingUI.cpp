#include "settings/SettingUI.h"

SettingUI::SettingUI(QWidget* parent) : QWidget(parent) {}
