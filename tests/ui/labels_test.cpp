// The label tables and message texts, read directly.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "labels.h"
#include "language.h"

namespace {

struct TableRows {
    const char* name;
    const LabelTable* table;
    int rows;
};

const TableRows kTables[] = {
    {"windowLabels", &windowLabels, 6},
    {"mainPageLabels", &mainPageLabels, 9},
    {"driverPageLabels", &driverPageLabels, 6},
    {"calibrationPageLabels", &calibrationPageLabels, 3},
    {"settingPageLabels", &settingPageLabels, 7},
    {"advancedPageLabels", &advancedPageLabels, 11},
    {"communicationPageLabels", &communicationPageLabels, 5},
    {"informationPageLabels", &informationPageLabels, 5},
    {"productTitleLabels", &productTitleLabels, 2},
    {"addScreenLabels", &addScreenLabels, 6},
    {"dialogMessages", &dialogMessages, 3},
    {"productNames", &productNames, 4},
    {"touchModeNames", &touchModeNames, 3},
    {"statusBarTexts", &statusBarTexts, 3},
    {"statusNames", &statusNames, 3},
};

int Rows(const char* const* list) {
    int n = 0;
    while (list[n] != nullptr) {
        ++n;
    }
    return n;
}

TEST(LabelTables, BothLanguagesHaveTheRowsOfEveryTableAndNoneIsEmpty) {
    for (const TableRows& t : kTables) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(Rows((*t.table)[0]), t.rows);
        EXPECT_EQ(Rows((*t.table)[1]), t.rows);
        EXPECT_EQ(LabelRowCount(*t.table), t.rows);
        for (int row = 0; row < t.rows; ++row) {
            EXPECT_GT(strlen((*t.table)[0][row]), 0u);
            EXPECT_GT(strlen((*t.table)[1][row]), 0u);
        }
    }
}

TEST(LabelTables, LookupFollowsLanguageIndexAndNeverLeavesTheTable) {
    const int saved = languageIndex;
    languageIndex = 0;
    EXPECT_STREQ(LabelText(windowLabels, 0), "TouchPanel Utility");
    languageIndex = 1;
    EXPECT_STREQ(LabelText(windowLabels, 0), "タッチパネルユーティリティ");
    EXPECT_STREQ(LabelText(windowLabels, 6), "");
    EXPECT_STREQ(LabelText(windowLabels, -1), "");
    EXPECT_STREQ(LabelTextIn(statusNames, 7, 0), "Enable");  // unknown language: English
    languageIndex = saved;
}

TEST(LabelTables, PaddedTextsKeepTheirBlanks) {
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(strlen(LabelTextIn(touchModeNames, 0, row)), 20u) << row;
    }
    EXPECT_STREQ(LabelTextIn(statusBarTexts, 0, 0), "Enabled...   ");
    EXPECT_STREQ(LabelTextIn(statusBarTexts, 0, 1), "Disabled...  ");
    EXPECT_STREQ(LabelTextIn(settingPageLabels, 0, 2), "Tap Time      ");
    EXPECT_STREQ(LabelTextIn(settingPageLabels, 1, 4), "安定化          ");
    EXPECT_STREQ(LabelTextIn(advancedPageLabels, 0, 4), "Hold Duration    ");
    // A full-width blank ends these two.
    EXPECT_STREQ(LabelTextIn(advancedPageLabels, 1, 5), " 短い\u3000");
    EXPECT_STREQ(LabelTextIn(advancedPageLabels, 1, 6), " 長い\u3000");
    EXPECT_STREQ(LabelTextIn(windowLabels, 1, 1), "スクリーンＮｏ: ");
    // Half-width katakana in the product names.
    EXPECT_STREQ(LabelTextIn(productNames, 1, 3), "QTP-40ｼﾘｰｽﾞ");
}

TEST(LabelTables, InformationTextsAndNoticeAreTheSameInBothLanguages) {
    for (int row = 2; row <= 4; ++row) {
        EXPECT_STREQ(LabelTextIn(informationPageLabels, 0, row),
                     LabelTextIn(informationPageLabels, 1, row));
    }
    EXPECT_STREQ(LabelTextIn(informationPageLabels, 0, 4), "   Unknown");
    for (int language = 0; language < 2; ++language) {
        EXPECT_STREQ(LabelTextIn(productTitleLabels, language, 0), "TAVIR Touch Panel Utility");
        EXPECT_STREQ(LabelTextIn(productTitleLabels, language, 1),
                     "Copyright (C) 2026 TAVIR Touch Panel Utility authors.\n"
                     "All rights reserved.");
    }
}

TEST(LabelTables, PortNamesEndWithTheUsbText) {
    EXPECT_EQ(Rows(portNames), driveropts::kPortCount);
    EXPECT_STREQ(portNames[0], "COM1(/dev/ttyS0)");
    EXPECT_STREQ(portNames[driveropts::kUsbPortIndex], "USB(/dev/input/event)");
    EXPECT_STREQ(kUsbPortName, portNames[driveropts::kUsbPortIndex]);
}

TEST(DialogTexts, AssignedCodesOnlyAndCodesSevenAndEightAgree) {
    for (int language = 0; language < 2; ++language) {
        for (unsigned code : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 8u, 9u, 10u}) {
            ASSERT_NE(DialogMessageText(code, language), nullptr) << code;
        }
        EXPECT_EQ(DialogMessageText(5, language), nullptr);
        EXPECT_EQ(DialogMessageText(11, language), nullptr);
        EXPECT_EQ(DialogMessageText(0xffffffffu, language), nullptr);
        EXPECT_STREQ(DialogMessageText(7, language), DialogMessageText(8, language));
    }
    EXPECT_STREQ(DialogMessageText(1, 0), "Please restart by \"root\".\nThis program exits.");
    EXPECT_STREQ(DialogMessageText(1, 1), "\"root\"で起動してください\n終了します");
    EXPECT_STREQ(DialogMessageText(6, 0), "Not use authority of a \"LINK PORT\"");
    EXPECT_STREQ(DialogMessageText(3, 0), "The Calibration are unfinished.\n");
    // The failed save names the file, then the reason, in both languages.
    for (int language = 0; language < 2; ++language) {
        const std::string format = DialogMessageText(9, language);
        const size_t first = format.find("%s");
        ASSERT_NE(first, std::string::npos);
        EXPECT_NE(format.find("%s", first + 2), std::string::npos);
        EXPECT_EQ(format.find('%', format.find("%s", first + 2) + 2), std::string::npos);
        // The screen that cannot show its targets: one number, nothing else.
        const std::string screen = DialogMessageText(10, language);
        ASSERT_NE(screen.find("%d"), std::string::npos);
        EXPECT_EQ(screen.find('%', screen.find("%d") + 2), std::string::npos);
    }
    EXPECT_STREQ(DialogMessageText(10, 0),
                 "The targets of screen %d cannot be shown on this display.\n"
                 "The Calibration is not started.");
    EXPECT_STREQ(dialogTitles[1], "説明");
    EXPECT_STREQ(dialogButtons[0], " O K ");
}

TEST(Language, OnlyTheEucJpLocaleNameInAnyCaseSelectsJapanese) {
    EXPECT_EQ(LanguageIndexFor("ja_JP.eucJP"), 1);
    EXPECT_EQ(LanguageIndexFor("JA_jp.EUCjp"), 1);
    EXPECT_EQ(LanguageIndexFor("ja_JP.UTF-8"), 0);
    EXPECT_EQ(LanguageIndexFor("ja"), 0);
    EXPECT_EQ(LanguageIndexFor("C"), 0);
    EXPECT_EQ(LanguageIndexFor(nullptr), 0);
}

}  // namespace
