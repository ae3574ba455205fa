#pragma once
// The language texts are shown in: Chinese (the string table's own) or English (built in from
// translations/tavmon_en.ts). Tavmon goes through Qt's translator; tavctl uses the built-in table.

#include <optional>
#include <string>
#include <string_view>

namespace tav {

enum class Language { Chinese, English };

// "zh", "en" and locale names built on them ("en_US.UTF-8", "zh-CN"); none for anything else.
std::optional<Language> ParseLanguage(std::string_view text);
// The language of a locale name: Chinese for zh*, C, POSIX or nothing; English for any other.
Language LanguageOfLocale(std::string_view locale);
// The messages locale of the environment: LC_ALL, else LC_MESSAGES, else LANG.
Language LanguageFromEnvironment();

// The built-in English of a Chinese text; empty when the table has none.
std::string EnglishText(const char* chinese);
// str() and trText() in `language`, from the built-in table.
void UseBuiltInLanguage(Language language);

}  // namespace tav
