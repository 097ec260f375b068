#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QMenu;

namespace Ui {
class ShowImageForm;
}

// Shows the latest frame in a zoomable view, fitted to the view whenever the form is resized. A
// right click on the frame opens its context menu, whose entries the owner adds.
class ShowImageForm : public QWidget {
    Q_OBJECT

public:
    // parent is the laid-out main window; the view starts at its size.
    explicit ShowImageForm(QWidget* parent = nullptr);
    ~ShowImageForm() override;

    // Adds an entry at the end of the frame's context menu; the caller connects its triggered
    // signal. offered, when given, says at each opening whether the entry is shown.
    QAction* addContextEntry(const QString& text, std::function<bool()> offered = {});

public slots:
    // GUI thread only. Keeps the current zoom and scroll position.
    void showPixMap(const QPixmap& frame);

private:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

    void fitPicture();
    void showContextMenu(const QPoint& position);

    Ui::ShowImageForm* ui = nullptr;
    QGraphicsScene* scene = nullptr;
    QGraphicsPixmapItem* pixmapItem = nullptr;
    QPixmap pixmap;
    int imageWidth = 1280;
    int imageHeight = 720;
    QMenu* contextMenu = nullptr;
    std::vector<std::pair<QAction*, std::function<bool()>>> contextEntries;
};
