#pragma once

#include "companion/PixelCatFrame.h"

#include <QList>

namespace meterix {

// The sixteen frames by name.
enum class CatSprite {
    walk1,
    walk2,
    idle1,
    idle2,
    sit1,
    sit2,
    wash1,
    wash2,
    loaf,
    sleep1,
    sleep2,
    stretch,
    happy,
    dangle1,
    dangle2,
    dangle3,
};

// The cat's sixteen 16 x 16 frames, drawn in profile with the head at the left
// (the stretch raises it at the right). Each frame is built once on first use and
// shared from then on, so choosing a frame never builds one.
struct PixelCatSprites {
    static const PixelCatFrame& frame(CatSprite sprite);
    static const QList<CatSprite>& all();
    static const char* name(CatSprite sprite);

    static const PixelCatFrame& walk1() { return frame(CatSprite::walk1); }
};

} // namespace meterix
