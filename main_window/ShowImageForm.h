#pragma once

#include <QPixmap>
#include <QWidget>

class QGraphicsPixmapItem;
class QGraphicsScene;

namespace Ui {
class ShowImageForm;
}

// Shows the latest frame in a zoomable view, fitted to the view whenever the form is resized.
class ShowImageForm : public QWidget {
    Q_OBJECT

public:
    // parent is the laid-out main window; the view starts at its size.
    explicit ShowImageForm(QWidget* parent = nullptr);
    ~ShowImageForm() override;

public slots:
    // GUI thread only. Keeps the current zoom and scroll position.
    void showPixMap(const QPixmap& frame);

private:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    void fitPicture();

    Ui::ShowImageForm* ui = nullptr;
    QGraphicsScene* scene = nullptr;
    QGraphicsPixmapItem* pixmapItem = nullptr;
    QPixmap pixmap;
    int imageWidth = 1280;
    int imageHeight = 720;
};
