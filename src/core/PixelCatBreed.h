#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace meterix {

// The cat's coats. Stored by their Korean raw values.
enum class PixelCatBreed { orangeTabby, calico, tuxedo, snowWhite, blackCat };

QList<PixelCatBreed> allPixelCatBreeds();
QString rawValue(PixelCatBreed breed);
// Exact match (after Unicode composition, so a decomposed Hangul text still matches).
std::optional<PixelCatBreed> pixelCatBreedFromRawValue(const QString& raw);
// The coat's name in the language resolved at the moment of the call.
QString displayName(PixelCatBreed breed);

} // namespace meterix
