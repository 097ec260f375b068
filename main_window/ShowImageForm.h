#pragma once

#include <QWidget>

class QPixmap;

// Shows the frames, fitted to the view.
class ShowImageForm : public QWidget {
    Q_OBJECT

public:
    explicit ShowImageForm(QWidget* parent = nullptr);

    void showPixMap(const QPixmap& pixmap);
};
