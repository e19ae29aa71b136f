#include "accounts/AccountIdentityLedger.h"
#include "providers/DefaultProviders.h"
#include "providers/common/ProbeGate.h"
#include "support/HostUnderHome.h"
#include "support/FakeTransport.h"
#include "support/TempHome.h"

#include <QSet>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// One descriptor per case of the list, in its order: the catalogue finds it by
// its type and its raw value, and its factories make that provider's pieces.
TEST(ProviderList, EveryTypeHasOneDescriptorThatMakesItsOwnPieces) {
    test::TempHome home;
    test::FakeTransport transport;
    ProbeGate gate;
    AccountIdentityLedger ledger(home.file(QStringLiteral("ledger.json")));
    ProviderServices services = defaultServices();
    services.host = test::hostUnderHome(home.path());
    services.transport = &transport;
    services.probeGate = &gate;
    services.identityLedger = &ledger;

    const QList<const ProviderDescriptor*>& list = providerDescriptors();
    ASSERT_EQ(list.size(), allProviderTypes().size());
    QSet<QString> raws;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const ProviderDescriptor& d = *list[i];
        const QString raw = QString::fromLatin1(d.rawValue);
        EXPECT_EQ(d.type, allProviderTypes()[i]) << raw.toStdString();
        EXPECT_EQ(&ProviderCatalogue::of(d.type), &d) << raw.toStdString();
        EXPECT_FALSE(raw.isEmpty());
        EXPECT_TRUE(!raws.contains(raw)) << raw.toStdString() << " twice";
        raws.insert(raw);
        EXPECT_EQ(providerFromRawValue(raw), d.type) << raw.toStdString();
        EXPECT_FALSE(displayName(d.type).isEmpty()) << raw.toStdString();
        EXPECT_EQ(d.makeAdapter(services)->type(), d.type) << raw.toStdString();
        if (d.makeAccountResolver) {
            EXPECT_EQ(d.makeAccountResolver(services)->provider(), d.type);
        }
        if (d.activityRule) {
            EXPECT_EQ(d.activityRule(services.host).provider, d.type);
        }
    }
}

} // namespace
} // namespace meterix
