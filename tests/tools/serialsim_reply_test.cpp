// The controller stand-in's reply rule.
#include <gtest/gtest.h>

#include "replyrule.h"

TEST(SerialReply, RuleByCommand) {
    EXPECT_EQ(ReplyFor("SAY AB", ReplyMode::kReply, 9600), "AB\r");
    EXPECT_EQ(ReplyFor("SAY", ReplyMode::kReply, 9600), "\r");
    EXPECT_EQ(ReplyFor("LINES 3", ReplyMode::kReply, 9600), "LINE 1\rLINE 2\rLINE 3\r");
    EXPECT_EQ(ReplyFor("LINES 5000", ReplyMode::kReply, 9600), "ERR LINES\r");
    EXPECT_EQ(ReplyFor("SPEED", ReplyMode::kReply, 19200), "19200\r");
    EXPECT_EQ(ReplyFor("ABC", ReplyMode::kReply, 9600), "OK ABC\r");
    EXPECT_EQ(ReplyFor("", ReplyMode::kReply, 9600), "OK\r");
    EXPECT_EQ(ReplyFor("SAYING", ReplyMode::kReply, 9600), "OK SAYING\r");
    EXPECT_EQ(ReplyFor("NUL", ReplyMode::kReply, 9600), std::string("A\0B\0\0C\r", 7));
}

TEST(SerialReply, ModesOverrideTheRule) {
    std::string flood = ReplyFor("SAY x", ReplyMode::kFlood, 9600);
    EXPECT_EQ(flood.size(), kFloodBytes);
    EXPECT_EQ(flood.find('\r'), std::string::npos);
    EXPECT_EQ(ReplyFor("SAY x", ReplyMode::kNul, 9600), kNulReply);
    EXPECT_EQ(ReplyFor("SAY x", ReplyMode::kSilent, 9600), "");
}

TEST(SerialReply, LogRendering) {
    EXPECT_EQ(Escape(std::string("A\0\"\\\r", 5)), "A\\x00\\x22\\x5c\\x0d");
    EXPECT_EQ(Escape("abcdef", 3), "abc...");
    EXPECT_EQ(Hex("AB\r"), "41420d");
}
