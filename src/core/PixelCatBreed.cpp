#include "core/PixelCatBreed.h"

#include "core/L10n.h"

namespace meterix {

QList<PixelCatBreed> allPixelCatBreeds() {
    return {PixelCatBreed::orangeTabby, PixelCatBreed::calico, PixelCatBreed::tuxedo,
            PixelCatBreed::snowWhite, PixelCatBreed::blackCat};
}

namespace {
L10n nameOf(PixelCatBreed breed) {
    switch (breed) {
    case PixelCatBreed::orangeTabby:
        return L10n::catOrangeTabby();
    case PixelCatBreed::calico:
        return L10n::catCalico();
    case PixelCatBreed::tuxedo:
        return L10n::catTuxedo();
    case PixelCatBreed::snowWhite:
        return L10n::catTurkishAngora();
    case PixelCatBreed::blackCat:
        break;
    }
    return L10n::catBlack();
}
} // namespace

// A coat is stored by its Korean name, whatever the language of the moment.
QString rawValue(PixelCatBreed breed) {
    return nameOf(breed).pair().ko;
}

std::optional<PixelCatBreed> pixelCatBreedFromRawValue(const QString& raw) {
    const QString composed = raw.normalized(QString::NormalizationForm_C);
    for (PixelCatBreed b : allPixelCatBreeds())
        if (rawValue(b) == composed) return b;
    return std::nullopt;
}

QString displayName(PixelCatBreed breed) {
    return nameOf(breed).text();
}

} // namespace meterix
