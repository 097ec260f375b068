#pragma once

#include <QColor>
#include <QString>
#include <vector>

// The colours of a painted frame: the background and one colour per polarity.
struct FramePalette {
    QString name;
    QColor background;
    QColor positive;
    QColor negative;

    // Every palette on offer, the viewer's own ("default") first.
    static const std::vector<FramePalette>& all();
    static const FramePalette& standard();
    // False when no palette has that name.
    static bool byName(const QString& name, FramePalette& palette);
};
