#include "settings/NoFocusFrameDelegate.h"

NoFocusFrameDelegate::~NoFocusFrameDelegate() = default;

void NoFocusFrameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem plain(option);
    initStyleOption(&plain, index);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
}
