#pragma once

#include "core/L10n.h"
#include "core/UsageSnapshot.h"
#include "support/PlainTexts.h"

#include <gtest/gtest.h>

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
    for (const ModelQuotaItem& item : items)
        out.append(worded(item));
    return out;
}

// Every label of a fresh reading is a kind or the vendor's own text: no named
// label is an English text of ours, alone or with a figure or a name after it.
inline void expectOnlyKindsOrOwnNames(const UsageSnapshot& s) {
    QList<QuotaLabel> labels;
    for (const auto& label : {s.planName, s.headlineQuotaName})
        if (label) labels.append(*label);
    for (const ModelQuotaItem& item : s.modelQuotas) {
        labels << item.name << item.quotaType;
        if (item.paceText) labels.append(*item.paceText);
    }
    for (const QuotaLabel& label : labels) {
        if (!label.isNamed()) continue;
        for (const L10n::Case c : test::plainCases()) {
            const QString en = L10n::plain(c).pair().en;
            const bool ours = label.subject == en || label.subject.startsWith(en + QStringLiteral(" (")) ||
                              label.subject.startsWith(en + QStringLiteral(": "));
            EXPECT_FALSE(ours) << rawValue(s.provider).toStdString() << " stores \""
                               << label.subject.toStdString() << '"';
        }
    }
}

} // namespace meterix::test
