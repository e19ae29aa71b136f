#include "core/MaskedEmail.h"

#include "core/TextUtil.h"

namespace meterix {

namespace {

// What an address's local part may hold: letters and digits of any script and
// the specials mail allows unquoted. Surrogates stand for letters beyond the
// basic plane; "*" also lets a masked address read as one.
bool isLocalPartCharacter(QChar c) {
    static const QString specials = QStringLiteral(".!#$%&'*+-/=?^_`{|}~");
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate() || specials.contains(c);
}

bool isDomainCharacter(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate() || c == QLatin1Char('-') ||
           c == QLatin1Char('.');
}

void maskInPlace(std::optional<QString>& text) {
    if (text) *text = maskEmailAddresses(*text);
}

} // namespace

std::optional<QString> maskedEmail(const QString& address) {
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0) return std::nullopt;
    return firstCharacter(address.left(at)) + QStringLiteral("***") + address.mid(at);
}

QString maskEmailAddresses(const QString& text) {
    const QLatin1Char atSign('@');
    qsizetype at = text.indexOf(atSign);
    if (at < 0) return text;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0; // text[0, copied) is in out
    for (; at >= 0; at = text.indexOf(atSign, at + 1)) {
        // The local part never reaches back into the address before it.
        qsizetype start = at;
        while (start > copied && isLocalPartCharacter(text[start - 1]))
            --start;
        qsizetype end = at + 1;
        while (end < text.size() && isDomainCharacter(text[end]))
            ++end;
        while (end > at + 1 && (text[end - 1] == QLatin1Char('.') || text[end - 1] == QLatin1Char('-')))
            --end;
        if (start == at || end == at + 1) continue;
        out += QStringView(text).mid(copied, start - copied);
        out += *maskedEmail(text.mid(start, end - start)); // it has a local part
        copied = end;
        at = end - 1;
    }
    out += QStringView(text).mid(copied);
    return out;
}

UsageSnapshot withEmailAddressesMasked(UsageSnapshot s) {
    maskInPlace(s.accountEmail);
    maskInPlace(s.planName);
    maskInPlace(s.hourlyQuotaName);
    maskInPlace(s.fetchError);
    for (ModelQuotaItem& item : s.modelQuotas) {
        item.name = maskEmailAddresses(item.name);
        item.quotaType = maskEmailAddresses(item.quotaType);
        maskInPlace(item.paceText);
    }
    return s;
}

} // namespace meterix
