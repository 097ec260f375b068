#include "main_window/ShowImageForm.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QMenu>
#include <QShowEvent>

#include "ui_ShowImageForm.h"

namespace {

// The look of the title bar's menus.
const char* const contextMenuStyle =
    "QMenu{background-color:#FFFFFF;border:1px solid #AAAAAA;margin:0px;border-radius:5px;}"
    "QMenu::item{margin:2px;height:30px;padding-left:10px;padding-right:20px;font-size:12px;"
    "color:#575757;}"
    "QMenu::item:selected{background-color:#004B6A;color:#FFFFFF;border-radius:5px;}"
    "QMenu::separator{height:1px;background:#C3C3C3;}";

}  // namespace

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

    contextMenu = new QMenu(this);
    contextMenu->setStyleSheet(contextMenuStyle);
    contextMenu->setAttribute(Qt::WA_TranslucentBackground);
    ui->graphicsView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->graphicsView, &QWidget::customContextMenuRequested, this,
            &ShowImageForm::showContextMenu);
}

ShowImageForm::~ShowImageForm() {
    delete ui;
}

QAction* ShowImageForm::addContextEntry(const QString& text, std::function<bool()> offered) {
    QAction* action = contextMenu->addAction(text);
    contextEntries.emplace_back(action, std::move(offered));
    return action;
}

QMenu* ShowImageForm::addContextSubmenu(const QString& text) {
    auto* submenu = new QMenu(text, contextMenu);
    submenu->setStyleSheet(contextMenuStyle);
    submenu->setAttribute(Qt::WA_TranslucentBackground);
    contextMenu->addMenu(submenu);
    return submenu;
}

void ShowImageForm::fitFrame() {
    ui->graphicsView->fitScene();
}

void ShowImageForm::zoom(bool in) {
    ui->graphicsView->zoom(in);
}

void ShowImageForm::setOverlay(const QStringList& lines) {
    ui->graphicsView->setOverlay(lines);
}

QStringList ShowImageForm::overlay() const {
    return ui->graphicsView->overlay();
}

// position is in the view's viewport, as QAbstractScrollArea reports it.
void ShowImageForm::showContextMenu(const QPoint& position) {
    bool any = false;
    for (const auto& [action, offered] : contextEntries) {
        action->setVisible(!offered || offered());
        any = any || action->isVisible();
    }
    if (any) {
        contextMenu->popup(ui->graphicsView->viewport()->mapToGlobal(position));
    }
}

// The scene's rectangle only ever grows by itself: a smaller frame sets it.
void ShowImageForm::showPixMap(const QPixmap& frame) {
    const bool resized = frame.size() != pixmap.size();
    pixmap = frame;
    pixmapItem->setPixmap(pixmap);
    if (resized) {
        scene->setSceneRect(pixmapItem->boundingRect());
        fitPicture();
    }
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
