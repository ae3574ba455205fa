// The main window, the single-board window and the shell's dialogs, driven like a user would,
// against simulated boards in the test LAN.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QComboBox>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTreeWidgetItemIterator>
#include <cstdlib>

#include "gui_support.h"
#include "resources/string_table.h"
#include "shell/adapter_dialogs.h"
#include "shell/ctrl_wnd.h"
#include "shell/device_tree.h"
#include "shell/manual_add_dialog.h"
#include "shell/shell_hooks.h"
#include "wire.h"

using namespace shelltest;
using tav::str;
using namespace tav::string_ids;

namespace {

std::string fleetPath(const char* name) {
  return std::string(std::getenv("TAVMON_SIM_FLEETS")) + "/" + name;
}

std::vector<std::string> treeLabels(CLeftView* tree) {
  std::vector<std::string> out;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) out.push_back((*it)->text(0).toStdString());
  return out;
}

bool has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

void flushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

tav::StatusBlock shelltest_block() {
  tav::StatusBlock b{};
  b[tav::status::kIp] = 10;
  b[tav::status::kDeviceType] = 1;
  return b;
}

}  // namespace

TEST(ShellGui, DemoFleetIsListedInAddressOrderWithItsTexts) {
  qorsim::Simulator sim = qorsim::Simulator::fromFile(fleetPath("demo.json"));
  sim.start();
  Gui gui;
  QTest::mouseClick(gui.button("searchButton"), Qt::LeftButton);
  EXPECT_FALSE(gui.button("searchButton")->isEnabled());
  EXPECT_EQ(gui.button("searchButton")->text().toStdString(), "设备搜索中……");
  EXPECT_GE(gui.button("searchButton")->width(),
            gui.button("searchButton")
                ->fontMetrics()
                .horizontalAdvance(gui.button("searchButton")->text()));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !gui.window.Searching(); }, 6000));
  EXPECT_TRUE(gui.button("searchButton")->isEnabled());
  EXPECT_EQ(gui.button("searchButton")->text().toStdString(), "搜索设备");

  const auto addresses = gui.column(0);
  ASSERT_EQ(addresses.size(), sim.boardCount());
  EXPECT_EQ(addresses.front(), "10.77.0.11");
  EXPECT_EQ(addresses.back(), "192.168.1.50");
  for (std::size_t i = 1; i < addresses.size(); ++i) {
    std::uint32_t a = 0, b = 0;
    qor::parseIp(addresses[i - 1], a);
    qor::parseIp(addresses[i], b);
    EXPECT_TRUE(tav::AddressNotAbove(a, b)) << addresses[i - 1] << " before " << addresses[i];
  }
  EXPECT_EQ(gui.row(0), (std::vector<std::string>{"10.77.0.11", "会议室编码器", "00:0e:0a:4d:00:0b",
                                                  "组播发送@239.77.0.11:1234",
                                                  "HD编码板/K3.12-A1.8/HDMI_1080P"}));
  EXPECT_EQ(gui.row(1),
            (std::vector<std::string>{"10.77.0.12", "门卫室标清编码", "00:0e:0a:4d:00:0c",
                                      "广播发送@10.77.0.255:5002", "编码板/K2.40-A1.2/CVBS"}));
  const int onvif =
      int(std::find(addresses.begin(), addresses.end(), "10.77.0.18") - addresses.begin());
  EXPECT_EQ(gui.row(onvif)[3], "Onvif@0.0.0.0:5555");
  EXPECT_EQ(gui.row(onvif)[4], "HD编码板/K3.12-A1.8/XGA1024x768");
  const int wall =
      int(std::find(addresses.begin(), addresses.end(), "10.77.0.34") - addresses.begin());
  EXPECT_EQ(gui.row(wall)[3], "TCP接收@10.77.0.15:7000");
  EXPECT_EQ(gui.row(wall)[4], "HD解码板/K3.12-A1.8/BOTH_1920x1080");

  // Every row's item data names its own board.
  for (int r = 0; r < gui.window.DeviceList()->rowCount(); ++r) {
    const int index = cell(gui.window.DeviceList(), r, 0, Qt::UserRole).toInt();
    EXPECT_EQ(gui.window.BoardList().At(index).AddressText(), addresses[std::size_t(r)]);
  }
  // The fleet holds two boards at 10.77.0.40: the conflict message, the count, then one line
  // naming the conflict and its boards; both rows are marked with the same line as tooltip.
  ASSERT_EQ(gui.notifier.messages.size(), 1u);
  EXPECT_EQ(gui.notifier.messages[0].text, str(kStrAddressConflicts));
  EXPECT_TRUE(gui.logged("发起设备搜索。"));
  const std::string conflict =
      "IP地址冲突 10.77.0.40：10.77.0.40 \"临时编码器A\"，10.77.0.40 \"临时解码器B\"";
  ASSERT_GE(gui.notifier.logLines.size(), 2u);
  EXPECT_EQ(gui.notifier.logLines.back(), conflict);
  EXPECT_EQ(gui.notifier.logLines[gui.notifier.logLines.size() - 2],
            "搜索到" + std::to_string(sim.boardCount()) + "个设备。");
  int marked = 0;
  for (int r = 0; r < gui.window.DeviceList()->rowCount(); ++r) {
    const QString toolTip = cell(gui.window.DeviceList(), r, 1, Qt::ToolTipRole).toString();
    const QBrush background =
        cell(gui.window.DeviceList(), r, 1, Qt::BackgroundRole).value<QBrush>();
    const bool shared = addresses[std::size_t(r)] == "10.77.0.40";
    EXPECT_EQ(toolTip.toStdString(), shared ? conflict : "") << r;
    EXPECT_EQ(background.style() != Qt::NoBrush, shared) << r;
    marked += shared;
  }
  EXPECT_EQ(marked, 2);
  // The log box shows the newest line first.
  EXPECT_TRUE(gui.window.LogBox()->toPlainText().startsWith(QLatin1Char('(')));
  EXPECT_TRUE(gui.window.LogBox()
                  ->toPlainText()
                  .section(QLatin1Char('\n'), 0, 0)
                  .endsWith(QString::fromStdString(gui.notifier.logLines.back())));

  // Headers and the texts fit their columns.
  const QHeaderView* header = gui.window.DeviceList()->horizontalHeader();
  const char* headers[] = {"设备IP", "设备名称", "MAC", "通信方式", "其它信息"};
  const QFontMetrics metrics = gui.window.DeviceList()->fontMetrics();
  for (int c = 0; c < 5; ++c) {
    const QString title =
        gui.window.DeviceList()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(title.toStdString(), headers[c]);
    for (int r = 0; r < gui.window.DeviceList()->rowCount(); ++r)
      EXPECT_GT(header->sectionSize(c),
                metrics.horizontalAdvance(cell(gui.window.DeviceList(), r, c).toString()))
          << r << "/" << c;
  }
}

TEST(ShellGui, AnswersFromElsewhereTwiceOrWithAWrongHead) {
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.60", 1, "A", "00:0e:00:00:00:60"),
                                      fleetBoard("10.77.0.61", 2, "B", "00:0e:00:00:00:61"),
                                      fleetBoard("10.77.0.62", 2, "C", "00:0e:00:00:00:62")});
  qorsim::Faults from;
  from.searchReplyFrom = "10.77.0.99";
  sim.setFaults("10.77.0.60", from);
  qorsim::Faults twice;
  twice.answerSearchTwice = true;
  sim.setFaults("10.77.0.61", twice);
  qorsim::Faults wrong;
  wrong.wrongHead = true;
  sim.setFaults("10.77.0.62", wrong);

  Gui gui;
  gui.search();
  EXPECT_EQ(gui.column(0), (std::vector<std::string>{"10.77.0.61", "10.77.0.61", "10.77.0.99"}));
  EXPECT_EQ(gui.column(1), (std::vector<std::string>{"B", "B", "A"}));
  ASSERT_EQ(gui.notifier.messages.size(), 1u);
  EXPECT_EQ(gui.notifier.messages[0].text, str(kStrAddressConflicts));
  // The count, then the twice-answering board's address and MAC conflicts.
  ASSERT_GE(gui.notifier.logLines.size(), 3u);
  EXPECT_EQ(gui.notifier.logLines[gui.notifier.logLines.size() - 3], "搜索到3个设备。");
  EXPECT_EQ(gui.notifier.logLines.back(),
            "MAC地址冲突 00:0e:00:00:00:61：10.77.0.61 \"B\"，10.77.0.61 \"B\"");

  // The next search starts from an empty list.
  sim.setFaults("10.77.0.61", {});
  gui.notifier.messages.clear();
  gui.search();
  EXPECT_EQ(gui.column(0), (std::vector<std::string>{"10.77.0.61", "10.77.0.99"}));
  EXPECT_TRUE(gui.notifier.messages.empty());
}

TEST(ShellGui, ListenerPortTakenGivesTheMessageAndNoBoards) {
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.63", 1, "A", "00:0e:00:00:00:63")});
  int holder = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(5007);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
  Gui gui;
  gui.search();
  close(holder);
  ASSERT_EQ(gui.notifier.messages.size(), 1u);
  EXPECT_EQ(gui.notifier.messages[0].text, "广播监听端口被占用! \n\r该程序是否重复运行?");
  EXPECT_EQ(gui.window.DeviceList()->rowCount(), 0);
  EXPECT_EQ(gui.notifier.logLines.back(), "未搜索到任何设备。");
  EXPECT_TRUE(gui.button("searchButton")->isEnabled());
}

TEST(ShellGui, SingleBoardWindowTreeFollowsTheBoardType) {
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.70", 7, "SDI", "00:0e:00:00:00:70"),
                                      fleetBoard("10.77.0.71", 20, "T810", "00:0e:00:00:00:71"),
                                      fleetBoard("10.77.0.72", 21, "DEC", "00:0e:00:00:00:72")});
  Gui gui;
  gui.search();
  ASSERT_EQ(gui.window.DeviceList()->rowCount(), 3);
  struct Case {
    int row;
    std::vector<std::string> present, absent;
  } cases[] = {
      {0,
       {"SPI调试", "视频编码", "时间设置", "OSD设置"},
       {"i2c调试", "存储设置", "EDID调试", "音量调节"}},
      {1, {"时间设置", "OSD设置", "存储设置", "自定义", "EDID调试"}, {"i2c调试", "SPI调试"}},
      {2, {"音量调节", "i2c调试"}, {"视频质量", "视频位置", "视频编码", "音频编码"}},
  };
  for (const Case& c : cases) {
    gui.window.DeviceList()->selectRow(c.row);
    QTest::mouseClick(gui.button("singleBoardButton"), Qt::LeftButton);
    QPointer<CCtrlWnd> wnd = gui.window.CtrlWindow();
    ASSERT_TRUE(wnd) << c.row;
    EXPECT_FALSE(gui.window.isEnabled());
    const std::string address = gui.column(0)[std::size_t(c.row)];
    EXPECT_EQ(wnd->windowTitle().toStdString(),
              "设置  " + address + "  \"" + gui.column(1)[std::size_t(c.row)] + "\"");
    EXPECT_EQ(wnd->width(), 600);
    EXPECT_EQ(wnd->height(), 550);
    const auto labels = treeLabels(wnd->Tree());
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + 4),
              (std::vector<std::string>{"参数配置", "IP与MAC地址", "网络收发", "外设配置"}));
    for (auto& p : c.present) EXPECT_TRUE(has(labels, p)) << address << " lacks " << p;
    for (auto& a : c.absent) EXPECT_FALSE(has(labels, a)) << address << " has " << a;
    EXPECT_EQ(wnd->CurrentView(), tav::kViewBlank);
    wnd->close();
    flushDeletes();
    EXPECT_FALSE(wnd);
    EXPECT_TRUE(gui.window.isEnabled());
  }
}

TEST(ShellGui, PageSwitchingAndTheStatisticsFlag) {
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.73", 1, "ENC", "00:0e:00:00:00:73")});
  Gui gui;
  gui.search();
  gui.window.DeviceList()->selectRow(0);

  gui.window.SetOpenStatisticsPage(true);
  QTest::mouseClick(gui.button("singleBoardButton"), Qt::LeftButton);
  ASSERT_TRUE(gui.window.CtrlWindow());
  EXPECT_EQ(gui.window.CtrlWindow()->CurrentView(), 13);
  gui.window.CtrlWindow()->close();
  flushDeletes();

  // The flag was used up: the next window opens blank.
  QTest::mouseClick(gui.button("singleBoardButton"), Qt::LeftButton);
  CCtrlWnd* wnd = gui.window.CtrlWindow();
  ASSERT_TRUE(wnd);
  EXPECT_EQ(wnd->CurrentView(), tav::kViewBlank);

  // Choosing items replaces the page; the old one is destroyed; groups show the blank page.
  QPointer<QWidget> before = wnd->CurrentPage();
  wnd->Tree()->setCurrentItem(wnd->Tree()->ItemForCode(tav::kCodeVideoPosition));
  EXPECT_EQ(wnd->CurrentView(), 16);
  EXPECT_FALSE(before);
  wnd->Tree()->setCurrentItem(wnd->Tree()->ItemForCode(tav::kCodeDebugGroup));
  EXPECT_EQ(wnd->CurrentView(), tav::kViewBlank);
  wnd->Tree()->setCurrentItem(wnd->Tree()->ItemForCode(tav::kCodeSerial));
  EXPECT_EQ(wnd->CurrentView(), tav::kViewSerial);
  wnd->close();
  flushDeletes();
}

TEST(ShellGui, SingleBoardNeedsOneRowDoubleClickTakesTheMark) {
  qorsim::Simulator sim = startFleet({fleetBoard("10.77.0.74", 1, "X", "00:0e:00:00:00:74"),
                                      fleetBoard("10.77.0.75", 2, "Y", "00:0e:00:00:00:75")});
  Gui gui;
  QTest::mouseClick(gui.button("singleBoardButton"), Qt::LeftButton);  // empty list
  EXPECT_FALSE(gui.window.CtrlWindow());
  gui.search();
  tav::DeviceListView* list = gui.window.DeviceList();
  list->selectAll();
  list->setCurrentCell(1, 0, QItemSelectionModel::NoUpdate);
  std::vector<int> selected;
  EXPECT_EQ(gui.window.SelectedBoards(selected), 2);
  QTest::mouseClick(gui.button("singleBoardButton"), Qt::LeftButton);
  EXPECT_FALSE(gui.window.CtrlWindow());

  const QRect cellRect = list->visualRect(list->model()->index(1, 0));
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, cellRect.center());
  list->selectAll();  // the double-click may have narrowed it; the mark stays on row 1
  emit list->cellDoubleClicked(1, 0);
  ASSERT_TRUE(gui.window.CtrlWindow());
  EXPECT_TRUE(gui.window.CtrlWindow()->windowTitle().contains(QStringLiteral("10.77.0.75")));
  gui.window.CtrlWindow()->close();
  flushDeletes();

  list->clearSelection();
  EXPECT_EQ(gui.window.SelectedBoards(selected), -1);
  EXPECT_EQ(gui.window.SelectRowByAddress(qor::ipFromOctets(10, 77, 0, 74)), 0);
  EXPECT_EQ(gui.window.CurrentBoard()->AddressText(), "10.77.0.74");
  EXPECT_EQ(gui.window.SelectRowByAddress(qor::ipFromOctets(10, 77, 0, 9)), -1);
  std::vector<int> kinds;
  EXPECT_EQ(gui.window.EncoderIndices(kinds), 1);
  EXPECT_EQ(gui.window.DecoderIndices(kinds), 1);
  EXPECT_EQ(gui.window.BoardList().At(kinds[0]).AddressText(), "10.77.0.75");
}

TEST(ShellGui, ManualAddPlacesTheRowOrReportsTheBoardOffLine) {
  qorsim::Simulator sim = startFleet({fleetBoard("192.168.1.10", 1, "A", "00:0e:00:00:01:10"),
                                      fleetBoard("192.168.1.50", 1, "B", "00:0e:00:00:01:50"),
                                      fleetBoard("192.168.1.30", 2, "手动", "00:0e:00:00:01:30")});
  qorsim::Faults silent;
  silent.silent = true;  // does not answer the search, only the direct question
  sim.setFaults("192.168.1.30", silent);
  Gui gui;
  gui.search();
  ASSERT_EQ(gui.column(0), (std::vector<std::string>{"192.168.1.10", "192.168.1.50"}));
  sim.setFaults("192.168.1.30", {});

  onNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<CManualAddDlg*>(modal);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->OkButton()->isEnabled());
    QTest::keyClicks(dialog->AddressEdit(), "192.168.1.30");
    EXPECT_TRUE(dialog->OkButton()->isEnabled());
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(gui.button("manualAddButton"), Qt::LeftButton);
  EXPECT_EQ(gui.column(0),
            (std::vector<std::string>{"192.168.1.10", "192.168.1.30", "192.168.1.50"}));
  EXPECT_EQ(gui.row(1)[1], "手动");
  EXPECT_EQ(gui.notifier.logLines.back(), "手动添加设备成功。");
  const int index = cell(gui.window.DeviceList(), 1, 0, Qt::UserRole).toInt();
  EXPECT_EQ(gui.window.BoardList().At(index).sourceAddress(), qor::ipFromOctets(192, 168, 1, 30));

  // "300" stays as typed and is refused as incomplete; an octet above 255 is refused by name.
  // The dialog stays open and nothing is asked of any board.
  onNextModal([&gui](QWidget* modal) {
    auto* dialog = qobject_cast<CManualAddDlg*>(modal);
    ASSERT_TRUE(dialog);
    QTest::keyClicks(dialog->AddressEdit(), "300");
    EXPECT_EQ(dialog->AddressEdit()->text(), "300");
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    EXPECT_EQ(gui.notifier.messages.back().text,
              "设备IP地址：地址不完整，请输入四段数字，如 192.168.18.235。");
    dialog->AddressEdit()->setText("10.77.0.300");
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
    EXPECT_EQ(gui.notifier.messages.back().text,
              "设备IP地址：地址的每一段须在 0-255 之间，请重新输入。");
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
  });
  QTest::mouseClick(gui.button("manualAddButton"), Qt::LeftButton);
  EXPECT_EQ(gui.window.DeviceList()->rowCount(), 3);

  // An address nobody answers at: message 255, nothing added.
  onNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<CManualAddDlg*>(modal);
    ASSERT_TRUE(dialog);
    QTest::keyClicks(dialog->AddressEdit(), "10.77.0.250");
    QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
  });
  QTest::mouseClick(gui.button("manualAddButton"), Qt::LeftButton);
  EXPECT_EQ(gui.window.DeviceList()->rowCount(), 3);
  ASSERT_FALSE(gui.notifier.messages.empty());
  EXPECT_EQ(gui.notifier.messages.back().text, "手动添加设备失败。\n该设备不在线。");
  EXPECT_EQ(gui.notifier.messages.back().icon, tav::NoticeIcon::Error);

  // The identity page moves the first board to .40: its row moves into address order and
  // keeps the selection mark.
  tav::DeviceListView* list = gui.window.DeviceList();
  list->setCurrentCell(0, 0);
  const int moved = cell(list, 0, 0, Qt::UserRole).toInt();
  gui.window.BoardList().At(moved).setIp(qor::ipFromOctets(192, 168, 1, 40));
  gui.window.BoardList().At(moved).SetSourceAddress(0);
  gui.window.boardIdentityChanged();
  EXPECT_EQ(gui.column(0),
            (std::vector<std::string>{"192.168.1.30", "192.168.1.40", "192.168.1.50"}));
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(cell(list, 1, 0, Qt::UserRole).toInt(), moved);
}

TEST(ShellGui, ResizeRuleTitleAndLog) {
  Gui gui;
  gui.window.resize(900, 358);
  QApplication::processEvents();
  EXPECT_EQ(gui.window.DeviceList()->geometry(), QRect(10, 40, 880, 200));
  EXPECT_EQ(gui.window.LogBox()->geometry(), QRect(10, 248, 880, 100));
  EXPECT_TRUE(
      gui.window.windowTitle().startsWith(QStringLiteral("Tavmon 编解码设备局域网诊断工具  V")));
  EXPECT_TRUE(gui.window.windowTitle().endsWith(QStringLiteral("内部版本")));
  // Every button's text fits it.
  for (QPushButton* b : gui.window.findChildren<QPushButton*>())
    EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text())) << b->text().toStdString();

  gui.window.LogLine("");
  EXPECT_EQ(gui.window.LogText(), "");
  gui.window.LogLine("第一行");
  gui.window.LogLine("第二行");
  const std::string log = gui.window.LogText();
  ASSERT_EQ(log.size(), 2 * std::string("(00:00:00): 第一行\r\n").size());
  EXPECT_EQ(log[0], '(');
  EXPECT_EQ(log.substr(9, 3), "): ");
  EXPECT_EQ(log.substr(12, 11), "第二行\r\n");
  EXPECT_TRUE(
      gui.window.LogBox()->toPlainText().startsWith(QString::fromStdString(log.substr(0, 21))));
}

TEST(ShellGui, AdapterDialogChoiceAndCancel) {
  auto adapters = [] {
    std::vector<tav::platform::Adapter> list(2);
    list[0].name = "eth1";
    list[0].addresses = {qor::ipFromOctets(10, 0, 0, 2)};
    list[1].name = "eth0";
    list[1].addresses = {qor::ipFromOctets(192, 168, 1, 2), qor::ipFromOctets(192, 168, 9, 2)};
    for (auto& a : list) a.description = tav::platform::describeAdapter(a.name, a.addresses);
    return list;
  };
  CAdapterSetDlg dialog(nullptr, adapters);
  QComboBox* box = dialog.AdapterBox();
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0).toStdString(), "eth0 (192.168.1.2)");  // sorted
  EXPECT_EQ(box->currentText(), QString());                         // nothing preselected
  box->setCurrentIndex(0);
  dialog.accept();
  EXPECT_TRUE(dialog.Chosen());
  EXPECT_EQ(dialog.ChosenAddress(), "192.168.1.2");

  CAdapterSetDlg typed(nullptr, adapters);
  typed.AdapterBox()->setEditText(QStringLiteral("eth0"));
  typed.accept();
  EXPECT_FALSE(typed.Chosen());
  EXPECT_EQ(typed.ChosenAddress(), "");

  // In the main window: a choice, then Cancel, leaves no choice.
  Gui gui;
  onNextModal([](QWidget* modal) {
    auto* d = qobject_cast<CAdapterSetDlg*>(modal);
    ASSERT_TRUE(d);
    d->AdapterBox()->setCurrentIndex(d->AdapterBox()->findText(QStringLiteral("lan0 (10.77.0.1)")));
    d->accept();
  });
  QTest::mouseClick(gui.button("adapterButton"), Qt::LeftButton);
  EXPECT_TRUE(gui.window.AdapterChosen());
  EXPECT_EQ(gui.window.ChosenAdapterAddress(), "10.77.0.1");
  onNextModal([](QWidget* modal) {
    auto* d = qobject_cast<CAdapterSetDlg*>(modal);
    ASSERT_TRUE(d);
    d->AdapterBox()->setCurrentIndex(0);
    d->reject();
  });
  QTest::mouseClick(gui.button("adapterButton"), Qt::LeftButton);
  EXPECT_FALSE(gui.window.AdapterChosen());
  EXPECT_EQ(gui.window.ChosenAdapterAddress(), "");
}

TEST(ShellGui, LaterPartsPlugInThroughTheHooks) {
  Gui gui;
  int maintenance = 0, diagnosed = -1;
  QPointer<QWidget> batch;
  tav::shellHooks().runMaintenanceDialog = [&](CTavmonDlg&) { ++maintenance; };
  tav::shellHooks().createBatchWindow = [&](CTavmonDlg&) { return batch = new QWidget; };
  tav::shellHooks().diagnoseLinks = [&](CBoardCtrl& boards, tav::Notifier& n) {
    diagnosed = boards.Count();
    n.log("链路诊断");
  };

  // Ctrl+F anywhere in the window, the list holding the focus.
  gui.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&gui.window));
  gui.window.DeviceList()->setFocus();
  QTest::keyClick(gui.window.DeviceList(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(maintenance, 1);

  // "批量设置" does nothing on an empty list, then opens the window under the list's bottom.
  QTest::mouseClick(gui.button("batchButton"), Qt::LeftButton);
  EXPECT_FALSE(batch);
  gui.window.InsertBoardRow(gui.window.BoardList().Add(shelltest_block()));
  QTest::mouseClick(gui.button("batchButton"), Qt::LeftButton);
  ASSERT_TRUE(batch);
  EXPECT_EQ(batch->windowTitle().toStdString(), "批量设置");
  EXPECT_EQ(batch->size(), QSize(500, 350));
  EXPECT_TRUE(gui.window.isEnabled());
  batch->close();
  flushDeletes();
  EXPECT_FALSE(batch);

  // The diagnosis runs at the end of the search, before the count is logged.
  gui.search();
  EXPECT_EQ(diagnosed, 0);
  ASSERT_GE(gui.notifier.logLines.size(), 2u);
  EXPECT_EQ(gui.notifier.logLines[gui.notifier.logLines.size() - 2], "链路诊断");
  tav::shellHooks() = {};
}
