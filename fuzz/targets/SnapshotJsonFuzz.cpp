// One snapshot or quota item in our store's JSON: what decodes is sound, and
// encodes and decodes again to the same value.
#include "FuzzTarget.h"

#include <QJsonDocument>

using namespace meterix;

METERIX_FUZZ_TARGET(snapshot_json) {
    const QJsonDocument document = QJsonDocument::fromJson(fuzz::bytes(data, size));
    if (!document.isObject()) return;
    const QJsonObject object = document.object();
    if (const auto snapshot = UsageSnapshot::fromJson(object)) {
        fuzz::checkSnapshot(*snapshot, false);
        const auto again = UsageSnapshot::fromJson(snapshot->toJson());
        METERIX_FUZZ_CHECK(again.has_value());
        if (again) METERIX_FUZZ_CHECK(again->toJson() == snapshot->toJson());
    }
    if (const auto item = ModelQuotaItem::fromJson(object, fuzz::fixedNow())) {
        const auto again = ModelQuotaItem::fromJson(item->toJson(), fuzz::fixedNow());
        METERIX_FUZZ_CHECK(again.has_value());
        if (again) METERIX_FUZZ_CHECK(again->toJson() == item->toJson());
    }
}
