#include <gtest/gtest.h>

#include "platform/office/protocol.h"

TEST(Protocol, AnyPathSurvivesTheRoundTrip) {
    const std::vector<std::string> fields{
        "open", "/home/a b/\"quoted\" \\ back\nnew line\r\t#%?/\x01\x7f/Ünïcødé ✓.pptx", ""};
    const std::string line = EncodeLine(fields);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    std::vector<std::string> decoded;
    ASSERT_TRUE(DecodeLine(line, decoded));
    EXPECT_EQ(decoded, fields);
    EXPECT_EQ(EncodeLine({"ok", "3"}), "\"ok\" \"3\"");
}

TEST(Protocol, ReadsJsonEscapesAndRefusesBrokenLines) {
    std::vector<std::string> fields;
    ASSERT_TRUE(DecodeLine("\"a\\u00e9\\ud83d\\ude00\\/\" \"\"\r", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"a\xc3\xa9\xf0\x9f\x98\x80/", ""}));
    for (const char* broken : {"open", "\"open", "\"a\\x\"", "\"\\ud83d\"", "\"\\u12\""})
        EXPECT_FALSE(DecodeLine(broken, fields)) << broken;
}
