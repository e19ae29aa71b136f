#include "design/CatColorPalette.h"

namespace meterix {

namespace {

QColor rgb(float r, float g, float b) {
    return QColor::fromRgbF(r, g, b, 1.0f);
}

} // namespace

QColor CatColorPalette::closedEye() {
    return rgb(0.15f, 0.15f, 0.18f);
}

CatColorPalette palette(PixelCatBreed breed) {
    switch (breed) {
    case PixelCatBreed::orangeTabby:
        return {rgb(0.98f, 0.62f, 0.22f), rgb(0.82f, 0.42f, 0.12f), rgb(0.98f, 0.96f, 0.92f),
                rgb(1.0f, 0.72f, 0.78f), rgb(0.18f, 0.62f, 0.35f)};
    case PixelCatBreed::calico:
        return {rgb(0.96f, 0.94f, 0.90f), rgb(0.88f, 0.48f, 0.18f), rgb(0.22f, 0.22f, 0.25f),
                rgb(1.0f, 0.70f, 0.75f), rgb(0.95f, 0.75f, 0.18f)};
    case PixelCatBreed::tuxedo:
        return {rgb(0.18f, 0.18f, 0.22f), rgb(0.10f, 0.10f, 0.12f), rgb(0.98f, 0.98f, 0.98f),
                rgb(1.0f, 0.72f, 0.78f), rgb(0.96f, 0.82f, 0.22f)};
    case PixelCatBreed::snowWhite:
        return {rgb(0.98f, 0.98f, 0.99f), rgb(0.86f, 0.88f, 0.92f), rgb(1.0f, 1.0f, 1.0f),
                rgb(1.0f, 0.75f, 0.82f), rgb(0.32f, 0.68f, 0.95f)};
    case PixelCatBreed::blackCat:
        return {rgb(0.14f, 0.14f, 0.16f), rgb(0.08f, 0.08f, 0.10f), rgb(0.26f, 0.26f, 0.30f),
                rgb(0.85f, 0.55f, 0.60f), rgb(0.98f, 0.88f, 0.25f)};
    }
    return palette(PixelCatBreed::orangeTabby);
}

} // namespace meterix
