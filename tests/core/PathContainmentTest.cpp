#include "core/PathContainment.h"

#include <gtest/gtest.h>

namespace meterix {
namespace {

TEST(PathContainment, FolderHoldsItselfAndWhatIsBelowIt) {
    EXPECT_TRUE(isSameOrInsideFolder(u"/a/b", u"/a/b"));
    EXPECT_TRUE(isSameOrInsideFolder(u"/a/b/c/file", u"/a/b"));
    EXPECT_TRUE(isSameOrInsideFolder(u"/a/b/c", u"/a/b/"));
}

TEST(PathContainment, SiblingWithTheSameStartIsOutside) {
    EXPECT_FALSE(isSameOrInsideFolder(u"/home/u/.codex-old/sessions/x", u"/home/u/.codex"));
    EXPECT_FALSE(isSameOrInsideFolder(u"/a/bc/file", u"/a/b"));
    EXPECT_FALSE(isSameOrInsideFolder(u"/a", u"/a/b"));
}

TEST(PathContainment, EmptyFolderHoldsNothing) {
    EXPECT_FALSE(isSameOrInsideFolder(u"/any/path", u""));
    EXPECT_FALSE(isSameOrInsideFolder(u"", u""));
}

TEST(PathContainment, RootHoldsEveryAbsolutePath) {
    EXPECT_TRUE(isSameOrInsideFolder(u"/etc/x", u"/"));
    EXPECT_FALSE(isSameOrInsideFolder(u"relative/x", u"/"));
}

} // namespace
} // namespace meterix
