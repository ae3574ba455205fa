// The batch window, its pages and the maintenance dialog driven like a user would: over a fake
// link and scripted maintenance sockets, then against qorsim in the test LAN.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "batch/batch_window.h"
#include "batch/new_search_dlg.h"
#include "boards.h"
#include "device/board_list.h"
#include "fake_board_link.h"
#include "fake_client.h"
#include "pages/page_action.h"
#include "pages/settings_page.h"
#include "qorsim.h"
#include "recording_notifier.h"
#include "resources/string_table.h"
#include "scripted_maintenance.h"
#include "shell/main_window.h"
#include "shell/shell_hooks.h"
#include "upgrade/upgrade_package.h"
#include "wire.h"

using namespace tav::batch;
using tav::str;
using namespace tav::string_ids;
using tav::test::FakeBoardLink;

namespace {

class Host : public BatchHost {
 public:
  CBoardCtrl list;
  std::vector<int> selected;
  tav::test::RecordingNotifier notes;
  tav::BoardLink* linkUsed = nullptr;
  FakeBoardLink fake;

  CBoard* CurrentBoard() override { return nullptr; }
  CBoardCtrl& BoardList() override { return list; }
  tav::Notifier& notifier() override { return notes; }
  tav::BoardLink& link() override { return linkUsed ? *linkUsed : fake; }
  std::vector<int> SelectedBoards() override { return selected; }

  bool logged(const std::string& text) const {
    return std::find(notes.logLines.begin(), notes.logLines.end(), text) != notes.logLines.end();
  }
};

template <class T>
T* Child(QWidget* page, const char* name) {
  T* w = page->findChild<T*>(QLatin1String(name));
  if (!w) throw std::runtime_error(std::string("no control ") + name);
  return w;
}

void Settle() {
  EXPECT_TRUE(QTest::qWaitFor([] { return tav::PageAction::Running() == 0; }, 15000));
}

// Pictures for a person to look at: TAVMON_SCREENSHOTS=dir.
void Shot(QWidget* w, const char* name) {
  const char* dir = std::getenv("TAVMON_SHOTS");
  if (!dir) return;
  w->grab().save(QDir(QString::fromUtf8(dir)).filePath(QLatin1String(name)));
}

// Encoder .10 (type 1), decoders .11 (type 2), .12 (type 6), .13 (type 21), encoder .14 (3).
void Fleet(Host& host) {
  using tav::test::Decoder;
  using tav::test::Encoder;
  host.list.Add(Encoder("10.0.0.10", "10.0.0.255", 5000, 0, 1));
  host.list.Add(Decoder("10.0.0.11", 0, "0.0.0.0", 5000, 2));
  host.list.Add(Decoder("10.0.0.12", 0, "0.0.0.0", 5000, 6));
  host.list.Add(Decoder("10.0.0.13", 0, "0.0.0.0", 5000, 21));
  host.list.Add(Encoder("10.0.0.14", "239.0.0.1", 5000, 1, 3));
}

}  // namespace

TEST(BatchWindow, TreeOpensEachFunctionsPageAnewAndStartsBlank) {
  auto host = std::make_unique<Host>();
  Fleet(*host);
  host->selected = {0, 3};
  CCtrlWndMul window(std::move(host));
  window.resize(500, 350);
  window.show();
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8(str(kStrBatchSettings)));
  EXPECT_EQ(window.CurrentPageKind(), BatchPage::Blank);
  CLeftViewMul* tree = window.Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 5);
  const char* classes[] = {"CMULTIPLE_RIGHTVIEW4", "CMULTIPLE_RIGHTVIEW0", "CMULTIPLE_RIGHTVIEW1",
                           "CMULTIPLE_RIGHTVIEW2", "CRightView11"};
  const int ids[] = {235, 230, 231, 232, 233};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(tree->topLevelItem(i)->text(0), QString::fromUtf8(str(ids[i])));
    tree->setCurrentItem(tree->topLevelItem(i));
    EXPECT_STREQ(window.CurrentPage()->metaObject()->className(), classes[i]);
  }
  // A double click on the chosen item makes the page again.
  QPointer<QWidget> before = window.CurrentPage();
  emit tree->itemDoubleClicked(tree->topLevelItem(4), 0);
  EXPECT_TRUE(before.isNull());

  tree->setCurrentItem(tree->topLevelItem(0));
  auto* list = Child<QTableWidget>(window.CurrentPage(), "list1052");
  ASSERT_EQ(list->rowCount(), 2);
  EXPECT_EQ(list->item(0, 0)->text(), QStringLiteral("10.0.0.10"));
  EXPECT_EQ(list->item(1, 0)->text(), QStringLiteral("10.0.0.13"));
  EXPECT_EQ(list->horizontalHeaderItem(2)->text(), QString::fromUtf8(str(kStrColumnOtherInfo)));
  Shot(&window, "batch_selected.png");
  for (int i = 1; i < 5; ++i) {
    tree->setCurrentItem(tree->topLevelItem(i));
    Shot(&window, (std::string("batch_page") + std::to_string(i) + ".png").c_str());
  }
}

TEST(BatchRestart, SelectionIsTakenAtEachClickAndEveryBoardLogsALine) {
  Host host;
  Fleet(host);
  CMULTIPLE_RIGHTVIEW0 page(host, nullptr);
  host.selected = {1, 4};
  Child<QPushButton>(&page, "button1050")->click();
  Settle();
  auto sets = host.fake.sentOf(FakeBoardLink::Op::Set);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].address, "10.0.0.11");
  EXPECT_EQ(sets[1].address, "10.0.0.14");
  EXPECT_EQ(sets[0].type, 12);
  EXPECT_EQ(host.notes.logLines.size(), 3u) << "one line per board, then the batch line";
  EXPECT_EQ(host.notes.logLines.back(), str(kStrBatchRestartStarted));
  const QString progress = page.progressBox()->toPlainText();
  EXPECT_TRUE(progress.contains(QStringLiteral("[1/2]"))) << progress.toStdString();
  EXPECT_TRUE(progress.contains(QStringLiteral("[2/2]")));
  EXPECT_FALSE(page.stopButton()->isEnabled());

  // Nothing selected now: nothing sent, the batch line still logged.
  host.selected.clear();
  host.notes.logLines.clear();
  Child<QPushButton>(&page, "button1050")->click();
  Settle();
  EXPECT_EQ(host.fake.sentOf(FakeBoardLink::Op::Set).size(), 2u);
  EXPECT_EQ(host.notes.logLines, std::vector<std::string>{str(kStrBatchRestartStarted)});

  // All decoders: one group datagram with target -3.
  Child<QPushButton>(&page, "button1002")->click();
  Settle();
  auto group = host.fake.sentOf(FakeBoardLink::Op::Broadcast);
  ASSERT_EQ(group.size(), 1u);
  EXPECT_EQ(group[0].bytes[3], 0xE8);
  EXPECT_EQ(qor::getI32(group[0].bytes, 8), -3);
  EXPECT_EQ(page.progressBox()->toPlainText(), QStringLiteral("[1/1] 群发命令已发出。"));
}

TEST(BatchFactoryReset, CredentialsAreCheckedFirstAndDecodersGoBoardByBoard) {
  Host host;
  Fleet(host);
  CMULTIPLE_RIGHTVIEW1 page(host, nullptr);
  EXPECT_EQ(page.User()->text(), QStringLiteral("admin"));
  EXPECT_EQ(page.Password()->echoMode(), QLineEdit::Password);
  page.User()->setText(QStringLiteral("Admin"));
  Child<QPushButton>(&page, "button1002")->click();
  Settle();
  EXPECT_TRUE(host.fake.sent().empty());
  ASSERT_EQ(host.notes.messages.size(), 1u);
  EXPECT_EQ(host.notes.messages[0].text, str(kStrWrongUserOrPassword));
  EXPECT_FALSE(host.logged(str(kStrBatchResetStarted)));

  page.User()->setText(QStringLiteral("admin"));
  Child<QPushButton>(&page, "button1002")->click();
  Settle();
  std::vector<std::uint32_t> reset;  // the target of each 0xEB datagram, first octet highest
  for (const auto& s : host.fake.sentOf(FakeBoardLink::Op::Broadcast)) {
    EXPECT_EQ(s.bytes[3], 0xEB);
    reset.push_back(qor::getU32(s.bytes, 8));
  }
  EXPECT_EQ(reset, (std::vector<std::uint32_t>{0x0A00000Bu, 0x0A00000Du}))
      << "types 2 and 21, not the type-6 decoder";
  EXPECT_EQ(host.notes.logLines.back(), str(kStrBatchResetStarted));
}

namespace {
// Each configuration write takes a while, so a stop can come between boards.
class SlowLink : public FakeBoardLink {
 public:
  int setConfig(const std::string& address, int type,
                std::span<const std::uint8_t> record) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return FakeBoardLink::setConfig(address, type, record);
  }
};
}  // namespace

TEST(BatchRestart, WindowKeepsRunningAndAStopEndsTheBatchBetweenBoards) {
  Host host;
  SlowLink slow;
  host.linkUsed = &slow;
  for (int i = 0; i < 8; ++i) {
    const std::string ip = "10.0.0." + std::to_string(20 + i);
    host.list.Add(tav::test::Encoder(ip.c_str(), "10.0.0.255", 5000));
    host.selected.push_back(i);
  }
  CMULTIPLE_RIGHTVIEW0 page(host, nullptr);
  page.show();
  Child<QPushButton>(&page, "button1050")->click();
  EXPECT_TRUE(page.busy());
  EXPECT_FALSE(Child<QPushButton>(&page, "button1000")->isEnabled());
  ASSERT_TRUE(page.stopButton()->isEnabled());
  // Results show as they come while the event loop runs.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return page.progressBox()->toPlainText().contains(QStringLiteral("[1/8]")); }, 5000));
  page.stopButton()->click();
  Settle();
  const auto written = slow.sentOf(FakeBoardLink::Op::Set).size();
  EXPECT_GE(written, 1u);
  EXPECT_LT(written, 8u);
  EXPECT_TRUE(page.progressBox()->toPlainText().contains(QStringLiteral("已停止")));
  EXPECT_TRUE(Child<QPushButton>(&page, "button1000")->isEnabled());
}

TEST(BatchUpgrade, BoardSetsFixTheTypeByTheFirstBoardAndTheListEmptiesAfterARun) {
  Host host;
  using tav::test::Encoder;
  host.list.Add(Encoder("10.0.0.30", "10.0.0.255", 5000, 0, 3));
  host.list.Add(Encoder("10.0.0.31", "10.0.0.255", 5000, 0, 1));
  host.list.Add(Encoder("10.0.0.32", "10.0.0.255", 5000, 0, 3));
  CMULTIPLE_RIGHTVIEW2 page(host, nullptr);
  auto targets = page.TargetsFor(tav::upgrade::BatchSet::Encoders);
  EXPECT_EQ(targets.addresses(),
            (std::vector<std::uint32_t>{tav::test::Ip("10.0.0.30"), tav::test::Ip("10.0.0.32")}));
  EXPECT_TRUE(page.TargetsFor(tav::upgrade::BatchSet::Decoders).empty());

  // No file chosen: refused before anything is sent, and the list is emptied all the same.
  Child<QPushButton>(&page, "button1050")->click();
  Settle();
  ASSERT_EQ(host.notes.messages.size(), 1u);
  EXPECT_EQ(host.notes.messages[0].text, tav::upgrade::kRefuseFile);
  EXPECT_TRUE(host.fake.sent().empty());
  EXPECT_TRUE(page.Targets().empty());

  // A file for type 3, declined at the question: nothing sent.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("fw.bin"));
  auto package = tav::upgrade::BuildPackage(tav::upgrade::HeaderKind::Short, 3,
                                            {std::vector<std::uint8_t>(64, 1)});
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(package.data()),
             static_cast<std::streamsize>(package.size()));
  page.ChooseFile(path);
  EXPECT_EQ(Child<QLineEdit>(&page, "edit1092")->text().toLongLong(),
            static_cast<long long>(package.size()));
  EXPECT_NE(page.InfoLine()->text(), QString::fromUtf8(tav::upgrade::kInfoEmpty));
  Child<QPushButton>(&page, "button1050")->click();
  Settle();
  EXPECT_EQ(host.notes.questions, std::vector<std::string>{tav::upgrade::kQuestion});
  EXPECT_TRUE(host.fake.sent().empty());
}

TEST(EncoderStatistics, StartPollsEvery200msWithoutBlockingAndStopDisarms) {
  tav::test::FakeClient lib;
  Host host;
  using tav::test::Encoder;
  host.list.Add(Encoder("10.0.0.3", "10.0.0.255", 5000));
  host.list.Add(Encoder("10.0.0.1", "239.0.0.1", 5000, 1));
  host.list.Add(Encoder("10.0.0.2", "0.0.0.0", 7000, 3));
  {
    CRightView11 page(host, nullptr);
    Child<QPushButton>(&page, "button1000")->click();
    EXPECT_TRUE(page.Timer().isActive());
    EXPECT_EQ(page.Timer().interval(), 200);
    lib.setRates(2, 4128, 4000, 128);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page.List()->rowCount() == 3; }, 2000));
    EXPECT_EQ(page.List()->item(0, 0)->text(), QStringLiteral("#1"));
    EXPECT_EQ(page.List()->item(1, 2)->text(), QStringLiteral("4128"));
    Child<QPushButton>(&page, "button1050")->click();
    EXPECT_FALSE(page.Timer().isActive());
    EXPECT_EQ(page.List()->rowCount(), 3) << "the rows stay";
    EXPECT_EQ(host.notes.logLines.back(), str(kStrDetectionStopped));
  }
  // No encoder: the message, no timer.
  Host empty;
  empty.list.Add(tav::test::Decoder("10.0.0.9", 0, "0.0.0.0", 1234));
  CRightView11 page(empty, nullptr);
  page.Start();
  EXPECT_FALSE(page.Timer().isActive());
  ASSERT_EQ(empty.notes.messages.size(), 1u);
  EXPECT_EQ(empty.notes.messages[0].text, "没有检测到编码板。");
}

TEST(MaintenanceDialog, SearchRunsPassByPassListsInAddressOrderAndCommandsCarryExchangeZero) {
  using namespace maintenance_test;
  ScriptedTransport transport;
  tav::test::RecordingNotifier notes;
  CNewSearchDlg dialog(transport, nullptr, &notes);
  dialog.show();
  dialog.OnSearch();
  EXPECT_TRUE(dialog.Waiting());
  EXPECT_FALSE(dialog.SearchButton()->isEnabled());
  EXPECT_EQ(dialog.SearchButton()->text(), QString::fromUtf8(str(kStrSearching)));
  const std::uint32_t exchange = dialog.Session().ExchangeNumber();
  // Replies arrive while the wait runs: the second copy of reply 7 (another adapter) is dropped;
  // of a three-interface table only the interface at the source address is listed.
  transport.inbox.push_back(SearchReply(7, exchange, Ip("10.77.0.30"), {Entry("10.77.0.30", 3)}));
  transport.inbox.push_back(SearchReply(7, exchange, Ip("10.77.0.30"), {Entry("10.77.0.30", 3)}));
  transport.inbox.push_back(
      SearchReply(8, exchange, Ip("10.77.0.20"),
                  {Entry("192.168.1.5", 1), Entry("10.77.0.20", 2), Entry("172.16.0.1", 4)}));
  transport.inbox.push_back(
      SearchReply(9, exchange + 1, Ip("10.77.0.40"), {Entry("10.77.0.40", 5)}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Waiting(); }, 5000));
  EXPECT_EQ(transport.pauses, kReplyPasses);
  EXPECT_TRUE(dialog.SearchButton()->isEnabled());
  EXPECT_EQ(dialog.SearchButton()->text(), QString::fromUtf8(str(kStrSearchButton)));
  ASSERT_EQ(dialog.List()->rowCount(), 2);
  EXPECT_EQ(dialog.List()->item(0, 0)->text(), QStringLiteral("10.77.0.20"));
  EXPECT_EQ(dialog.List()->item(1, 0)->text(), QStringLiteral("10.77.0.30"));
  Shot(&dialog, "maintenance.png");

  // "重启" before a pick sends nothing and says so.
  dialog.OnRestart();
  EXPECT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(notes.messages.size(), 1u);

  dialog.OnRowClicked(1);
  EXPECT_EQ(dialog.AddressField()->address(), Ip("10.77.0.30"));
  dialog.OnRestart();
  ASSERT_EQ(transport.sent.size(), 2u);
  EXPECT_EQ(transport.sent[1][3], 'c');
  EXPECT_EQ(qor::getU32(transport.sent[1], 12), 0u);
  EXPECT_EQ(qor::getU32(transport.sent[1], 20), Ip("10.77.0.30"));
  EXPECT_FALSE(dialog.Waiting()) << "no wait after 'c'";

  // "执行": a text past 107 GBK bytes is refused; a fitting one waits for its 'j'.
  dialog.CommandEdit()->setText(QString(60, QChar(0x4E2D)));  // 120 bytes in GBK
  dialog.OnExecute();
  EXPECT_EQ(transport.sent.size(), 2u);
  EXPECT_EQ(notes.messages.back().text, kCommandTooLong);
  dialog.CommandEdit()->setText(QStringLiteral("reboot"));
  dialog.OnExecute();
  ASSERT_EQ(transport.sent.size(), 3u);
  EXPECT_EQ(transport.sent[2][3], 'e');
  transport.inbox.push_back(ResultReply(11, dialog.Session().ExchangeNumber(), 0));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Waiting(); }, 5000));
  EXPECT_EQ(notes.messages.back().text, str(kStrCommandOk));

  // The dialog's own log, newest line first.
  const QString log = dialog.LogBox()->toPlainText();
  EXPECT_TRUE(log.startsWith(QLatin1String("("))) << log.toStdString();
  EXPECT_TRUE(log.contains(QString::fromUtf8(str(kStrSearchStarted))));
}

// ---- against qorsim in the test LAN

namespace {
const char* const kSimFleet = R"({"restartSeconds": 0.2, "boards": [
  {"address": "10.77.0.52", "type": 1},
  {"address": "10.77.0.51", "type": 1, "upgrade": {"result": 3}},
  {"address": "10.77.0.53", "type": 2}
]})";
}  // namespace

TEST(BatchSim, UpgradeOfAllEncodersAndAMaintenanceSearch) {
  qorsim::Simulator sim = qorsim::Simulator::fromJson(nlohmann::json::parse(kSimFleet));
  sim.start();
  Host host;
  host.linkUsed = &tav::LanLink();
  for (const char* ip : {"10.77.0.52", "10.77.0.51", "10.77.0.53"}) {
    tav::StatusBlock status{};
    sim.withBoard(ip, [&](qorsim::BoardState& b) { status = b.status; });
    host.list.Add(status);
  }
  CMULTIPLE_RIGHTVIEW2 page(host, nullptr);
  page.resize(420, 380);
  page.show();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("fw.bin"));
  auto package = tav::upgrade::BuildPackage(
      tav::upgrade::HeaderKind::Short, 1,
      {std::vector<std::uint8_t>(300, 7), std::vector<std::uint8_t>(1200, 9)});
  std::ofstream(path.toStdString(), std::ios::binary)
      .write(reinterpret_cast<const char*>(package.data()),
             static_cast<std::streamsize>(package.size()));
  page.ChooseFile(path);
  host.notes.answers.push_back(true);
  Child<QPushButton>(&page, "button1050")->click();
  Settle();
  const QStringList lines =
      page.LogBox()->toPlainText().split(QStringLiteral("\n"), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << page.LogBox()->toPlainText().toStdString();
  EXPECT_TRUE(
      lines[0].contains(QStringLiteral("设备[10.77.0.51]更新  1200字节:\t添加文件升级成功")))
      << lines[0].toStdString();
  EXPECT_TRUE(lines[3].contains(QStringLiteral("设备[10.77.0.52]更新   300字节:")))
      << lines[3].toStdString();
  EXPECT_TRUE(page.Targets().empty());
  std::vector<std::size_t> received;
  sim.withBoard("10.77.0.52", [&](qorsim::BoardState& b) { received = b.upgradeComponents; });
  EXPECT_EQ(received, (std::vector<std::size_t>{300, 1200}));
  sim.withBoard("10.77.0.53", [&](qorsim::BoardState& b) { received = b.upgradeComponents; });
  EXPECT_TRUE(received.empty()) << "the decoder is not in the encoders' set";
  Shot(&page, "batch_upgrade_sim.png");

  auto transport = MakeSocketTransport(std::nullopt, false);
  tav::test::RecordingNotifier notes;
  CNewSearchDlg dialog(*transport, nullptr, &notes);
  dialog.OnSearch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.Waiting(); }, 5000));
  ASSERT_EQ(dialog.List()->rowCount(), 3);
  EXPECT_EQ(dialog.List()->item(0, 0)->text(), QStringLiteral("10.77.0.51"));
  EXPECT_EQ(dialog.List()->item(2, 0)->text(), QStringLiteral("10.77.0.53"));
}

TEST(BatchHooks, MainWindowOpensTheBatchWindowOverItsSelectionAndCtrlFTheDialog) {
  tav::test::RecordingNotifier notes;
  InstallBatchHooks();
  CTavmonDlg main(&notes);
  main.show();
  for (const char* ip : {"10.0.0.41", "10.0.0.42"})
    main.InsertBoardRow(main.BoardList().Add(tav::test::Encoder(ip, "10.0.0.255", 5000)));
  main.DeviceList()->selectRow(0);
  Child<QPushButton>(&main, "batchButton")->click();
  CCtrlWndMul* window = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<CCtrlWndMul*>(w)) window = b;
  ASSERT_TRUE(window);
  EXPECT_EQ(window->size(), QSize(500, 350));
  auto rowsShown = [&] {
    window->Tree()->setCurrentItem(window->Tree()->ItemFor(BatchPage::Restart));
    window->Tree()->setCurrentItem(window->Tree()->ItemFor(BatchPage::SelectedList));
    auto* list = Child<QTableWidget>(window->CurrentPage(), "list1052");
    QStringList rows;
    for (int r = 0; r < list->rowCount(); ++r) rows << list->item(r, 0)->text();
    return rows;
  };
  EXPECT_EQ(rowsShown(), QStringList{QStringLiteral("10.0.0.41")});
  main.DeviceList()->selectRow(1);  // the main list's selection as it is now
  EXPECT_EQ(rowsShown(), QStringList{QStringLiteral("10.0.0.42")});
  window->close();

  // Ctrl+F: the maintenance dialog, modal, with the main window's title.
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<CNewSearchDlg*>(QApplication::activeModalWidget());
    seen = dialog && dialog->isModal() && dialog->windowTitle() == main.windowTitle();
    if (dialog) dialog->reject();
  });
  main.OnMaintenance();
  EXPECT_TRUE(seen);
  tav::shellHooks() = {};
}
