// Tavmon in English: --lang en loads the built .qm and the main window shows English texts from
// the string table and from its own buttons; --lang with another value is refused.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTranslator>

#include "recording_notifier.h"
#include "resources/string_table.h"
#include "shell/main_window.h"
#include "shell/translation.h"

namespace {

QString install(const QStringList& arguments, bool* ok = nullptr) {
  QString error;
  const bool done = tav::InstallTranslation(*QCoreApplication::instance(), arguments, error);
  if (ok) *ok = done;
  return error;
}

TEST(LanguageGui, LangEnShowsTheMainWindowInEnglish) {
  bool ok = false;
  install({"Tavmon", "--lang", "en"}, &ok);
  ASSERT_TRUE(ok);
  {
    tav::test::RecordingNotifier notifier;
    CTavmonDlg window(&notifier);
    auto text = [&](const char* name) {
      return window.findChild<QPushButton*>(QString::fromLatin1(name))->text();
    };
    EXPECT_EQ(text("searchButton"), "Search devices");
    EXPECT_EQ(text("singleBoardButton"), "Board settings");
    EXPECT_EQ(text("exitButton"), "Exit");
    EXPECT_EQ(window.DeviceList()->model()->headerData(0, Qt::Horizontal).toString(), "Device IP");
    EXPECT_TRUE(window.windowTitle().startsWith("Tavmon codec board LAN diagnostic tool"))
        << window.windowTitle().toStdString();
  }
  tav::setStrTranslation(nullptr);
  for (auto* translator : QCoreApplication::instance()->findChildren<QTranslator*>())
    QCoreApplication::removeTranslator(translator);
  EXPECT_STREQ(tav::str(tav::kStrSearchButton), "搜索设备");
}

TEST(LanguageGui, LangZhAndBadValues) {
  bool ok = false;
  EXPECT_TRUE(install({"Tavmon", "--lang=zh"}, &ok).isEmpty());
  EXPECT_TRUE(ok);
  EXPECT_STREQ(tav::str(tav::kStrSearchButton), "搜索设备");
  EXPECT_FALSE(install({"Tavmon", "--lang", "fr"}, &ok).isEmpty());
  EXPECT_FALSE(ok);
  install({"Tavmon", "--lang"}, &ok);
  EXPECT_FALSE(ok);
  install({"Tavmon", "--lang", "english"}, &ok);
  EXPECT_FALSE(ok);
}

}  // namespace
