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

    // Whether the frame, as drawn, has the head at its left.
    static bool headsLeft(CatSprite sprite) { return sprite != CatSprite::stretch; }
    // Whether a cat facing that way is drawn with the frame mirrored: its head
    // leads wherever it goes, on the bar and carried alike.
    static bool isMirrored(CatSprite sprite, bool facingLeft) { return headsLeft(sprite) != facingLeft; }

    static const PixelCatFrame& walk1() { return frame(CatSprite::walk1); }
};

} // namespace meterix
