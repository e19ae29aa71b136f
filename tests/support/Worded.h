#pragma once

#include "core/UsageSnapshot.h"

namespace meterix::test {

// A line with each label replaced by its words in the language resolved now,
// to be compared with a line written as it is shown.
inline ModelQuotaItem worded(ModelQuotaItem item) {
    item.name = labelText(item.name);
    item.quotaType = labelText(item.quotaType);
    if (item.paceText) item.paceText = labelText(*item.paceText);
    return item;
}

inline QList<ModelQuotaItem> worded(const QList<ModelQuotaItem>& items) {
    QList<ModelQuotaItem> out;
    for (const ModelQuotaItem& item : items) out.append(worded(item));
    return out;
}

} // namespace meterix::test
