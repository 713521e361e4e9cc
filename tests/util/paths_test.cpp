#include <gtest/gtest.h>

#include "../support/fakehost.h"
#include "util/paths.h"

TEST(Paths, ExtractFolderKeepsTheLastSeparator) {
    EXPECT_EQ(ExtractFolder(QStringLiteral("/a/b.ppt")), QStringLiteral("/a/"));
    EXPECT_EQ(ExtractFolder(QStringLiteral("b.ppt")), QString());
    EXPECT_EQ(ExtractFolder(QStringLiteral("/a/")), QStringLiteral("/a/"));
    EXPECT_EQ(ExtractFolder(QStringLiteral("/")), QStringLiteral("/"));
    // A backslash is an ordinary name character here.
    EXPECT_EQ(ExtractFolder(QStringLiteral("C:\\a\\b.ppt")), QString());
}

TEST(Paths, ExtractFileNameTakesWhatFollowsTheLastSeparator) {
    EXPECT_EQ(ExtractFileName(QStringLiteral("/a/b.ppt")), QStringLiteral("b.ppt"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("b.ppt")), QStringLiteral("b.ppt"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/a/")), QString());
    EXPECT_EQ(ExtractFileName(QString()), QString());
}

TEST(Paths, StripExtensionCutsAtTheLastDotAnywhere) {
    EXPECT_EQ(StripExtension(QStringLiteral("/a/b.c.ppt")), QStringLiteral("/a/b.c"));
    EXPECT_EQ(StripExtension(QStringLiteral(".ppt")), QStringLiteral(".ppt"));
    EXPECT_EQ(StripExtension(QStringLiteral("file")), QStringLiteral("file"));
    EXPECT_EQ(StripExtension(QString()), QString());
    EXPECT_EQ(StripExtension(QStringLiteral("/x.y/file")), QStringLiteral("/x"));
    EXPECT_EQ(StripExtension(QStringLiteral("/a/.hidden")), QStringLiteral("/a/"));
}

TEST(Paths, FixBackslashesCollapsesPairsInOnePass) {
    EXPECT_EQ(FixBackslashes(QStringLiteral("/decks//a.ppt")), QStringLiteral("/decks/a.ppt"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("a///b")), QStringLiteral("a//b"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("a////b")), QStringLiteral("a//b"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("a/////b")), QStringLiteral("a///b"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("x/")), QStringLiteral("x/"));
    EXPECT_EQ(FixBackslashes(QString()), QString());
    EXPECT_EQ(FixBackslashes(QStringLiteral("C:\\\\a")), QStringLiteral("C:\\\\a"));
}

TEST(Paths, FixBackslashesLeavesOneLeadingSeparator) {
    EXPECT_EQ(FixBackslashes(QStringLiteral("////srv//share//x")), QStringLiteral("/srv/share/x"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("/folder")), QStringLiteral("/folder"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("//folder///x")), QStringLiteral("/folder//x"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(FixBackslashes(QStringLiteral("///")), QStringLiteral("/"));
}

TEST(Paths, ListContainsComparesExactlyAndReadsEveryRow) {
    FakeHost host;
    EXPECT_FALSE(ListContains(host, QStringLiteral("/a.ppt")));
    host.rows = {QStringLiteral("/d/A.ppt"), QStringLiteral("/d/b.ppt")};
    EXPECT_TRUE(ListContains(host, QStringLiteral("/d/b.ppt")));
    EXPECT_FALSE(ListContains(host, QStringLiteral("/d/a.ppt")));
    EXPECT_FALSE(ListContains(host, QStringLiteral("/d/b.ppt ")));
}
