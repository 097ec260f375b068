#pragma once

#include <QPixmap>
#include <QStringList>
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
    // Adds a submenu entry at the end of the context menu, in the menu's look.
    QMenu* addContextSubmenu(const QString& text);

    // The keys' and the menu's ways to what the mouse does: fit as a double click does, zoom
    // one wheel step.
    void fitFrame();
    void zoom(bool in);
    // Text lines over the frame's corner; none hides the overlay.
    void setOverlay(const QStringList& lines);
    QStringList overlay() const;

public slots:
    // GUI thread only. Keeps the current zoom and scroll position, unless the frame's size
    // changed: then it is fitted anew.
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
