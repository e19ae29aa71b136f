#include "core/Localization.h"
#include "design/AccentColor.h"
#include "design/MeterixFont.h"
#include "design/Surface.h"
#include "panels/BusySpinState.h"
#include "panels/SwitchToggleStyle.h"
#include "panels/MenuCommandRow.h"
#include "panels/MenuPlateRow.h"
#include "panels/MenuScreenHeader.h"
#include "panels/MenuToggleRow.h"
#include "platform/ui/Appearance.h"

#include "support/WaitUntil.h"
#include "support/gui/GrabSupport.h"
#include "support/Speaking.h"
#include "support/gui/Looks.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace meterix {
namespace {

using Scheme = Appearance::Scheme;
using Kind = MenuCommandRow::Accessory::Kind;

class MenuRowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::showLook(Scheme::light);
        test::speak(ResolvedLanguage::english);
    }
    void TearDown() override {
        test::showLook(std::nullopt);
        test::reduceMotion(std::nullopt);
        test::speak();
    }
};

TEST_F(MenuRowsTest, CommandRowShowsTheFirstAccessoryThatApplies) {
    struct Row {
        std::optional<QString> shortcut, trailing;
        bool chevron;
        Kind kind;
        QString text;
    };
    const QList<Row> rows = {
        {QStringLiteral("⌘R"), QStringLiteral("v1.0.0"), true, Kind::shortcut, QStringLiteral("⌘R")},
        {std::nullopt, QStringLiteral("v1.0.0"), true, Kind::trailingText, QStringLiteral("v1.0.0")},
        {std::nullopt, std::nullopt, true, Kind::chevron, QString()},
        {std::nullopt, std::nullopt, false, Kind::none, QString()},
    };
    for (const Row& r : rows) {
        const auto a = MenuCommandRow::accessoryFor(r.shortcut, r.trailing, r.chevron);
        EXPECT_EQ(a.kind, r.kind);
        EXPECT_EQ(a.text, r.text);
    }
}

TEST_F(MenuRowsTest, CommandRowColoursByRoleAndHover) {
    const QColor red(255, 69, 58), white(Qt::white), primary = LabelColor::primary();
    struct Row {
        MenuRowRole role;
        bool hovered;
        QColor label, symbol, accessory;
        double plateTopAlpha, plateBottomAlpha;
        QColor plateBase;
    };
    const QList<Row> rows = {
        {MenuRowRole::destructive, true, white, white, withOpacity(white, 0.72), 0.95, 0.82, red},
        {MenuRowRole::destructive, false, red, withOpacity(red, 0.75), LabelColor::secondary(), 0, 0, red},
        {MenuRowRole::standard, true, white, white, withOpacity(white, 0.72), 0.95, 0.82,
         accentColor()},
        {MenuRowRole::standard, false, primary, withOpacity(primary, 0.75), LabelColor::secondary(), 0, 0,
         accentColor()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << "destructive " << (r.role == MenuRowRole::destructive) << " hovered " << r.hovered);
        const MenuCommandRow::Look look = MenuCommandRow::lookFor(r.role, r.hovered);
        EXPECT_EQ(look.label, r.label);
        EXPECT_EQ(look.symbol, r.symbol);
        EXPECT_EQ(look.accessory, r.accessory);
        EXPECT_NEAR(look.plateTop.alphaF(), r.plateTopAlpha, 0.005);
        EXPECT_NEAR(look.plateBottom.alphaF(), r.plateBottomAlpha, 0.005);
        EXPECT_EQ(look.plateTop.rgb(), r.plateBase.rgb());
    }
}

TEST_F(MenuRowsTest, HoveredDestructiveRowSitsOnARedPlate) {
    MenuCommandRow quit(Appearance::shared(), QStringLiteral("Quit Meterix"), QStringLiteral("power"),
                        QStringLiteral("⌘Q"), std::nullopt, false, MenuRowRole::destructive, false, {});
    MenuCommandRow refresh(Appearance::shared(), QStringLiteral("Refresh All"),
                           QStringLiteral("arrow.clockwise"), QStringLiteral("⌘R"), std::nullopt, false,
                           MenuRowRole::standard, false, {});
    quit.resize(312, quit.sizeHint().height());
    refresh.resize(312, refresh.sizeHint().height());
    const QImage rest = test::renderWidget(quit);
    quit.setHovered(true); // hidden: the hover look is taken at once
    const QImage hot = test::renderWidget(quit);
    refresh.setHovered(true);
    const QImage hotRefresh = test::renderWidget(refresh);
    test::saveGrab(test::stack({test::onBackdrop(rest, Qt::white), test::onBackdrop(hot, Qt::white),
                                test::onBackdrop(hotRefresh, Qt::white)},
                               Qt::white),
                   QStringLiteral("command-rows"));
    // Just inside the plate's right end, clear of the text: red hovered, clear at rest.
    const QColor plate = test::pixelAt(hot, 305, hot.height() / 2.0);
    EXPECT_GT(plate.red(), 200);
    EXPECT_LT(plate.green(), 110);
    EXPECT_EQ(test::pixelAt(rest, 305, rest.height() / 2.0).alpha(), 0);
    EXPECT_GT(test::pixelAt(hotRefresh, 305, hotRefresh.height() / 2.0).blue(), 200);
}

TEST_F(MenuRowsTest, CommandRowWithoutSymbolStartsAtTheMargin) {
    MenuCommandRow plain(Appearance::shared(), QStringLiteral("Settings…"), std::nullopt, std::nullopt,
                         std::nullopt, false, MenuRowRole::standard, false, {});
    MenuCommandRow withSymbol(Appearance::shared(), QStringLiteral("Settings…"), QStringLiteral("gearshape"),
                              std::nullopt, std::nullopt, false, MenuRowRole::standard, false, {});
    EXPECT_EQ(plain.titleX(), 9);
    EXPECT_EQ(withSymbol.titleX(), 9 + 15 + 9);
    EXPECT_EQ(withSymbol.sizeHint().width() - plain.sizeHint().width(), 24);
}

TEST_F(MenuRowsTest, BusySpinStartsOnlyOnAChangeToBusy) {
    struct Row {
        bool initial;
        QList<bool> changes;
        bool spinning;
    };
    const QList<Row> rows = {
        {true, {}, false},                                          // shown busy: stands still
        {true, {true}, false},                                      // no change
        {true, {false, true}, true},                                // the next false-to-true change spins
        {false, {true}, true},       {false, {true, false}, false}, // snaps back
    };
    for (const Row& r : rows) {
        BusySpinState s(r.initial);
        for (bool b : r.changes)
            s.setBusy(b);
        EXPECT_EQ(s.isSpinning(), r.spinning);
    }
}

TEST_F(MenuRowsTest, BusyRowTurnsAndSnapsBackUpright) {
    MenuCommandRow row(Appearance::shared(), QStringLiteral("Refreshing…"), QStringLiteral("arrow.clockwise"),
                       QStringLiteral("⌘R"), std::nullopt, false, MenuRowRole::standard, true, {});
    row.show();
    EXPECT_FALSE(row.isSpinning());
    EXPECT_EQ(row.spinAngle(), 0);
    row.setBusy(false);
    row.setBusy(true);
    EXPECT_TRUE(row.isSpinning());
    // The turn runs on the animation timer, however slow the machine is.
    EXPECT_TRUE(test::waitUntil([&row] { return row.spinAngle() > 0; }));
    row.setBusy(false);
    EXPECT_EQ(row.spinAngle(), 0);

    // Reduced motion: busy, but still.
    test::reduceMotion(true);
    row.setBusy(true);
    QTest::qWait(30);
    EXPECT_EQ(row.spinAngle(), 0);
}

TEST_F(MenuRowsTest, PlateRowIsAButtonOnlyWithAnAction) {
    int clicks = 0;
    MenuPlateRow still(QStringLiteral("Claude Code"), QStringLiteral("Max"), true, {}, new QLabel(), nullptr);
    auto* trailing = new QLabel(QStringLiteral("70%"));
    MenuPlateRow live(
        QStringLiteral("Claude Code"), QStringLiteral("Max"), true, [&clicks] { ++clicks; }, new QLabel(), trailing);
    still.resize(312, still.sizeHint().height());
    live.resize(312, live.sizeHint().height());

    still.setHovered(true);
    EXPECT_FALSE(still.isHovered());
    EXPECT_DOUBLE_EQ(still.chevronOpacity(), 0.55);
    QTest::mouseClick(&still, Qt::LeftButton, {}, QPoint(100, 10));

    live.setHovered(true);
    EXPECT_DOUBLE_EQ(live.chevronOpacity(), 1.0);
    EXPECT_DOUBLE_EQ(live.chevronShift(), 1.5);
    QTest::mouseClick(&live, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(trailing->testAttribute(Qt::WA_TransparentForMouseEvents));
}

// A subtitle that does not fit its room goes on to a second line, broken
// between words, and the row grows for it; only what two lines cannot hold is cut.
TEST_F(MenuRowsTest, PlateRowSubtitleWrapsBeforeItIsCut) {
    const QString reason = QStringLiteral("ChatGPT Team · New account, not read yet");
    for (const auto& [width, lines, whole] : {std::tuple{400, 1, true}, {130, 2, true}, {60, 2, false}}) {
        const QStringList shown = MenuPlateRow::subtitleLines(reason, width);
        EXPECT_EQ(shown.size(), lines) << width;
        EXPECT_EQ(shown.join(QLatin1Char(' ')) == reason, whole) << width;
    }
    MenuPlateRow row(QStringLiteral("Zed AI"), reason, true, [] {}, new QLabel(QStringLiteral("---")), nullptr);
    EXPECT_GT(row.heightForWidth(200), row.heightForWidth(600));
}

TEST_F(MenuRowsTest, HeaderKeepsItsTitleBetweenMarginsAndReadsAsAScreen) {
    int backs = 0;
    MenuScreenHeader header(
        QStringLiteral("Overview"),
        QStringLiteral("A very long screen title that cannot possibly fit on the header line"),
        QStringLiteral("3 accounts"), [&backs] { ++backs; });
    header.resize(312, header.sizeHint().height());
    EXPECT_TRUE(header.shownTitle().endsWith(QChar(0x2026)));
    const QFontMetricsF fm(MeterixFont::rounded(12.5, QFont::Bold));
    EXPECT_LE(fm.horizontalAdvance(header.shownTitle()), 312 - 2 * 78);
    EXPECT_EQ(header.accessibleName(), header.title() + QStringLiteral(" screen"));
    QTest::mouseClick(header.findChild<QAbstractButton*>(QStringLiteral("back")), Qt::LeftButton);
    EXPECT_EQ(backs, 1);

    test::speak(ResolvedLanguage::korean);
    EXPECT_EQ(MenuScreenHeader::accessibleLabel(QStringLiteral("정보")), QStringLiteral("정보 화면"));
    test::speak(ResolvedLanguage::english);
    EXPECT_EQ(MenuScreenHeader::accessibleLabel(QStringLiteral("About")), QStringLiteral("About screen"));
}

TEST_F(MenuRowsTest, SwitchFlipsOncePerClickAndIgnoresClicksWhileDisabled) {
    QList<bool> flips;
    MenuToggleRow row(QStringLiteral("speaker.wave.2.fill"), {QColor(255, 159, 10), QColor(194, 91, 0)},
                      QStringLiteral("Sound"), QStringLiteral("Haptics and sounds"), false,
                      [&flips](bool on) { flips << on; });
    SwitchToggleStyle* sw = row.findChild<SwitchToggleStyle*>(QStringLiteral("switch"));
    EXPECT_EQ(row.accessibleDescription(), QStringLiteral("Off"));
    QTest::mouseClick(sw, Qt::LeftButton);
    EXPECT_EQ(flips, QList<bool>{true});
    EXPECT_TRUE(row.isOn());
    // Hidden: no slide, the knob is drawn at its end at once.
    MenuToggleRow on(QStringLiteral("speaker.wave.2.fill"), {QColor(255, 159, 10), QColor(194, 91, 0)},
                     QStringLiteral("Sound"), QStringLiteral("Haptics and sounds"), true, [](bool) {});
    EXPECT_EQ(sw->grab().toImage(), on.findChild<SwitchToggleStyle*>(QStringLiteral("switch"))->grab().toImage());
    EXPECT_EQ(row.accessibleDescription(), QStringLiteral("On"));
    QTest::mouseClick(sw, Qt::LeftButton);
    EXPECT_EQ(flips, (QList<bool>{true, false}));

    sw->setEnabled(false);
    EXPECT_DOUBLE_EQ(sw->drawnOpacity(), 0.45);
    QTest::mouseClick(sw, Qt::LeftButton);
    EXPECT_EQ(flips.size(), 2);
    sw->setEnabled(true);
    EXPECT_DOUBLE_EQ(sw->drawnOpacity(), 1.0);

    // A change from outside is shown but not handed back.
    row.setOn(true);
    EXPECT_TRUE(sw->isChecked());
    EXPECT_EQ(flips.size(), 2);
    EXPECT_DOUBLE_EQ(SwitchToggleStyle::knobX(0), 2);
    EXPECT_DOUBLE_EQ(SwitchToggleStyle::knobX(1), 14);
}

} // namespace
} // namespace meterix
