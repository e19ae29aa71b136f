#pragma once

#include "core/UsageTier.h"
#include "design/CapsuleBadge.h"

namespace meterix {

// A tier's symbol and label in its colour, on a capsule tinted with it; compact
// is smaller in type and margins, with the same colours and symbol.
class TierBadge : public CapsuleBadge {
    Q_OBJECT

public:
    TierBadge(Localization& localization, UsageTier tier, bool compact, QWidget* parent = nullptr);

    UsageTier tier() const { return tier_; }
    static BadgeLook lookFor(UsageTier tier, bool compact);

protected:
    BadgeLook look() const override { return lookFor(tier_, compact_); }

private:
    UsageTier tier_;
    bool compact_;
};

} // namespace meterix
