#pragma once

#include <QList>
#include <QString>

namespace meterix {

struct L10nPair {
    QString ko;
    QString en;
    bool operator==(const L10nPair&) const = default;
};

// Every user-visible text: a case with the values it interpolates, giving a
// Korean/English pair. text() picks one by the language resolved at that moment,
// so texts may be built on any thread.
class L10n {
  public:
    enum class Case {
#define METERIX_L10N_VALUED(name, params, values, ko, en) name,
#include "core/L10nValuedTexts.inc"
#undef METERIX_L10N_VALUED
#define METERIX_L10N_PLAIN(name, ko, en) name,
#include "core/L10nPlainTexts.inc"
#undef METERIX_L10N_PLAIN
    };

    // Cases that carry values.
#define METERIX_L10N_VALUED(name, params, values, ko, en) static L10n name params;
#include "core/L10nValuedTexts.inc"
#undef METERIX_L10N_VALUED

    // Plain cases.
#define METERIX_L10N_PLAIN(name, ko, en)                                                                     \
    static L10n name() {                                                                                     \
        return L10n(Case::name);                                                                             \
    }
#include "core/L10nPlainTexts.inc"
#undef METERIX_L10N_PLAIN

    // Every plain case, in table order.
    static const QList<Case>& plainCases();
    static L10n plain(Case c) {
        return L10n(c);
    }

    Case kind() const {
        return kind_;
    }
    // Both texts; nothing is cached.
    L10nPair pair() const;
    // The text in the resolved language.
    QString text() const;

  private:
    // The values a case carries: the integers n and m, the texts s and t and
    // the seconds d, each filled in the order the factory takes them.
    struct Values {
        qint64 n = 0;
        qint64 m = 0;
        QString s;
        QString t;
        double d = 0.0;
    };

    explicit L10n(Case c) : kind_(c) {}
    template <class... A> static L10n make(Case c, const A&... values);

    Case kind_;
    Values values_;
};

// The compact time until a reset ("in 1d 1h"); below 60 s the
// "Resets soon" text. NaN and negative values count as 0; huge values are capped.
QString quotaCountdownText(double seconds);

} // namespace meterix
