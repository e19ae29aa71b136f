#include "core/L10n.h"

#include "core/Localization.h"
#include "core/Numbers.h"

namespace meterix {

namespace {

// The template with each {n}, {m}, {s}, {t} and {c} replaced by its value, in
// one pass, so a value that itself holds braces stays as it is.
template <class V> QString filled(const QString& pattern, const V& v) {
    QString out;
    out.reserve(pattern.size() + v.s.size() + v.t.size() + 8);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar slot =
            i + 2 < pattern.size() && pattern[i] == u'{' && pattern[i + 2] == u'}' ? pattern[i + 1] : QChar();
        switch (slot.unicode()) {
        case u'n':
            out += QString::number(v.n);
            break;
        case u'm':
            out += QString::number(v.m);
            break;
        case u's':
            out += v.s;
            break;
        case u't':
            out += v.t;
            break;
        case u'c':
            out += quotaCountdownText(v.d);
            break;
        default:
            out += pattern[i];
            continue;
        }
        i += 2;
    }
    return out;
}

} // namespace


#define METERIX_L10N_VALUES(...) __VA_ARGS__
#define METERIX_L10N_VALUED(name, params, values, ko, en)                                                    \
    L10n L10n::name params {                                                                                 \
        return make(Case::name, METERIX_L10N_VALUES values);                                                 \
    }
#include "core/L10nValuedTexts.inc"
#undef METERIX_L10N_VALUED
#undef METERIX_L10N_VALUES

L10nPair L10n::pair() const {
    // A reset within a minute, or at no number of seconds, is only near.
    if (kind_ == Case::resetLine && !(values_.d >= 60.0)) return countdownSoon().pair();
    switch (kind_) {
#define METERIX_L10N_VALUED(name, params, values, ko, en)                                                    \
    case Case::name:                                                                                         \
        return {filled(ko, values_), filled(en, values_)};
#include "core/L10nValuedTexts.inc"
#undef METERIX_L10N_VALUED
#define METERIX_L10N_PLAIN(name, ko, en)                                                                     \
    case Case::name:                                                                                         \
        return {ko, en};
#include "core/L10nPlainTexts.inc"
#undef METERIX_L10N_PLAIN
    case Case::carried:
        return {filled(templates_.ko, values_), filled(templates_.en, values_)};
    }
    return {};
}

QString L10n::text() const {
    const L10nPair p = pair();
    return Localization::current() == ResolvedLanguage::korean ? p.ko : p.en;
}

QString quotaCountdownText(double seconds) {
    const qint64 s = wholeCountdownSeconds(seconds);
    const qint64 days = s / 86400;
    const qint64 rest = s % 86400;
    const qint64 hours = rest / 3600;
    const qint64 minutes = (rest % 3600) / 60;
    if (s >= 86400) {
        return rest >= 3600 ? L10n::countdownDaysHours(days, hours).text() : L10n::countdownDays(days).text();
    }
    if (rest >= 3600) {
        return minutes != 0 ? L10n::countdownHoursMinutes(hours, minutes).text()
                            : L10n::countdownHours(hours).text();
    }
    if (s < 60) return L10n::countdownSoon().text();
    return L10n::countdownMinutes(minutes).text();
}

} // namespace meterix
