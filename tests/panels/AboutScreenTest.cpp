// The about screen: its counts, links, language and looks.
#include "design/AccentColor.h"
#include "panels/LabButton.h"
#include "panels/MenuBarAboutScreen.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/ProductRow.h"
#include "design/IconTile.h"
#include "platform/ui/Appearance.h"

#include "ScreenChecks.h"
#include "ScreenFixture.h"
#include "support/gui/GrabSupport.h"
#include "support/gui/ScreenParts.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QDesktopServices>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

class AboutLinks : public QObject {
    Q_OBJECT
  public:
    AboutLinks() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~AboutLinks() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> opened;
  public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

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
        return c;
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
LabButton* labButton(const QWidget& screen) {
    return test::part<LabButton>(screen, QStringLiteral("labButton"));
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
    EXPECT_EQ(labButton(*screen)->title(), QStringLiteral("연구실 둘러보기"));
}

TEST_F(AboutScreen, LinksOpenTheirPages) {
    AboutLinks links;
    auto screen = open();
    QTest::mouseClick(test::part(*screen, QStringLiteral("sourceRow")), Qt::LeftButton);
    QTest::mouseClick(labButton(*screen), Qt::LeftButton);
    QTest::mouseClick(productRows(*screen)[0], Qt::LeftButton);
    ASSERT_EQ(links.opened.size(), 3);
    EXPECT_EQ(links.opened[0], MakerShowcase::sourceURL());
    EXPECT_EQ(links.opened[1], MakerShowcase::siteURL());
    EXPECT_EQ(links.opened[2], MakerShowcase::products()[0].url);
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
    QTest::mouseClick(screen->findChild<MenuScreenHeader*>()->backButton(), Qt::LeftButton);
    EXPECT_EQ(navigator.screen(), MenuBarScreen::overview());
    EXPECT_FALSE(navigator.isForward());
}

TEST_F(AboutScreen, LabColoursFollowTheLookAndTheButtonBrightensOnHover) {
    auto screen = open();
    test::showLook(Appearance::Scheme::dark);
    const QColor darkFill = screen->labAccentFill();
    test::showLook(Appearance::Scheme::light);
    EXPECT_NE(screen->labAccentFill(), darkFill);
    LabButton* lab = labButton(*screen);
    const QColor rest = lab->plateColor();
    lab->setHovered(true);
    ASSERT_TRUE(
        test::waitUntil([&] { return std::abs(lab->plateColor().redF() - rest.redF() - 0.05) < 0.004; }));
}

// In both looks and languages every text has its room, apart from the others,
// and the hovered product row is filled with the accent of that look while the
// one beside it is not.
TEST_F(AboutScreen, GrabsInBothLooks) {
    for (auto scheme : {Appearance::Scheme::light, Appearance::Scheme::dark}) {
        test::showLook(scheme);
        QList<QImage> shots;
        for (auto lang : {ResolvedLanguage::english, ResolvedLanguage::korean}) {
            SCOPED_TRACE(testing::Message() << int(scheme) << " " << int(lang));
            test::speak(lang);
            // Not shown: the hover takes effect at once.
            MenuBarAboutScreen screen(context());
            productRows(screen)[1]->setHovered(true);
            screen.resize(312, screen.heightForWidth(312));
            shots.append(test::renderWidget(screen));
            test::expectTextsInsideAndApart(screen);
            const auto plateEdge = [&](ProductRow* row) {
                const QPoint at = row->mapTo(&screen, QPoint(3, row->height() / 2));
                return test::pixelAt(shots.last(), at.x(), at.y());
            };
            EXPECT_TRUE(test::colourNear(plateEdge(productRows(screen)[1]), accentColor()));
            EXPECT_FALSE(test::colourNear(plateEdge(productRows(screen)[2]), accentColor(), 40));
        }
        const bool dark = scheme == Appearance::Scheme::dark;
        EXPECT_FALSE(test::saveGrab(test::sheet(shots, dark ? QColor(30, 30, 34) : QColor(242, 242, 246)),
                                    dark ? QStringLiteral("about-dark") : QStringLiteral("about-light"))
                         .isEmpty());
    }
}

} // namespace
} // namespace meterix

#include "AboutScreenTest.moc"
