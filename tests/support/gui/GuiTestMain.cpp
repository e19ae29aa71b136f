// The test main of the widget test programs: a QApplication on the offscreen platform.
#include "core/Localization.h"
#include "platform/ui/Appearance.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    meterix::test::prepareTestEnvironment(home.path());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // Made before any test: views follow its changes from their start, and
    // making it resolves the language anew, which must not undo a language a
    // test chose.
    meterix::Localization::shared();
    // The look is the one a test shows (test::showLook), whatever the desktop's.
    meterix::Appearance::makeShared(false);
    return RUN_ALL_TESTS();
}
