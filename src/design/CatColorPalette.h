#pragma once

#include "core/PixelCatBreed.h"

#include <QColor>

namespace meterix {

// The five colour roles a sprite cell can name, in one coat's shades. The names
// follow the orange tabby; other coats give a role another shade (the calico's
// and the black cat's "white" are dark greys).
struct CatColorPalette {
    QColor body;
    QColor dark;
    QColor white;
    QColor pink;
    QColor eye;

    bool operator==(const CatColorPalette&) const = default;

    // Closed eyes: one near-black in every coat.
    static QColor closedEye();
};

// The coat's palette, built on each call.
CatColorPalette palette(PixelCatBreed breed);

} // namespace meterix
