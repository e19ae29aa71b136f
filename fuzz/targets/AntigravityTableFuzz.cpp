// The table "agy -p /usage" prints, read into a snapshot with sound figures.
#include "FuzzTarget.h"

#include "providers/antigravity/AntigravityAdapter.h"

using namespace meterix;

METERIX_FUZZ_TARGET(antigravity_table) {
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    if (const auto s = AntigravityAdapter::parseAgyUsageOutput(text, fuzz::fixedNow()))
        fuzz::checkSnapshot(*s);
}
