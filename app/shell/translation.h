#pragma once
// Tavmon's language: "--lang zh|en" or the system locale; English through Qt's translator.

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace tav {

// Loads tavmon_en.qm (from ../translations or ../share/tavmon/translations beside the program)
// when the language is English, installs it and routes the string table through it. False with
// a reason in `error` when --lang names neither language.
bool InstallTranslation(QCoreApplication& app, const QStringList& arguments, QString& error);

}  // namespace tav
