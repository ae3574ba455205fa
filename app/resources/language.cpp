#include "resources/language.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "resources/string_table.h"

namespace tav {

// Generated from translations/tavmon_en.ts at build time, sorted by the Chinese text's bytes.
extern const std::pair<const char*, const char*> kEnglishTexts[];
extern const unsigned kEnglishTextCount;

std::optional<Language> ParseLanguage(std::string_view text) {
  auto is = [&text](std::string_view code) {
    return text.size() >= 2 && text.substr(0, 2) == code &&
           (text.size() == 2 || text[2] == '_' || text[2] == '-' || text[2] == '.');
  };
  if (is("zh")) return Language::Chinese;
  if (is("en")) return Language::English;
  return std::nullopt;
}

Language LanguageOfLocale(std::string_view locale) {
  if (locale.empty() || locale == "C" || locale.starts_with("C.") || locale == "POSIX")
    return Language::Chinese;
  return ParseLanguage(locale).value_or(Language::English);
}

Language LanguageFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return LanguageOfLocale(value);
  }
  return Language::Chinese;
}

std::string EnglishText(const char* chinese) {
  const auto* begin = kEnglishTexts;
  const auto* end = kEnglishTexts + kEnglishTextCount;
  const auto* it = std::lower_bound(begin, end, chinese, [](const auto& entry, const char* text) {
    return std::strcmp(entry.first, text) < 0;
  });
  return it != end && std::strcmp(it->first, chinese) == 0 ? it->second : std::string();
}

void UseBuiltInLanguage(Language language) {
  if (language == Language::English)
    setStrTranslation(EnglishText);
  else
    setStrTranslation(nullptr);
}

}  // namespace tav
