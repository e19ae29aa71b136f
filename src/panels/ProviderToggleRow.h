#pragma once

#include "panels/SettingsModel.h"

#include <QWidget>

#include <functional>

namespace meterix {

class Localization;
class SwitchToggleStyle;
class TextCapsuleBadge;
class TextView;

// One provider in the settings' list: its tile (blue when on the bar), its name,
// "Detected" when its tool was found, and the switch that puts it on the bar or
// takes it off. The last provider's switch is disabled with a tooltip saying why.
class ProviderToggleRow : public QWidget {
    Q_OBJECT

  public:
    ProviderToggleRow(Localization& localization, SettingsModel::ProviderToggle state, std::function<void()> onToggle,
                      QWidget* parent = nullptr);

    const SettingsModel::ProviderToggle& state() const { return state_; }
    // A new state from the manager (also after this row's own toggle).
    void setState(const SettingsModel::ProviderToggle& state);

    static constexpr double tileSize = 19;
    static constexpr double spacing = 9;

  private:
    void apply();

    SettingsModel::ProviderToggle state_;
    QWidget* tile_;
    TextView* name_;
    TextCapsuleBadge* detected_;
    SwitchToggleStyle* switch_;
};

} // namespace meterix
