// The language choice and the built-in English of every string-table text (what tavctl shows).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "resources/language.h"
#include "resources/string_table.h"

namespace {

using tav::Language;

TEST(Language, FollowsTheLocaleName) {
  EXPECT_EQ(tav::ParseLanguage("en"), Language::English);
  EXPECT_EQ(tav::ParseLanguage("zh"), Language::Chinese);
  EXPECT_EQ(tav::ParseLanguage("en_GB.UTF-8"), Language::English);
  EXPECT_EQ(tav::ParseLanguage("zh-TW"), Language::Chinese);
  EXPECT_EQ(tav::ParseLanguage("eng"), std::nullopt);
  EXPECT_EQ(tav::ParseLanguage("de"), std::nullopt);
  EXPECT_EQ(tav::ParseLanguage(""), std::nullopt);

  EXPECT_EQ(tav::LanguageOfLocale("C.UTF-8"), Language::Chinese);
  EXPECT_EQ(tav::LanguageOfLocale("POSIX"), Language::Chinese);
  EXPECT_EQ(tav::LanguageOfLocale(""), Language::Chinese);
  EXPECT_EQ(tav::LanguageOfLocale("zh_CN.GB18030"), Language::Chinese);
  EXPECT_EQ(tav::LanguageOfLocale("en_US.UTF-8"), Language::English);
  EXPECT_EQ(tav::LanguageOfLocale("de_DE.UTF-8"), Language::English);  // closer than Chinese
}

TEST(Language, EnvironmentOrderIsLcAllLcMessagesLang) {
  ::setenv("LANG", "en_US.UTF-8", 1);
  ::setenv("LC_MESSAGES", "zh_CN.UTF-8", 1);
  ::setenv("LC_ALL", "", 1);
  EXPECT_EQ(tav::LanguageFromEnvironment(), Language::Chinese);
  ::unsetenv("LC_MESSAGES");
  EXPECT_EQ(tav::LanguageFromEnvironment(), Language::English);
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(tav::LanguageFromEnvironment(), Language::Chinese);
}

TEST(Language, EveryTableTextHasBuiltInEnglish) {
  for (const auto& [id, chinese] : tav::strEntries())
    EXPECT_FALSE(tav::EnglishText(chinese).empty()) << "string " << id << ": " << chinese;
  // Line breaks survive the .ts, including the carriage return of 237.
  EXPECT_EQ(tav::EnglishText(tav::str(tav::kStrListenPortInUse)),
            "The broadcast listening port is taken! \n\rIs the program already running?");
  EXPECT_EQ(tav::EnglishText("no such text"), "");
}

TEST(Language, TableAndLiteralsSwitchTogether) {
  tav::UseBuiltInLanguage(Language::English);
  EXPECT_STREQ(tav::str(tav::kStrSearchButton), "Search devices");
  EXPECT_STREQ(tav::str(tav::kStrDevicesFound), "%d devices found.");
  EXPECT_STREQ(tav::trText("未知"), "unknown");
  EXPECT_STREQ(tav::trText("not in the table"), "not in the table");
  EXPECT_STREQ(tav::str(99999), "");
  tav::UseBuiltInLanguage(Language::Chinese);
  EXPECT_STREQ(tav::str(tav::kStrSearchButton), "搜索设备");
  EXPECT_STREQ(tav::trText("未知"), "未知");
}

}  // namespace
