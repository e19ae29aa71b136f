#pragma once

#include "design/CapsuleBadge.h"

namespace meterix {

// "App open": a window symbol and the text in the secondary colour, on a faint
// capsule, shown while a provider's desktop app runs.
class AppOpenBadge : public CapsuleBadge {
    Q_OBJECT

public:
    explicit AppOpenBadge(Localization& localization, QWidget* parent = nullptr);

protected:
    BadgeLook look() const override;
    QString accessibleText() const override;
};

} // namespace meterix
