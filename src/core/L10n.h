#pragma once

#include <QList>
#include <QString>

#include <utility>

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
        // A text of a provider's own table (METERIX_ROOM_TEXT), which carries its pair.
        carried,
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

    static L10n plain(Case c) {
        return L10n(c);
    }

    // A row of a provider's own text table: its Korean and English templates,
    // filled with the values as the table's cases are.
    template <class... A> static L10n carried(L10nPair templates, const A&... values) {
        L10n l = make(Case::carried, values...);
        l.templates_ = std::move(templates);
        return l;
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
    // Each value to its slot: integers to n, then m; texts to s, then t; seconds to d.
    template <class... A> static L10n make(Case c, const A&... values) {
        L10n l(c);
        [[maybe_unused]] int integers = 0, texts = 0;
        (l.put(values, integers, texts), ...);
        return l;
    }
    void put(qint64 x, int& integers, int&) { (integers++ == 0 ? values_.n : values_.m) = x; }
    void put(const QString& x, int&, int& texts) { (texts++ == 0 ? values_.s : values_.t) = x; }
    void put(double x, int&, int&) { values_.d = x; }

    Case kind_;
    Values values_;
    L10nPair templates_; // only for carried texts
};

// A provider's own text table (src/providers/<vendor>/<Vendor>Texts.inc) has
// rows "METERIX_ROOM_TEXT(name, Korean, English)", templates as in the core
// tables. Its room reads it through core/RoomTextLookup.inc, which includes it
// with METERIX_ROOM_TEXT defined as one of these: functions of each row's name
// giving the text with the values passed, or the rows' pairs as a list's items.
#define METERIX_ROOM_TEXT_FUNCTION(name, ko, en)                                                             \
    template <class... A> L10n name(const A&... values) {                                                    \
        return L10n::carried({ko, en}, values...);                                                           \
    }
#define METERIX_ROOM_TEXT_PAIR(name, ko, en) L10nPair{ko, en},

// The compact time until a reset ("in 1d 1h"); below 60 s the
// "Resets soon" text. NaN and negative values count as 0; huge values are capped.
QString quotaCountdownText(double seconds);

} // namespace meterix
