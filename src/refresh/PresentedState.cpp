#include "refresh/PresentedState.h"

#include "accounts/AccountRegistry.h"
#include "core/MaskedEmail.h"
#include "core/MeterixPreferences.h"
#include "core/TextUtil.h"
#include "refresh/ProviderManager.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace meterix {

namespace {

void mask(std::optional<QString>& text) {
    if (text) text = maskEmailAddresses(*text);
}

// What a screen can show of a text from outside: cut after masking, so that no
// cut leaves part of an address unrecognised.
void cap(QString& text, int limit = kMaxShownNameCharacters) {
    text = shownText(text, limit);
}

void cap(std::optional<QString>& text, int limit = kMaxShownNameCharacters) {
    if (text) cap(*text, limit);
}

// The texts a label holds from outside: the vendor's names and figures.
void cap(QuotaLabel& label, int limit = kMaxShownNameCharacters) {
    for (QString* text : {&label.subject, &label.amount, &label.total, &label.currency})
        cap(*text, limit);
}

void cap(std::optional<QuotaLabel>& label, int limit = kMaxShownNameCharacters) {
    if (label) cap(*label, limit);
}

} // namespace

UsageSnapshot PresentedState::presented(UsageSnapshot s, bool maskEmails) {
    if (maskEmails) s = withEmailAddressesMasked(std::move(s));
    cap(s.accountEmail);
    cap(s.planName);
    cap(s.headlineQuotaName);
    cap(s.fetchError, kMaxShownLineCharacters);
    for (ModelQuotaItem& item : s.modelQuotas) {
        cap(item.name);
        cap(item.quotaType);
        cap(item.paceText, kMaxShownLineCharacters);
    }
    return s;
}

AccountSource PresentedState::presented(AccountSource source, bool maskEmails) {
    if (maskEmails) {
        // A profile folder may be named after its owner's address.
        source.displayName = maskEmailAddresses(source.displayName);
        mask(source.rootPath);
    }
    cap(source.displayName);
    if (source.rootPath) source.rootPath = shownPath(*source.rootPath);
    return source;
}

ResolvedAccount PresentedState::presented(ResolvedAccount account, bool maskEmails) {
    if (maskEmails) {
        // The account's address is an address, whatever its domain.
        if (account.email)
            if (auto masked = maskedEmail(*account.email)) account.email = *masked;
        mask(account.displayName);
        mask(account.organization); // a personal organisation is named after its owner
        mask(account.planName);
    }
    cap(account.email);
    cap(account.displayName);
    cap(account.organization);
    cap(account.planName);
    for (AccountSource& source : account.sources)
        source = presented(std::move(source), maskEmails);
    return account;
}

bool PresentedState::masksEmails(const MeterixPreferences* preferences) {
    return !preferences || preferences->maskAccountEmails();
}

QList<AccountSource> PresentedState::sources(const AccountRegistry& registry, bool maskEmails) {
    QList<AccountSource> shown;
    for (const AccountSource& s : registry.allSources())
        shown.append(presented(s, maskEmails));
    return shown;
}

PresentedState PresentedState::of(const ProviderManager& manager, bool maskEmails) {
    PresentedState s;
    const auto& snapshots = manager.snapshots();
    for (auto it = snapshots.constBegin(); it != snapshots.constEnd(); ++it)
        s.snapshots.insert(it.key(), presented(it.value(), maskEmails));
    s.activeProviders = manager.activeProviders();
    s.activeInUseProviders = manager.activeInUseProviders();
    for (AIProviderType p : s.activeProviders)
        if (manager.isAppRunning(p)) s.appRunningProviders.insert(p);
    s.isRefreshing = manager.isRefreshing();
    return s;
}

PresentedAccounts PresentedState::accountsOf(const ProviderManager& manager, AIProviderType provider,
                                             bool maskEmails) {
    PresentedAccounts a;
    const QList<ResolvedAccount> found = manager.accounts(provider);
    if (found.isEmpty()) return a;
    if (const auto displayed = manager.displayedAccount(provider)) a.displayed = presented(*displayed, maskEmails);
    for (const ResolvedAccount& account : found) {
        a.accounts.append(presented(account, maskEmails));
        if (const auto reading = manager.bestKnownSnapshot(provider, account.id))
            a.readings.insert(account.id, presented(*reading, maskEmails));
        if (manager.isAccountRunning(provider, account.id)) a.running.insert(account.id);
        QList<AccountSource> apps;
        for (const AccountSource& app : manager.runningApps(account))
            apps.append(presented(app, maskEmails));
        if (!apps.isEmpty()) a.runningApps.insert(account.id, apps);
    }
    return a;
}

void PresentedState::observe(ProviderManager& manager, const MeterixPreferences* preferences, QObject* receiver,
                             std::function<void(PresentedState)> apply, Delivery delivery) {
    // A change of a field this state does not carry (an account's own reading,
    // the detected tools) is no change of what the observer shows.
    auto shown = std::make_shared<std::optional<PresentedState>>();
    ProviderManager* source = &manager;
    observeChanges(manager, preferences, receiver, [source, preferences, shown, apply = std::move(apply)] {
        PresentedState next = PresentedState::of(*source, masksEmails(preferences));
        if (*shown == next) return;
        *shown = next;
        apply(std::move(next));
    }, delivery);
}

void PresentedState::observeChanges(ProviderManager& manager, const MeterixPreferences* preferences,
                                    QObject* receiver, std::function<void()> react, Delivery delivery) {
    QPointer<ProviderManager> source(&manager);
    auto follow = [source, react = std::move(react)] {
        if (source) react();
    };
    std::function<void()> deliver = follow;
    QObject* context = receiver;
    if (delivery == Delivery::coalesced) {
        auto* coalesce = new QTimer(receiver);
        coalesce->setSingleShot(true);
        coalesce->setInterval(0);
        QObject::connect(coalesce, &QTimer::timeout, receiver, follow);
        deliver = [coalesce] { coalesce->start(); };
        context = coalesce;
    }
    QObject::connect(&manager, &ProviderManager::changed, context, deliver);
    // A change of masking is a new presentation of the same state.
    if (preferences) QObject::connect(preferences, &MeterixPreferences::maskAccountEmailsChanged, context, deliver);
}

} // namespace meterix
