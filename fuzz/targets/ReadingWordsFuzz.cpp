// Any text a reading holds (a quota's name or kind, a pace note, a plan), as it
// is shown in either language: what is shown is already in that language, so
// showing it again changes nothing.
#include "FuzzTarget.h"

#include "core/Localization.h"
#include "core/ReadingWords.h"
#include "support/Speaking.h"

using namespace meterix;

namespace {

QString shownIn(ResolvedLanguage language, const QString& text) {
    test::speak(language);
    const QString shown = shownWording(text);
    test::speak();
    return shown;
}

} // namespace

METERIX_FUZZ_TARGET(reading_words) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    for (const ResolvedLanguage language : {ResolvedLanguage::korean, ResolvedLanguage::english}) {
        const QString shown = shownIn(language, text);
        METERIX_FUZZ_CHECK(shownIn(language, shown) == shown);
    }
}
