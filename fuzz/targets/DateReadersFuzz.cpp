// The two date readers: every date they give lies within the years 1 to 9999,
// and a date our store reads writes back to the same text.
#include "FuzzTarget.h"

#include "core/IsoDate.h"
#include "core/SafeConversions.h"

#include <cstring>

using namespace meterix;

METERIX_FUZZ_TARGET(date_readers) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    if (const auto stored = parseIsoDate(text)) {
        fuzz::checkDate(*stored);
        const auto again = parseIsoDate(isoDateString(*stored));
        METERIX_FUZZ_CHECK(again == stored);
    }
    if (const auto other = parseRfc3339(text)) {
        fuzz::checkDate(*other);
        METERIX_FUZZ_CHECK(parseIsoDate(isoDateString(*other)).has_value());
    }
    if (size >= sizeof(double)) {
        double seconds = 0;
        std::memcpy(&seconds, data, sizeof seconds);
        fuzz::checkDate(dateFromUnixSeconds(seconds));
    }
}
