#include "dialogs/WaitingWin.h"

#include <QMovie>
#include <QtDebug>

#include "dialogs/anchorPlacement.h"
#include "framework/windowTranslucency.h"
#include "ui_WaitingWin.h"

namespace {

const char* const waitingGif = ":/img/icon/waiting.gif";
const char* const transparentStyle = "background: transparent;";
const char* const opaqueStyle = "background: #FFFFFF;";
const int panelRadius = 9;

}  // namespace

WaitingWin::WaitingWin(QWidget* anchorWidget)
    : QDialog(nullptr), ui(new Ui::WaitingWin), anchorWidget(anchorWidget) {
    ui->setupUi(this);
    const bool translucent = windowSystemShowsTranslucency();
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setWindowFlags(Qt::FramelessWindowHint);

    movie = new QMovie(waitingGif);
    ui->label_waiting->setScaledContents(true);
    ui->label_waiting->setMovie(movie);
    ui->label_waiting->setAttribute(Qt::WA_TranslucentBackground);
    ui->label_waiting->setStyleSheet(transparentStyle);
    if (translucent) {
        setStyleSheet(transparentStyle);
    } else {
        useOpaquePanel();
    }

    if (movie->isValid()) {
        movie->start();
    } else {
        qDebug() << "GIF is not valid or not found";
        ui->label_waiting->clear();
    }
}

// Where translucent pixels would come out black: a small white panel with round corners around
// the animation.
void WaitingWin::useOpaquePanel() {
    setStyleSheet(opaqueStyle);
    resize(minimumSizeHint());
    clipToRoundedRect(this, panelRadius);
}

WaitingWin::~WaitingWin() {
    delete ui;
    movie->stop();
    delete movie;
}

void WaitingWin::showEvent(QShowEvent*) {
    centreOnAnchor(this, anchorWidget);
}
