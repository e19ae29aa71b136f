#include "companion/PixelCatFrame.h"

#include "design/CatColorPalette.h"

namespace meterix {

bool isFilledCell(QChar cell) {
    const char16_t c = cell.unicode();
    return c == 'B' || c == 'D' || c == 'W' || c == 'P' || c == 'E' || c == '-';
}

QColor cellColor(QChar cell, const CatColorPalette& palette) {
    switch (cell.unicode()) {
    case 'B':
        return palette.body;
    case 'D':
        return palette.dark;
    case 'W':
        return palette.white;
    case 'P':
        return palette.pink;
    case 'E':
        return palette.eye;
    case '-':
        return CatColorPalette::closedEye();
    default:
        return {};
    }
}

} // namespace meterix
