#include "support/FreshProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace meterix::test {

void expectInFreshProcess(const std::function<QString()>& check) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const QString failure = check();
            std::fprintf(stderr, "%s\n", qPrintable(failure));
            // No clean-up: the process's objects belong to a test that is not over.
            std::_Exit(failure.isEmpty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace meterix::test
