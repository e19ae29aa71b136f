#include "core/QuotaLabel.h"

#include "core/Json.h"
#include "core/L10n.h"
#include "core/ProviderDescriptor.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cstddef>
#include <iterator>

namespace meterix {

namespace {

const QString kJoiner = QStringLiteral(" \u00B7 ");

struct KindName {
    QuotaKind kind;
    const char* raw;
};

// The stored names of the kinds; a name once stored is never changed.
constexpr KindName kKinds[] = {
    {QuotaKind::named, "named"},
    {QuotaKind::fiveHourSession, "fiveHourSession"},
    {QuotaKind::weeklyLimit, "weeklyLimit"},
    {QuotaKind::monthlyCredit, "monthlyCredit"},
    {QuotaKind::sessionFiveHours, "sessionFiveHours"},
    {QuotaKind::weeklyAllModels, "weeklyAllModels"},
    {QuotaKind::weeklyOfModel, "weeklyOfModel"},
    {QuotaKind::fiveHourOf, "fiveHourOf"},
    {QuotaKind::weeklyOf, "weeklyOf"},
    {QuotaKind::sessionOf, "sessionOf"},
    {QuotaKind::weeklyWindow, "weeklyWindow"},
    {QuotaKind::requestRateLimit, "requestRateLimit"},
    {QuotaKind::primaryLimit, "primaryLimit"},
    {QuotaKind::secondaryLimit, "secondaryLimit"},
    {QuotaKind::window, "window"},
    {QuotaKind::monthly, "monthly"},
    {QuotaKind::extraUsageCredits, "extraUsageCredits"},
    {QuotaKind::credits, "credits"},
    {QuotaKind::balanceOf, "balanceOf"},
    {QuotaKind::unlimited, "unlimited"},
    {QuotaKind::accountBalance, "accountBalance"},
    {QuotaKind::accountBalanceType, "accountBalanceType"},
    {QuotaKind::prepaidBalance, "prepaidBalance"},
    {QuotaKind::totalBalance, "totalBalance"},
    {QuotaKind::cashBalance, "cashBalance"},
    {QuotaKind::vouchers, "vouchers"},
    {QuotaKind::grantedBalance, "grantedBalance"},
    {QuotaKind::toppedUp, "toppedUp"},
    {QuotaKind::currencyBalance, "currencyBalance"},
    {QuotaKind::cash, "cash"},
    {QuotaKind::voucher, "voucher"},
    {QuotaKind::keyBudget, "keyBudget"},
    {QuotaKind::keyUnlimited, "keyUnlimited"},
    {QuotaKind::keyUsed, "keyUsed"},
    {QuotaKind::keyLimit, "keyLimit"},
    {QuotaKind::freeTierKey, "freeTierKey"},
    {QuotaKind::amountOfTotal, "amountOfTotal"},
    {QuotaKind::tokenLimit, "tokenLimit"},
    {QuotaKind::requestLimit, "requestLimit"},
    {QuotaKind::tokensPerMinute, "tokensPerMinute"},
    {QuotaKind::requestsPerDay, "requestsPerDay"},
    {QuotaKind::premiumInteractions, "premiumInteractions"},
    {QuotaKind::chatRequests, "chatRequests"},
    {QuotaKind::completions, "completions"},
    {QuotaKind::characterUsage, "characterUsage"},
    {QuotaKind::tier, "tier"},
    {QuotaKind::charactersUsed, "charactersUsed"},
    {QuotaKind::charactersLeft, "charactersLeft"},
    {QuotaKind::remainingCharacters, "remainingCharacters"},
    {QuotaKind::overage, "overage"},
    {QuotaKind::providerWord, "providerWord"},
    {QuotaKind::localModel, "localModel"},
    {QuotaKind::cloudModel, "cloudModel"},
    {QuotaKind::localServiceReady, "localServiceReady"},
    {QuotaKind::notes, "notes"},
};

// Kept in the enumeration's order, so that a kind's name is found by its value.
constexpr bool inKindOrder() {
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
    return std::size(kKinds) == static_cast<std::size_t>(QuotaKind::notes) + 1;
}
static_assert(inKindOrder(), "kKinds lists every kind once, in the enumeration's order");

constexpr const char* kNotes[] = {"warning", "critical", "bindingLimit"};

std::optional<QuotaKind> kindFromRawValue(QStringView raw) {
    for (const QuotaKind k : allQuotaKinds())
        if (raw == QLatin1StringView(kKinds[static_cast<std::size_t>(k)].raw)) return k;
    return std::nullopt;
}

std::optional<QuotaNote> noteFromRawValue(QStringView raw) {
    for (int i = 0; i < 3; ++i)
        if (raw == QLatin1StringView(kNotes[i])) return static_cast<QuotaNote>(i);
    return std::nullopt;
}

QString noteText(QuotaNote n) {
    switch (n) {
    case QuotaNote::warning:
        return L10n::quotaNoteWarning().text();
    case QuotaNote::critical:
        return L10n::quotaNoteCritical().text();
    case QuotaNote::bindingLimit:
        return L10n::quotaNoteBindingLimit().text();
    }
    return {};
}

// A window by its length: whole weeks, days or hours where it is one.
L10n windowText(qint64 minutes) {
    constexpr qint64 hour = 60, day = 1440, week = 10080;
    if (minutes >= day && minutes % week == 0) return L10n::windowWeeks(minutes / week);
    if (minutes >= day && minutes % day == 0) return L10n::windowDays(minutes / day);
    if (minutes >= hour && minutes % hour == 0) return L10n::windowHours(minutes / hour);
    return L10n::windowMinutes(minutes);
}

// An amount with its currency code before it, where it has one: "USD 4.50".
QString figure(const QuotaLabel& l) {
    if (l.currency.isEmpty()) return l.amount;
    if (l.amount.isEmpty()) return l.currency;
    return l.currency + QLatin1Char(' ') + l.amount;
}

// Words followed by the figure they name, when there is one: "Total Balance (USD 4.50)".
QString withFigure(const L10n& words, const QuotaLabel& l) {
    const QString f = figure(l);
    if (f.isEmpty()) return words.text();
    return words.text() + QStringLiteral(" (") + f + QLatin1Char(')');
}

// "<raw value>:<word>" in the words of that provider's room; the subject as it
// stands when no provider knows it (a reading of a provider gone since).
QString providerWordText(const QuotaLabel& l) {
    const qsizetype colon = l.subject.indexOf(QLatin1Char(':'));
    const auto type = providerFromRawValue(QStringView(l.subject).left(qMax<qsizetype>(colon, 0)));
    if (colon > 0 && type) {
        const ProviderDescriptor& p = ProviderCatalogue::of(*type);
        if (p.labelWord)
            if (const auto words = p.labelWord(QStringView(l.subject).mid(colon + 1))) return withFigure(*words, l);
    }
    return l.subject;
}

// The kinds whose words take no value.
std::optional<L10n> plainWords(QuotaKind k) {
    using K = QuotaKind;
    switch (k) {
    case K::fiveHourSession:
        return L10n::quotaKindFiveHourSession();
    case K::weeklyLimit:
        return L10n::quotaKindWeeklyLimit();
    case K::monthlyCredit:
        return L10n::quotaKindMonthlyCredit();
    case K::sessionFiveHours:
        return L10n::sessionFiveHours();
    case K::weeklyAllModels:
        return L10n::weeklyAllModels();
    case K::weeklyWindow:
        return L10n::weeklyWindow();
    case K::requestRateLimit:
        return L10n::requestRateLimit();
    case K::primaryLimit:
        return L10n::primaryLimit();
    case K::secondaryLimit:
        return L10n::secondaryLimit();
    case K::monthly:
        return L10n::monthly();
    case K::extraUsageCredits:
        return L10n::extraUsageCredits();
    case K::credits:
        return L10n::credits();
    case K::unlimited:
        return L10n::unlimited();
    case K::accountBalanceType:
        return L10n::quotaKindAccountBalance();
    case K::prepaidBalance:
        return L10n::prepaidBalance();
    case K::cash:
        return L10n::cash();
    case K::voucher:
        return L10n::voucher();
    case K::keyUnlimited:
        return L10n::keyUnlimited();
    case K::keyLimit:
        return L10n::keyLimit();
    case K::freeTierKey:
        return L10n::freeTierKey();
    case K::tokenLimit:
        return L10n::tokenLimit();
    case K::requestLimit:
        return L10n::requestLimit();
    case K::premiumInteractions:
        return L10n::premiumInteractions();
    case K::chatRequests:
        return L10n::chatRequests();
    case K::completions:
        return L10n::completions();
    case K::characterUsage:
        return L10n::characterUsage();
    case K::remainingCharacters:
        return L10n::quotaKindRemainingCharacters();
    case K::localModel:
        return L10n::quotaKindLocalModel();
    case K::cloudModel:
        return L10n::quotaKindCloudModel();
    case K::localServiceReady:
        return L10n::quotaKindLocalServiceReady();
    default:
        return std::nullopt;
    }
}

// The kinds that speak of their subject; any other shows its subject before its words.
bool namesSubject(QuotaKind k) {
    using K = QuotaKind;
    return k == K::named || k == K::weeklyOfModel || k == K::fiveHourOf || k == K::weeklyOf ||
           k == K::sessionOf || k == K::tier || k == K::providerWord;
}

QString kindText(const QuotaLabel& l) {
    using K = QuotaKind;
    if (const auto words = plainWords(l.kind)) return words->text();
    switch (l.kind) {
    case K::named:
        return l.subject;
    case K::weeklyOfModel:
        return L10n::weeklyOfModel(l.subject).text();
    case K::fiveHourOf:
        return L10n::fiveHourOf(l.subject).text();
    case K::weeklyOf:
        return L10n::weeklyOf(l.subject).text();
    case K::sessionOf:
        return L10n::sessionOf(l.subject).text();
    case K::window:
        return windowText(l.count).text();
    case K::balanceOf:
        return L10n::balanceOf(figure(l)).text();
    case K::accountBalance:
        return l.amount.isEmpty() ? L10n::accountBalance().text() : L10n::accountBalanceOf(figure(l)).text();
    case K::keyBudget:
        return l.amount.isEmpty() ? L10n::keyBudget().text() : L10n::keyBudgetOf(l.amount, l.total).text();
    case K::keyUsed:
        return L10n::keyUsed(figure(l)).text();
    case K::totalBalance:
        return withFigure(L10n::totalBalance(), l);
    case K::cashBalance:
        return withFigure(L10n::cashBalance(), l);
    case K::vouchers:
        return withFigure(L10n::vouchers(), l);
    case K::grantedBalance:
        return withFigure(L10n::grantedBalance(), l);
    case K::toppedUp:
        return withFigure(L10n::toppedUp(), l);
    case K::overage:
        return withFigure(L10n::quotaKindOverage(), l);
    case K::providerWord:
        return providerWordText(l);
    case K::currencyBalance:
        return l.currency + QLatin1Char(' ') + L10n::balanceAfterCurrency().text();
    case K::amountOfTotal:
        return l.amount + QStringLiteral(" / ") + l.total +
               (l.currency.isEmpty() ? QString() : QLatin1Char(' ') + l.currency);
    case K::tokensPerMinute:
        return L10n::tokensPerMinute(l.count).text();
    case K::requestsPerDay:
        return L10n::requestsPerDay(l.count).text();
    case K::tier:
        return L10n::tier().text() + QStringLiteral(": ") + l.subject;
    case K::charactersUsed:
        return L10n::characters().text() + QStringLiteral(": ") + l.amount + QLatin1Char('/') + l.total;
    case K::charactersLeft:
        return QString::number(l.count) + QLatin1Char(' ') + L10n::leftAfterCount().text();
    default:
        return {};
    }
}

// A text value: absent is empty; anything but a text clears `ok`.
QString stringValue(const QJsonObject& o, QLatin1StringView key, bool& ok) {
    if (json::isAbsent(o, key)) return {};
    const QJsonValue v = o.value(key);
    if (!v.isString()) ok = false;
    return v.toString();
}

} // namespace

QuotaLabel QuotaLabel::withSubject(QString s) const {
    QuotaLabel l = *this;
    l.subject = std::move(s);
    return l;
}
QuotaLabel QuotaLabel::withAmount(QString a) const {
    QuotaLabel l = *this;
    l.amount = std::move(a);
    return l;
}
QuotaLabel QuotaLabel::withTotal(QString t) const {
    QuotaLabel l = *this;
    l.total = std::move(t);
    return l;
}
QuotaLabel QuotaLabel::providerWord(const char* providerRawValue, const char* word) {
    return QuotaLabel(QuotaKind::providerWord)
        .withSubject(QString::fromLatin1(providerRawValue) + QLatin1Char(':') + QString::fromLatin1(word));
}
QuotaLabel QuotaLabel::withCurrency(QString c) const {
    QuotaLabel l = *this;
    l.currency = std::move(c);
    return l;
}
QuotaLabel QuotaLabel::withCount(qint64 n) const {
    QuotaLabel l = *this;
    l.count = n;
    return l;
}
QuotaLabel QuotaLabel::withNote(QuotaNote n) const {
    QuotaLabel l = *this;
    l.notes.append(n);
    return l;
}

const QList<QuotaKind>& allQuotaKinds() {
    static const QList<QuotaKind> kinds = [] {
        QList<QuotaKind> all;
        for (const KindName& k : kKinds)
            all.append(k.kind);
        return all;
    }();
    return kinds;
}

QString rawValue(QuotaKind k) {
    const auto i = static_cast<std::size_t>(k);
    return i < std::size(kKinds) ? QString::fromLatin1(kKinds[i].raw) : QString();
}

QString QuotaLabel::key() const {
    QStringList parts{rawValue(kind), subject, amount, total, currency, QString::number(count)};
    for (QuotaNote n : notes)
        parts.append(QString::fromLatin1(kNotes[static_cast<int>(n)]));
    return parts.join(QLatin1Char('|'));
}

QJsonValue QuotaLabel::toJson() const {
    // The vendor's own text alone is stored as that text, as readings always held it.
    if (*this == QuotaLabel(subject)) return subject;
    QJsonObject o;
    o.insert(QLatin1String("kind"), rawValue(kind));
    if (!subject.isEmpty()) o.insert(QLatin1String("subject"), subject);
    if (!amount.isEmpty()) o.insert(QLatin1String("amount"), amount);
    if (!total.isEmpty()) o.insert(QLatin1String("total"), total);
    if (!currency.isEmpty()) o.insert(QLatin1String("currency"), currency);
    if (count != 0) o.insert(QLatin1String("count"), count);
    if (!notes.isEmpty()) {
        QJsonArray list;
        for (QuotaNote n : notes)
            list.append(QString::fromLatin1(kNotes[static_cast<int>(n)]));
        o.insert(QLatin1String("notes"), list);
    }
    return o;
}

std::optional<QuotaLabel> QuotaLabel::fromJson(const QJsonValue& v) {
    if (v.isString()) return QuotaLabel(v.toString());
    if (!v.isObject()) return std::nullopt;
    const QJsonObject o = v.toObject();
    const auto raw = json::string(o, QLatin1String("kind"));
    const auto kind = raw ? kindFromRawValue(*raw) : std::nullopt;
    if (!kind) return std::nullopt;
    QuotaLabel l(*kind);
    bool ok = true;
    l.subject = stringValue(o, QLatin1String("subject"), ok);
    l.amount = stringValue(o, QLatin1String("amount"), ok);
    l.total = stringValue(o, QLatin1String("total"), ok);
    l.currency = stringValue(o, QLatin1String("currency"), ok);
    if (!json::isAbsent(o, QLatin1String("count"))) {
        const auto n = json::integer(o, QLatin1String("count"));
        if (!n) return std::nullopt;
        l.count = *n;
    }
    if (!json::isAbsent(o, QLatin1String("notes"))) {
        const auto list = json::array(o, QLatin1String("notes"));
        if (!list) return std::nullopt;
        for (const QJsonValue& n : *list) {
            const auto note = n.isString() ? noteFromRawValue(n.toString()) : std::nullopt;
            if (!note) return std::nullopt;
            l.notes.append(*note);
        }
    }
    if (!ok) return std::nullopt;
    return l;
}

QString labelText(const QuotaLabel& l) {
    QStringList parts;
    if (!l.subject.isEmpty() && !namesSubject(l.kind)) parts.append(l.subject);
    if (const QString words = kindText(l); !words.isEmpty()) parts.append(words);
    for (QuotaNote n : l.notes)
        parts.append(noteText(n));
    return parts.join(kJoiner);
}

std::optional<QString> labelText(const std::optional<QuotaLabel>& label) {
    if (!label) return std::nullopt;
    return labelText(*label);
}

} // namespace meterix
