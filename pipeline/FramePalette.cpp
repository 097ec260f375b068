#include "pipeline/FramePalette.h"

const std::vector<FramePalette>& FramePalette::all() {
    static const std::vector<FramePalette> palettes{
        {"default", QColor(112, 112, 112), QColor(191, 188, 180), QColor(64, 61, 51)},
        {"dark", QColor(0, 0, 0), QColor(255, 255, 255), QColor(60, 140, 255)},
        // Okabe and Ito's orange and blue, told apart with any colour vision.
        {"blue-orange", QColor(255, 255, 255), QColor(230, 159, 0), QColor(0, 114, 178)},
    };
    return palettes;
}

const FramePalette& FramePalette::standard() {
    return all().front();
}

bool FramePalette::byName(const QString& name, FramePalette& palette) {
    for (const FramePalette& candidate : all()) {
        if (candidate.name == name) {
            palette = candidate;
            return true;
        }
    }
    return false;
}
