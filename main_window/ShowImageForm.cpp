#include "main_window/ShowImageForm.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QShowEvent>

#include "ui_ShowImageForm.h"

ShowImageForm::ShowImageForm(QWidget* parent) : QWidget(parent), ui(new Ui::ShowImageForm) {
    ui->setupUi(this);
    scene = new QGraphicsScene(this);
    ui->graphicsView->setScene(scene);

    pixmap = QPixmap(imageWidth, imageHeight);
    pixmap.fill(QColor("#707070"));
    pixmapItem = scene->addPixmap(pixmap);

    ui->graphicsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->graphicsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (parent != nullptr) {
        ui->graphicsView->resize(parent->width(), parent->height());
    }
}

ShowImageForm::~ShowImageForm() {
    delete ui;
}

void ShowImageForm::showPixMap(const QPixmap& frame) {
    pixmap = frame;
    pixmapItem->setPixmap(pixmap);
}

void ShowImageForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitPicture();
}

// While the form is hidden its resize event arrives before the view has laid out its viewport,
// so that fit used a stale size; by the show event the view has its final size. Spontaneous
// shows (restoring a minimised window) keep the user's zoom.
void ShowImageForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        fitPicture();
    }
}

void ShowImageForm::fitPicture() {
    if (pixmap.isNull()) {
        return;
    }
    ui->graphicsView->fitItem(pixmapItem);
}
