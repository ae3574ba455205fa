// The device list as CSV and JSON: read back by a real CSV parser (Python's csv module) and a
// JSON parser, every cell equals what the list shows, Chinese names and awkward names intact.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "../device/status_builder.h"
#include "device/board_list.h"
#include "shell/device_row.h"
#include "shell/list_export.h"

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Rows of the CSV file as Python's csv module reads them.
nlohmann::json pythonRows(const fs::path& csvPath) {
  const fs::path out = csvPath.string() + ".rows.json";
  const std::string command = std::string("\"") + TAVMON_PYTHON + "\" \"" + TAVMON_READ_CSV +
                              "\" \"" + csvPath.string() + "\" > \"" + out.string() + "\"";
  if (std::system(command.c_str()) != 0) return nullptr;
  return nlohmann::json::parse(readFile(out));
}

class ListExport : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tavmon_export_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    add({.ip = "10.77.0.11", .type = 1, .send = "239.77.0.11", .sendPort = 1234}, "会议室编码器");
    add({.ip = "10.77.0.2", .mac = {0, 0x0e, 0x0a, 0, 0, 2}, .type = 2}, "解码器, \"主屏\"");
    add({.ip = "192.168.1.50",
         .mask = "255.255.0.0",
         .gateway = "192.168.0.1",
         .mac = {0, 0x0e, 0x0a, 0, 0, 3},
         .type = 3,
         .send = "192.168.255.255",
         .sendPort = 5002},
        " 带空格 ");
    add({.ip = "10.77.0.9", .mac = {0, 0x0e, 0x0a, 0, 0, 4}, .type = 99}, "=1+2");
    rows_ = {3, 1, 0, 2};  // any order: the file keeps the rows as given
  }
  void TearDown() override { fs::remove_all(dir_); }

  void add(const devtest::FakeBoard& fake, const char* name) {
    CBoard board = devtest::makeBoard(fake);
    board.setName(name);
    boards_.Add(board);
  }

  fs::path write(const std::string& file, tav::ListFormat format) {
    const fs::path path = dir_ / file;
    std::string error;
    EXPECT_TRUE(
        tav::WriteListFile(path.string(), tav::DeviceListFile(boards_, rows_, format), error))
        << error;
    return path;
  }

  fs::path dir_;
  CBoardCtrl boards_;
  std::vector<int> rows_;
};

TEST_F(ListExport, CsvReadBackEqualsTheList) {
  const fs::path path = write("list.csv", tav::ListFormat::Csv);
  const std::string bytes = readFile(path);
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");  // spreadsheets then read the text as UTF-8
  EXPECT_NE(bytes.find("\r\n"), std::string::npos);

  const nlohmann::json rows = pythonRows(path);
  ASSERT_TRUE(rows.is_array()) << "python3 could not read " << path;
  ASSERT_EQ(rows.size(), rows_.size() + 1);
  const auto& header = rows[0];
  EXPECT_EQ(header[0], "设备IP");
  EXPECT_EQ(header[4], "其它信息");
  ASSERT_EQ(header.size(), 5 + tav::CsvRawFieldNames().size());

  for (std::size_t r = 0; r < rows_.size(); ++r) {
    const CBoard& board = boards_.At(rows_[r]);
    const auto& cells = rows[r + 1];
    ASSERT_EQ(cells.size(), header.size()) << cells.dump();
    const auto texts = tav::DeviceRowTexts(board);
    for (int c = 0; c < 5; ++c) {
      std::string expected = texts[std::size_t(c)];
      // Never run as a formula: "=1+2", and "@0.0.0.0:0" of a board without a transport name.
      if (!expected.empty() && std::string_view("=+-@").find(expected[0]) != std::string::npos)
        expected.insert(0, 1, '\'');
      EXPECT_EQ(cells[c], expected) << "row " << r << " column " << c;
    }
    EXPECT_EQ(cells[5], std::to_string(board.deviceType()));
    EXPECT_EQ(cells[9], qor::ipText(board.sendAddress()));
    EXPECT_EQ(cells[10], std::to_string(board.sendPort()));
    EXPECT_EQ(cells[16], qor::ipText(board.mask()));
    EXPECT_EQ(cells[17], qor::ipText(board.gateway()));
  }
  EXPECT_EQ(rows[3][1], "会议室编码器");
  EXPECT_EQ(rows[2][1], "解码器, \"主屏\"");
  EXPECT_EQ(rows[4][1], " 带空格 ");
  EXPECT_EQ(rows[1][1], "'=1+2");
  EXPECT_EQ(rows[4][5], "3");
  EXPECT_EQ(rows[3][6], "0.0");  // versions as major.minor
}

TEST_F(ListExport, JsonIsTheSearchDocument) {
  const fs::path path = write("list.JSON", tav::ListFormat::Json);
  const auto j = nlohmann::json::parse(readFile(path));
  EXPECT_EQ(j["count"], 4);
  EXPECT_EQ(j["conflicts"], false);
  ASSERT_EQ(j["boards"].size(), 4u);
  EXPECT_EQ(j["boards"][2]["name"], "会议室编码器");
  EXPECT_EQ(j["boards"][2]["send"]["address"], "239.77.0.11");
  EXPECT_EQ(j["boards"][2]["send"]["port"], 1234);
  EXPECT_EQ(j["boards"][3]["mask"], "255.255.0.0");
  EXPECT_EQ(j["boards"][0]["name"], "=1+2");  // JSON is data, not a spreadsheet
  for (std::size_t r = 0; r < rows_.size(); ++r)
    EXPECT_EQ(j["boards"][r],
              nlohmann::json::parse(tav::JsonText(tav::BoardJson(boards_.At(rows_[r])))));
}

TEST(ListExportText, CellsQuoteAndFormatChoice) {
  EXPECT_EQ(tav::CsvCell("plain"), "plain");
  EXPECT_EQ(tav::CsvCell("a,b"), "\"a,b\"");
  EXPECT_EQ(tav::CsvCell("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(tav::CsvCell("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(tav::CsvCell("-5"), "'-5");
  EXPECT_EQ(tav::CsvCell("@SUM(A1)"), "'@SUM(A1)");
  EXPECT_EQ(tav::CsvCell(""), "");
  EXPECT_EQ(tav::ListFormatForPath("/tmp/a.Json"), tav::ListFormat::Json);
  EXPECT_EQ(tav::ListFormatForPath("/tmp/a.csv"), tav::ListFormat::Csv);
  EXPECT_EQ(tav::ListFormatForPath("json"), tav::ListFormat::Csv);
  std::string error;
  EXPECT_FALSE(tav::WriteListFile("/nonexistent-dir/x.csv", "x", error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
