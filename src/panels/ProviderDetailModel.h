#pragma once

#include "accounts/AccountSource.h"
#include "accounts/ResolvedAccount.h"
#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/UsageSnapshot.h"
#include "panels/AccountRowModel.h"
#include "refresh/PresentedState.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace meterix {


// Everything a provider's panel screen derives from the shared state, computed
// when asked: the reading shown (the manager's, or the not-configured
// placeholder when it has none), its freshness, the identity header, the
// account lines, the failure notice, the quota lines and the commands. Its
// inputs come as they are shown (masking applied where the state is presented).
class ProviderDetailModel {
  public:
    // What the screen reads of the manager and the settings.
    struct Inputs {
        AIProviderType provider{};
        std::optional<UsageSnapshot> snapshot;
        std::optional<ResolvedAccount> displayedAccount;
        QList<ResolvedAccount> accounts;
        bool isInUse = false;
        bool isRefreshing = false;
        std::function<std::optional<UsageSnapshot>(const QString& accountID)> bestKnownSnapshot;
        std::function<bool(const QString& accountID)> isAccountRunning;
        std::function<QList<AccountSource>(const ResolvedAccount& account)> runningApps;

        static Inputs of(const PresentedState& state, const PresentedAccounts& accounts, AIProviderType provider);
    };

    enum class Action { refresh, dashboard, statusPage, settings };
    struct ActionRow {
        Action action;
        QString title;
        QString symbol;
        bool showsChevron = false;
        std::optional<QUrl> url;
    };

    // What the screen is made of: its account lines by account, the failure
    // notice or not, the no-data notice or the quota lines by name. Two
    // derivations of the same shape are shown by the same rows.
    struct Shape {
        QStringList accountIDs;
        bool failureNotice = false;
        bool simulated = false;
        std::optional<UsageUnavailableReason> missingReason; // the notice's reason
        QStringList quotaNames;
        bool paceFootnote = false;
        bool operator==(const Shape&) const = default;
    };

    ProviderDetailModel(Inputs inputs, const Clock& clock = Clock::system());

    Shape shape() const;

    AIProviderType provider() const { return in_.provider; }
    // The reading with its countdowns as they stand now.
    const UsageSnapshot& snapshot() const { return snapshot_; }
    // The moments the screen's time texts count to or from.
    QList<QDateTime> timeTextMoments() const;
    bool isSimulated() const { return snapshot_.isSimulated(); }
    // A failed refresh, or more than 900 s since the reading.
    bool isStale() const { return snapshot_.isStale(clock_.now()); }

    QString headerTitle() const;
    // The reading's age when stale; else who is signed in; else, for a reading without a figure, its reason's short
    // label; else "No sign-in found".
    QString headerSubtitle() const;
    // How the figure was read, in plain words ("API key", "Local files", ...).
    QString sourceChipText() const;

    QList<AccountRowModel> accountRows() const;
    bool showsAccounts() const { return !in_.accounts.isEmpty(); }
    bool showsAccountsFootnote() const { return in_.accounts.size() >= 2; }
    // With two accounts or more: that quota is tallied per account, and which
    // one the meter below follows only while an account is marked as on the bar.
    std::optional<QString> accountsFootnote() const;
    AccountRowModel accountRow(const ResolvedAccount& account) const;
    // The kinds of the running apps, each once, joined by " · "; "CLI" for an
    // account running without an app; nothing otherwise.
    static std::optional<QString> runningLabel(const QList<AccountSource>& apps, bool isRunning);

    // Why the reading has no figure, as the detail card says it.
    UsageUnavailableNotice missingFigureNotice() const;

    // "Refresh failed: <error>" plus " Showing the last measurement." unless
    // nothing real was read; nothing without an error.
    std::optional<QString> failureNotice() const;

    QString heroCaption() const;
    // The short window's end when it lies in the past.
    std::optional<QDateTime> windowEndedAt() const;
    bool isInUse() const { return in_.isInUse; }

    // The per-model lines, else lines made from the window figures.
    QList<ModelQuotaItem> quotas() const;
    static QList<ModelQuotaItem> fallbackQuotas(const UsageSnapshot& s);
    // The footnote on the pace tick, only when a quota line draws one.
    std::optional<QString> quotaFootnote() const;

    QList<ActionRow> actions() const;
    bool isRefreshing() const { return in_.isRefreshing; }

  private:
    Inputs in_;
    const Clock& clock_;
    UsageSnapshot snapshot_;
};

} // namespace meterix
