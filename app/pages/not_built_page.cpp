#include "pages/not_built_page.h"

#include <QBoxLayout>
#include <QLabel>

#include "device/board.h"
#include "pages/page_host.h"
#include "resources/string_table.h"
#include "shell/page_table.h"

inline constexpr const char* kNotBuiltText = "此版本暂不提供该功能。";

CNotBuiltPage::CNotBuiltPage(const tav::PageRow& row, tav::PageHost& host, QWidget* parent)
    : SettingsPage(host, parent) {
  setObjectName(QStringLiteral("CNotBuiltPage"));
  const CBoard* board = host.CurrentBoard();
  const int label = tav::PageLabel(row, board ? board->deviceType() : 0);
  auto* column = new QVBoxLayout(this);
  if (label != 0) column->addWidget(makeTitle(QString::fromUtf8(tav::str(label))));
  auto* text = new QLabel(QString::fromUtf8(kNotBuiltText), this);
  text->setObjectName(QStringLiteral("notBuiltText"));
  column->addWidget(text);
  column->addStretch(1);
}
