// Two adapters and none chosen: the first search prompts, later ones only log the prompt.
#include <gtest/gtest.h>

#include <QLabel>

#include "gui_support.h"
#include "shell/adapter_dialogs.h"

using namespace shelltest;

TEST(ShellGuiTwoAdapters, PromptOnceThenLogLine) {
  const std::string prompt = "检测到多块网卡，请先点选网卡设置并设置接收数据的网卡";
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.80", 1, "A", "00:0e:00:00:00:80")});
  Gui gui;
  int prompts = 0;
  onNextModal([&](QWidget* modal) {
    auto* confirm = qobject_cast<CAdapterConfirm*>(modal);
    ASSERT_TRUE(confirm);
    ++prompts;
    EXPECT_EQ(confirm->windowTitle().toStdString(), "提示");
    bool found = false;
    for (QLabel* l : confirm->findChildren<QLabel*>())
      found = found || l->text().toStdString() == prompt;
    EXPECT_TRUE(found);
    QTest::mouseClick(confirm->findChild<QPushButton*>(), Qt::LeftButton);
  });
  gui.search();
  EXPECT_EQ(prompts, 1);
  EXPECT_FALSE(gui.logged(prompt));
  // The search went on: the board behind the first adapter is listed.
  EXPECT_EQ(gui.column(0), (std::vector<std::string>{"10.77.0.80"}));

  gui.search();
  EXPECT_EQ(prompts, 1);
  EXPECT_TRUE(gui.logged(prompt));
  EXPECT_EQ(gui.column(0), (std::vector<std::string>{"10.77.0.80"}));
}
