#include "core/PixelCatBreed.h"

#include "core/L10n.h"

namespace meterix {

QList<PixelCatBreed> allPixelCatBreeds() {
    return {PixelCatBreed::orangeTabby, PixelCatBreed::calico, PixelCatBreed::tuxedo,
            PixelCatBreed::snowWhite, PixelCatBreed::blackCat};
}

QString rawValue(PixelCatBreed breed) {
    switch (breed) {
    case PixelCatBreed::orangeTabby:
        return QStringLiteral("치즈 태비");
    case PixelCatBreed::calico:
        return QStringLiteral("삼색이");
    case PixelCatBreed::tuxedo:
        return QStringLiteral("턱시도");
    case PixelCatBreed::snowWhite:
        return QStringLiteral("터키시 앙고라");
    case PixelCatBreed::blackCat:
        return QStringLiteral("검은 고양이");
    }
    return {};
}

std::optional<PixelCatBreed> pixelCatBreedFromRawValue(const QString& raw) {
    const QString composed = raw.normalized(QString::NormalizationForm_C);
    for (PixelCatBreed b : allPixelCatBreeds())
        if (rawValue(b) == composed) return b;
    return std::nullopt;
}

QString displayName(PixelCatBreed breed) {
    switch (breed) {
    case PixelCatBreed::orangeTabby:
        return L10n::catOrangeTabby().text();
    case PixelCatBreed::calico:
        return L10n::catCalico().text();
    case PixelCatBreed::tuxedo:
        return L10n::catTuxedo().text();
    case PixelCatBreed::snowWhite:
        return L10n::catTurkishAngora().text();
    case PixelCatBreed::blackCat:
        return L10n::catBlack().text();
    }
    return {};
}

} // namespace meterix
