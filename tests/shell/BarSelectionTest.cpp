#include "shell/BarSelection.h"

#include <gtest/gtest.h>

#include <QList>

namespace meterix {
namespace {

using P = AIProviderType;

// Each choice of a provider fetches, even of the one already chosen; only a
// change of whose card is open is announced.
TEST(BarSelection, EveryChoiceFetchesAndOnlyChangesAreAnnounced) {
    QList<P> fetched;
    QList<std::optional<P>> announced;
    BarSelection selection([&](P p) { fetched.append(p); });
    QObject::connect(&selection, &BarSelection::changed, [&](std::optional<P> p) { announced.append(p); });
    const struct {
        std::optional<P> set;
        QList<P> fetched;
        QList<std::optional<P>> announced;
    } rows[] = {
        {P::claudeCode, {P::claudeCode}, {P::claudeCode}},
        {P::claudeCode, {P::claudeCode, P::claudeCode}, {P::claudeCode}},
        {std::nullopt, {P::claudeCode, P::claudeCode}, {P::claudeCode, std::nullopt}},
    };
    for (const auto& row : rows) {
        selection.set(row.set);
        EXPECT_EQ(selection.isCardOpen(), row.set.has_value());
        EXPECT_EQ(fetched, row.fetched);
        EXPECT_EQ(announced, row.announced);
    }
}

} // namespace
} // namespace meterix
