#include "dialogs/WaitingWin.h"

#include <QMovie>
#include <QtDebug>

#include "dialogs/anchorPlacement.h"
#include "ui_WaitingWin.h"

namespace {

const char* const waitingGif = ":/img/icon/waiting.gif";
const char* const transparentStyle = "background: transparent;";

}  // namespace

WaitingWin::WaitingWin(QWidget* anchorWidget)
    : QDialog(nullptr), ui(new Ui::WaitingWin), anchorWidget(anchorWidget) {
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint);

    movie = new QMovie(waitingGif);
    ui->label_waiting->setScaledContents(true);
    ui->label_waiting->setMovie(movie);
    ui->label_waiting->setAttribute(Qt::WA_TranslucentBackground);
    ui->label_waiting->setStyleSheet(transparentStyle);
    setStyleSheet(transparentStyle);

    if (movie->isValid()) {
        movie->start();
    } else {
        qDebug() << "GIF is not valid or not found";
        ui->label_waiting->clear();
    }
}

WaitingWin::~WaitingWin() {
    delete ui;
    movie->stop();
    delete movie;
}

void WaitingWin::showEvent(QShowEvent*) {
    centreOnAnchor(this, anchorWidget);
}
