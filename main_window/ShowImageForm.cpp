#include "main_window/ShowImageForm.h"

#include <QPixmap>

ShowImageForm::ShowImageForm(QWidget* parent) : QWidget(parent) {}

void ShowImageForm::showPixMap(const QPixmap& pixmap) { Q_UNUSED(pixmap) }
