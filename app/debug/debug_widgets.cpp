#include <QFontDatabase>
#include <QPlainTextEdit>

#include "debug/debug_pages.h"

namespace tav {

QPlainTextEdit* MonoTextBox(QWidget* parent, const char* name, const QString& widest, int lines) {
  auto* e = new QPlainTextEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setLineWrapMode(QPlainTextEdit::NoWrap);
  e->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  const QFontMetrics m(e->font());
  e->setMinimumWidth(m.horizontalAdvance(widest) + 40);
  e->setMinimumHeight(m.lineSpacing() * lines + 12);
  return e;
}

QString BoxText(const std::string& text) {
  QString t = qs(text);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return t;
}

}  // namespace tav
