// The about screen: its counts, links, language and looks.
#include "design/AccentColor.h"
#include "panels/MenuBarAboutScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/ProductRow.h"
#include "design/IconTile.h"
#include "platform/ui/Appearance.h"

#include "ScreenChecks.h"
#include "support/gui/ScreenContextOfTests.h"
#include "ScreenFixture.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QAbstractButton>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

class AboutScreen : public ::testing::Test {
  protected:
    void TearDown() override {
        test::speak();
        test::showLook(std::nullopt);
    }
    std::unique_ptr<MenuBarAboutScreen> open() {
        auto s = std::make_unique<MenuBarAboutScreen>(context());
        s->resize(312, s->heightForWidth(312));
        s->show();
        return s;
    }
    MenuScreenContext context() {
        MenuScreenContext c;
        c.navigator = &navigator;
        return test::withLook(c);
    }
    MenuBarNavigator navigator;
};

// What a reader finds on the screen, by the parts' names.
QStringList statTexts(const QWidget& screen) {
    QStringList texts;
    for (const QWidget* chip : test::parts<QWidget>(screen, QStringLiteral("statChip")))
        texts.append(chip->accessibleName());
    return texts;
}
QList<ProductRow*> productRows(const QWidget& screen) {
    return test::parts<ProductRow>(screen, QStringLiteral("productRow"));
}

TEST_F(AboutScreen, CountsAndTextsFollowTheLanguage) {
    test::speak(ResolvedLanguage::english);
    auto screen = open();
    EXPECT_EQ(statTexts(*screen), (QStringList{QStringLiteral("05 Products"), QStringLiteral("04 Live"),
                                                QStringLiteral("Seoul")}));
    ASSERT_EQ(productRows(*screen).size(), 5);
    EXPECT_EQ(productRows(*screen)[3]->accessibleName(),
              QStringLiteral("Sorvane, Soundscapes for falling asleep"));
    test::speak(ResolvedLanguage::korean);
    screen = open();
    EXPECT_EQ(statTexts(*screen),
              (QStringList{QStringLiteral("05 제품"), QStringLiteral("04 운영중"), QStringLiteral("서울")}));
    EXPECT_EQ(productRows(*screen)[3]->accessibleName(),
              QStringLiteral("Sorvane, 잠들기 전 듣는 소리 풍경"));
}

// The app, the lab and the products have no public page: nothing leads to one.
TEST_F(AboutScreen, LeadsToNoPage) {
    EXPECT_EQ(open()->findChildren<QAbstractButton*>().size(), 1); // the back button alone
}

TEST_F(AboutScreen, WithoutAnAppIconTheSparklesTileStandsIn) {
    QApplication::setWindowIcon(QIcon());
    EXPECT_NE(open()->findChild<IconTile*>(), nullptr);
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(pixmap));
    EXPECT_EQ(open()->findChild<IconTile*>(), nullptr);
    QApplication::setWindowIcon(QIcon());
}

TEST_F(AboutScreen, BackSlidesToTheOverview) {
    navigator.push(MenuBarScreen::about());
    auto screen = open();
    QTest::mouseClick(screen->findChild<MenuScreenHeader*>()->findChild<QAbstractButton*>(QStringLiteral("back")), Qt::LeftButton);
    EXPECT_EQ(navigator.screen(), MenuBarScreen::overview());
    EXPECT_FALSE(navigator.isForward());
}

TEST_F(AboutScreen, LabColourFollowsTheLook) {
    auto screen = open();
    test::showLook(Appearance::Scheme::dark);
    const QColor dark = screen->labAccent();
    test::showLook(Appearance::Scheme::light);
    EXPECT_NE(screen->labAccent(), dark);
}

// In both looks and languages every text has its room, apart from the others.
TEST_F(AboutScreen, GrabsInBothLooks) {
    for (auto scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        QList<QImage> shots;
        for (auto lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            SCOPED_TRACE(testing::Message() << int(scheme) << " " << int(lang));
            test::speak(lang);
            // Not shown: the hover takes effect at once.
            MenuBarAboutScreen screen(context());
            screen.resize(312, screen.heightForWidth(312));
            shots.append(test::renderWidget(screen));
            test::expectTextsInsideAndApart(screen);
        }
        const bool dark = scheme == Appearance::Scheme::dark;
        EXPECT_FALSE(test::saveGrab(test::sheet(shots, dark ? QColor(30, 30, 34) : QColor(242, 242, 246)),
                                    dark ? QStringLiteral("about-dark") : QStringLiteral("about-light"))
                         .isEmpty());
    }
}

} // namespace
} // namespace meterix

