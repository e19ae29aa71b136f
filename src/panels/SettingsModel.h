#pragma once

#include "core/AIProviderType.h"
#include "core/UsageTier.h"

#include <QList>
#include <QSet>
#include <QString>

namespace meterix {

// The settings screen's derivations, kept apart from its widgets.
namespace SettingsModel {

// The tile gradients of the screen, top colour first.
QList<Rgb> accentTile();
QList<Rgb> amberTile();
QList<Rgb> greenTile();
QList<Rgb> greyTile();
QList<Rgb> purpleTile();

// One provider's line in "Providers on the bar".
struct ProviderToggle {
    AIProviderType provider{};
    bool on = false;
    bool detected = false;
    // The last provider on the bar: its switch cannot be turned off here, so the
    // bar never ends up empty.
    bool locked = false;

    static ProviderToggle make(AIProviderType provider, const QList<AIProviderType>& activeProviders,
                               bool detected);
    QString tooltip() const;         // why it is locked; empty when it is not
    QString accessibleValue() const; // "Shown" / "Hidden"
    QList<Rgb> tileColors() const { return on ? accentTile() : greyTile(); }
};

// A path with the home folder written as "~": the home folder itself, or a
// path inside it. A sibling that merely starts with the same letters
// ("/home/bobby" beside "/home/bob") is shown whole.
QString abbreviateHome(const QString& path, const QString& home);

} // namespace SettingsModel

} // namespace meterix
