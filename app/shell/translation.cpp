#include "shell/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

#include "resources/language.h"
#include "resources/string_table.h"

namespace tav {

bool InstallTranslation(QCoreApplication& app, const QStringList& arguments, QString& error) {
  std::optional<Language> language;
  for (int i = 1; i < arguments.size(); ++i) {
    QString value;
    if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size())
      value = arguments[++i];
    else if (arguments[i].startsWith(QLatin1String("--lang=")))
      value = arguments[i].mid(7);
    else if (arguments[i] == QLatin1String("--lang"))
      value = QStringLiteral("?");
    else
      continue;
    language = ParseLanguage(value.toStdString());
    if (!language || value.size() != 2) {
      error = QStringLiteral("--lang takes zh or en, not '%1'").arg(value);
      return false;
    }
  }
  if (!language) {
    const QStringList ui = QLocale::system().uiLanguages();
    language = LanguageOfLocale(ui.isEmpty() ? std::string() : ui.first().toStdString());
  }
  if (*language == Language::Chinese) return true;

  auto* translator = new QTranslator(&app);
  const QString dir = QCoreApplication::applicationDirPath();
  for (const QString& folder : {dir + QStringLiteral("/../translations"),
                                dir + QStringLiteral("/../share/tavmon/translations")}) {
    if (translator->load(QStringLiteral("tavmon_en"), QDir::cleanPath(folder))) break;
  }
  if (translator->isEmpty()) {
    delete translator;  // Chinese it stays: the texts are all there
    return true;
  }
  QCoreApplication::installTranslator(translator);
  setStrTranslation([](const char* chinese) {
    return QCoreApplication::translate("tav", chinese).toStdString();
  });
  return true;
}

}  // namespace tav
