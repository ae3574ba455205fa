// The main window's list tools: sort by a column header (addresses by value, a second click
// reverses, a new search goes back to address order), the filter box with its shown/total
// count, "导出列表" of the shown rows, and the settings kept between runs with their reset.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>
#include <set>

#include "../device/status_builder.h"
#include "generate.h"
#include "gui_support.h"
#include "shell/device_search.h"
#include "wire.h"

using namespace shelltest;

namespace {

class ListGui : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    QStandardPaths::setTestModeEnabled(true);  // settings go to a test folder, not the user's
    QCoreApplication::setOrganizationName(QStringLiteral("TavmonTest"));
    QCoreApplication::setApplicationName(QStringLiteral("test_list_gui"));
  }
  void SetUp() override { QSettings().clear(); }
  void TearDown() override { QSettings().clear(); }

  void add(const char* ip, std::uint8_t macLast, const char* name, const char* send = "0.0.0.0") {
    CBoard board = devtest::makeBoard(
        {.ip = ip, .mac = {0, 0x0e, 0x0a, 0x4d, 0, macLast}, .type = 1, .send = send});
    board.setName(name);
    gui.window.InsertBoardRow(gui.window.BoardList().Add(board));
    gui.window.ApplyFilter();
  }
  void clickHeader(int column) {
    QHeaderView* header = gui.window.DeviceList()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  }
  std::vector<std::string> column(int c, bool shownOnly = true) {
    std::vector<std::string> out;
    tav::DeviceListView* list = gui.window.DeviceList();
    for (int row = 0; row < list->rowCount(); ++row)
      if (!shownOnly || !list->isRowHidden(row))
        out.push_back(cell(list, row, c).toString().toStdString());
    return out;
  }

  Gui gui;
};

TEST_F(ListGui, HeaderClicksSortAndASearchReturnsToAddressOrder) {
  add("192.168.1.30", 1, "编码10");
  add("192.168.1.4", 2, "编码2");
  add("10.0.0.9", 3, "解码");
  EXPECT_EQ(column(0), (std::vector<std::string>{"10.0.0.9", "192.168.1.4", "192.168.1.30"}));
  gui.window.DeviceList()->selectRow(2);  // 192.168.1.30
  clickHeader(0);
  clickHeader(0);  // the second click reverses
  EXPECT_EQ(column(0), (std::vector<std::string>{"192.168.1.30", "192.168.1.4", "10.0.0.9"}));
  ASSERT_NE(gui.window.CurrentBoard(), nullptr);
  EXPECT_EQ(gui.window.CurrentBoard()->AddressText(), "192.168.1.30");  // the mark moved along
  std::vector<int> selected;
  EXPECT_EQ(gui.window.SelectedBoards(selected), 1);
  clickHeader(1);
  EXPECT_EQ(column(1), (std::vector<std::string>{"编码2", "编码10", "解码"}));
  EXPECT_EQ(gui.window.SortColumn(), 1);
  // Rows keep their boards: the row texts and the board behind each row agree.
  for (int row = 0; row < 3; ++row) {
    const int index = cell(gui.window.DeviceList(), row, 0, Qt::UserRole).toInt();
    EXPECT_EQ(gui.window.BoardList().At(index).Name(), column(1)[std::size_t(row)]);
  }
  gui.window.StartSearch();
  EXPECT_EQ(gui.window.SortColumn(), -1);
  EXPECT_FALSE(gui.window.DeviceList()->horizontalHeader()->isSortIndicatorShown());
  gui.window.OnSearchTimer();
}

TEST_F(ListGui, FilterShowsMatchingRowsAndTheCount) {
  add("10.77.0.11", 0x0b, "会议室编码器", "239.77.0.11");
  add("10.77.0.12", 0x0c, "门卫室", "10.77.0.255");
  add("10.77.0.31", 0x1f, "会议室副屏");
  EXPECT_EQ(gui.window.CountLabel()->text().toStdString(), "显示 3/3");
  gui.window.DeviceList()->selectAll();
  gui.window.FilterBox()->setText(QStringLiteral("会议"));
  EXPECT_EQ(column(1), (std::vector<std::string>{"会议室编码器", "会议室副屏"}));
  EXPECT_EQ(gui.window.CountLabel()->text().toStdString(), "显示 2/3");
  std::vector<int> selected;
  EXPECT_EQ(gui.window.SelectedBoards(selected), 2);  // the hidden row left the selection
  gui.window.FilterBox()->clear();
  QTest::keyClicks(gui.window.FilterBox(), "00:0E:0a:4d:00:1f");  // typed, and without case
  EXPECT_EQ(column(0), (std::vector<std::string>{"10.77.0.31"}));
  gui.window.FilterBox()->setText("组播");
  EXPECT_EQ(column(0), (std::vector<std::string>{"10.77.0.11"}));
  gui.window.FilterBox()->clear();
  EXPECT_EQ(gui.window.CountLabel()->text().toStdString(), "显示 3/3");

  // Ctrl+L reaches the filter box; Ctrl+F stays the maintenance dialog's.
  gui.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&gui.window));
  gui.window.DeviceList()->setFocus();
  QTest::keyClick(&gui.window, Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(gui.window.FilterBox()->hasFocus());
}

TEST_F(ListGui, ExportWritesTheShownRowsInTheirOrder) {
  add("10.77.0.11", 0x0b, "会议室编码器", "239.77.0.11");
  add("10.77.0.12", 0x0c, "门卫室", "10.77.0.255");
  add("10.77.0.2", 0x02, "会议室副屏");
  clickHeader(0);
  clickHeader(0);
  gui.window.FilterBox()->setText("会议");
  QTemporaryDir dir;
  const QString json = dir.filePath("list.json");
  ASSERT_TRUE(gui.window.ExportList(json, tav::ListFormat::Json));
  QFile file(json);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const auto j = nlohmann::json::parse(file.readAll().toStdString());
  ASSERT_EQ(j["boards"].size(), 2u);
  EXPECT_EQ(j["boards"][0]["address"], "10.77.0.11");
  EXPECT_EQ(j["boards"][1]["name"], "会议室副屏");
  EXPECT_NE(gui.window.LogText().find("设备列表已导出到"), std::string::npos);

  const QString csv = dir.filePath("list.csv");
  ASSERT_TRUE(gui.window.ExportList(csv, tav::ListFormat::Csv));
  QFile csvFile(csv);
  ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
  const QByteArray bytes = csvFile.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  EXPECT_EQ(bytes.count("\r\n"), 3);

  // A folder that is not there: the user is told, nothing claims success.
  EXPECT_FALSE(gui.window.ExportList(dir.filePath("no/such/list.csv"), tav::ListFormat::Csv));
  ASSERT_FALSE(gui.notifier.messages.empty());
  EXPECT_NE(gui.notifier.messages.back().text.find("导出列表失败"), std::string::npos);
}

TEST_F(ListGui, SettingsSurviveARestartUntilReset) {
  {
    QSettings settings;
    settings.setValue("adapter/address", "10.77.0.1");
    settings.setValue("adapter/chosen", true);
    settings.setValue("list/columnWidths", QVariantList{150, 111, 130, 220});
  }
  gui.window.RestoreSettings();
  EXPECT_EQ(gui.window.ChosenAdapterAddress(), "10.77.0.1");
  EXPECT_TRUE(gui.window.AdapterChosen());
  EXPECT_EQ(gui.window.DeviceList()->columnWidth(1), 111);

  gui.window.DeviceList()->setColumnWidth(1, 133);
  gui.window.SaveSettings();
  {
    Gui second;
    second.window.RestoreSettings();
    EXPECT_EQ(second.window.DeviceList()->columnWidth(1), 133);
    EXPECT_EQ(second.window.ChosenAdapterAddress(), "10.77.0.1");
  }
  gui.window.ResetSettings();
  EXPECT_FALSE(QSettings().contains("adapter/address"));
  EXPECT_EQ(gui.window.DeviceList()->columnWidth(1), 90);
  EXPECT_FALSE(gui.window.AdapterChosen());
  EXPECT_EQ(gui.window.ChosenAdapterAddress(), "");
}

}  // namespace

TEST_F(ListGui, TwoThousandBoardsAnsweringAtOnceAreAllListedInAddressOrder) {
  auto sim = qorsim::Simulator::fromJson(qorsim::generateFleet(2000, "10.77.0.0/16"));
  sim.start();
  gui.search();
  const std::vector<std::string> listed = gui.column(0);
  ASSERT_EQ(listed.size(), 2000u);
  const auto expected = sim.addresses();
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()),
            std::set<std::string>(expected.begin(), expected.end()));
  std::uint32_t previous = 0;
  for (const std::string& text : listed) {
    std::uint32_t address = 0;
    ASSERT_TRUE(qor::parseIp(text, address));
    EXPECT_LE(tav::DottedOrderKey(previous), tav::DottedOrderKey(address)) << text;
    previous = address;
  }
  EXPECT_EQ(gui.window.CountLabel()->text().toStdString(), "显示 2000/2000");
}

TEST(DeviceListModelTest, ABatchMergedInKeepsTheSelectionAndMarkOnTheirBoards) {
  CBoardCtrl boards;
  for (const char* ip : {"10.0.0.20", "10.0.0.30", "10.0.0.10", "10.0.0.25"})
    boards.Add(devtest::makeStatus({.ip = ip}));
  tav::DeviceListModel model(boards);
  tav::DeviceListView view;
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setModel(&model);
  model.InsertRow(0, 0);
  model.InsertRow(1, 1);
  view.setCurrentCell(1, 0);  // 10.0.0.30, selected
  ASSERT_TRUE(view.isRowSelected(1));

  // Two boards arrive in one batch, one above and one between the listed rows.
  model.AddInOrder({2, 3}, {2, 0, 3, 1});
  EXPECT_EQ(model.Boards(), (std::vector<int>{2, 0, 3, 1}));
  EXPECT_EQ(cell(&view, 0, 0).toString(), QStringLiteral("10.0.0.10"));
  EXPECT_EQ(view.currentRow(), 3);
  EXPECT_TRUE(view.isRowSelected(3));
  EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);

  // An order that is not the listed rows is refused, not half applied.
  model.Reorder({2, 0, 1});
  model.Reorder({2, 2, 3, 1});
  EXPECT_EQ(model.Boards(), (std::vector<int>{2, 0, 3, 1}));
  model.SetConflictTips({{3, QStringLiteral("IP")}});
  EXPECT_EQ(cell(&view, 2, 4, Qt::ToolTipRole).toString(), QStringLiteral("IP"));
  EXPECT_FALSE(cell(&view, 1, 4, Qt::ToolTipRole).isValid());
  EXPECT_EQ(model.BoardAt(4), -1);
}
