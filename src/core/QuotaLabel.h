#pragma once

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

namespace meterix {

// What a word of a reading says (a quota's name, its kind, its pace note, a
// plan, the headline's name), as a kind and its values, never as words: the
// words are chosen in the language of the moment they are drawn. `named` is a
// text that is the vendor's own (a model's or a plan's name as the answer gives
// it), shown as it stands.
enum class QuotaKind {
    named,
    // windows
    fiveHourSession,
    weeklyLimit,
    monthlyCredit,
    sessionFiveHours,
    weeklyAllModels,
    weeklyOfModel, // subject: the model
    fiveHourOf,    // subject: the family
    weeklyOf,      // subject: the family or model
    sessionOf,     // subject: the provider
    weeklyWindow,
    requestRateLimit,
    primaryLimit,
    secondaryLimit,
    window, // count: its length in minutes
    monthly,
    // credits, balances and keys
    extraUsageCredits,
    credits,
    balanceOf, // amount
    unlimited,
    accountBalance, // amount when given
    accountBalanceType,
    prepaidBalance,
    totalBalance,    // amount, currency
    cashBalance,     // amount, currency
    vouchers,        // amount, currency
    grantedBalance,  // amount, currency
    toppedUp,        // amount, currency
    currencyBalance, // currency
    cash,
    voucher,
    keyBudget, // amount and total when given
    keyUnlimited,
    keyUsed, // amount
    keyLimit,
    freeTierKey,
    amountOfTotal, // amount, total and a currency when given
    // rate limits
    tokenLimit,
    requestLimit,
    tokensPerMinute, // count
    requestsPerDay,  // count
    premiumInteractions,
    chatRequests,
    completions,
    // characters
    characterUsage,
    tier,           // subject: the vendor's tier
    charactersUsed, // amount of total
    charactersLeft, // count
    remainingCharacters,
    overage, // amount when given
    // a word of the provider's own (its plan's name, its default model's),
    // from its room's texts. subject: "<raw value>:<word>"; amount when given
    providerWord,
    // local models
    localModel,
    cloudModel,
    localServiceReady,
    // nothing but its notes
    notes,
};

// A remark on a quota line, said after its other words.
enum class QuotaNote { warning, critical, bindingLimit };

struct QuotaLabel {
    QuotaKind kind = QuotaKind::named;
    QString subject;  // the vendor's own name the kind speaks of, or the named text
    QString amount;   // a figure as written: "17.25", "$4.50"
    QString total;    // the figure the amount is of
    QString currency; // a currency code: "USD"
    qint64 count = 0;
    QList<QuotaNote> notes;

    QuotaLabel() = default;
    QuotaLabel(QuotaKind k) : kind(k) {}
    // The vendor's own text, shown as it stands.
    QuotaLabel(QString vendorText) : subject(std::move(vendorText)) {}

    // A word of the provider's own texts (its descriptor's labelWord).
    static QuotaLabel providerWord(const char* providerRawValue, const char* word);
    QuotaLabel withSubject(QString s) const;
    QuotaLabel withAmount(QString a) const;
    QuotaLabel withTotal(QString t) const;
    QuotaLabel withCurrency(QString c) const;
    QuotaLabel withCount(qint64 n) const;
    QuotaLabel withNote(QuotaNote n) const;

    bool isNamed() const { return kind == QuotaKind::named; }
    // The same in every language: names a line among its reading's lines.
    QString key() const;

    // A named label that is only its text is stored as that text; any other as
    // an object of its kind's raw value and its values.
    QJsonValue toJson() const;
    // An object strictly (a known kind, each value of its type); a plain text,
    // as readings stored before held, is a named label.
    static std::optional<QuotaLabel> fromJson(const QJsonValue& v);

    bool operator==(const QuotaLabel&) const = default;
};

// Every kind, in the order of the enumeration.
const QList<QuotaKind>& allQuotaKinds();
QString rawValue(QuotaKind k);

// The label's words in the language resolved now.
QString labelText(const QuotaLabel& label);
std::optional<QString> labelText(const std::optional<QuotaLabel>& label);

} // namespace meterix
