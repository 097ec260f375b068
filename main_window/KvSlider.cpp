#include "main_window/KvSlider.h"

KvSlider::KvSlider(QWidget* parent) : QSlider(parent) {}
