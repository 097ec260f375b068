#pragma once

#include <QStyledItemDelegate>

// Paints list entries without the focus frame around the current one.
class NoFocusFrameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    ~NoFocusFrameDelegate() override;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
