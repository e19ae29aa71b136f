#pragma once

#include "accounts/ResolvedAccount.h"
#include "core/Clock.h"
#include "core/UsageTier.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace meterix {

// What one account line of a provider's screen shows, and everything derived
// from it: the icon tile's colours, the subtitle, the percentage and its tone,
// the second line, the row's opacity and its accessible label.
struct AccountRowModel {
    QString label; // already masked or not, as the caller wants it shown
    std::optional<QString> planName;
    std::optional<QString> organization;
    QString sourceBadge;
    QString sourceSymbol;
    bool isDisplayed = false;
    bool isRunning = false;
    std::optional<QString> runningLabel; // the running chip's text; "Running" when absent
    bool usageReadable = false;
    std::optional<double> remainingPercentage;
    // Set when the percentage is an older reading taken at this time.
    std::optional<QDateTime> readingCapturedAt;
    // The short reason of a reading without a figure (then no percentage).
    std::optional<QString> missingFigure;

    static constexpr double dimmedOpacity = 0.72;

    // What an account is called: its address, else its name, else what kind of
    // account it is where it was found (a client's profile, "API key
    // account"), never a piece of its identifier.
    static QString labelOf(const ResolvedAccount& account);

    // Plan and organisation, the non-empty ones, joined by " · "; nothing when
    // neither has text.
    std::optional<QString> subtitle() const;
    // Running green, else on-the-bar blue, else grey; top colour first.
    QList<Rgb> tileColors() const;
    QString runningChipText() const;
    // "75%" from the rounded value; nothing without a finite percentage.
    std::optional<QString> percentageText() const;
    // The tier's accent for a current reading; nothing (draw it secondary) for
    // an older one.
    std::optional<Rgb> percentageAccent() const;
    // "On the bar" for the account the bar follows; else why the reading has
    // no figure, else the reading's age, else "No usage", else nothing.
    std::optional<QString> secondLine(const Clock& clock = Clock::system()) const;
    bool labelIsPrimary() const { return usageReadable; }
    double opacity() const { return usageReadable || isRunning ? 1.0 : dimmedOpacity; }
    // The label, the badge, then "Running" and "On the bar" where they apply.
    QString accessibleLabel() const;
};

} // namespace meterix
