#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "le_bytes.h"
#include "upgrade/upgrade_package.h"

namespace tav::upgrade {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes component(std::size_t size, std::uint8_t seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

TEST(UpgradePackage, ShortHeaderOnBothPages) {
  Bytes file = BuildPackage(HeaderKind::Short, 3, {component(100, 1), component(200, 2)});
  PackageRead single = ReadPackage(file, file.size(), PageKind::SingleBoard);
  ASSERT_TRUE(single.header.valid);
  EXPECT_EQ(single.header.read, HeaderKind::Short);
  EXPECT_EQ(single.header.magic, "qor_updatefile");
  // Converted to the long form: 128 entries, the first two copied.
  ASSERT_EQ(single.header.offsets.size(), 128u);
  EXPECT_EQ(single.header.offsets[0], 204u);
  EXPECT_EQ(single.header.offsets[1], 304u);
  EXPECT_EQ(single.header.lengths[2], 0u);
  EXPECT_EQ(single.infoLine, "文件信息:适用于[VGA编码],更新文件数: 2, 长度:100 / 200");

  PackageRead batch = ReadPackage(file, file.size(), PageKind::Batch);
  ASSERT_TRUE(batch.header.valid);
  EXPECT_EQ(batch.header.offsets.size(), 16u);
  EXPECT_EQ(batch.infoLine, "文件信息:适合 [VGA编码] 使用,更新文件数 2, 长度分别为:100 / 200");
}

TEST(UpgradePackage, LongHeaderOnlyOnTheSingleBoardPage) {
  Bytes file =
      BuildPackage(HeaderKind::Long, 20, {component(100, 1), component(200, 2), component(300, 3)});
  PackageRead single = ReadPackage(file, file.size(), PageKind::SingleBoard);
  ASSERT_TRUE(single.header.valid);
  EXPECT_EQ(single.header.read, HeaderKind::Long);
  EXPECT_EQ(single.infoLine, "文件信息:适用于[T810],更新文件数: 3, 长度:100 / 200 / 300");
  // The batch page's first word must be 204: the line stays empty.
  PackageRead batch = ReadPackage(file, file.size(), PageKind::Batch);
  EXPECT_FALSE(batch.header.valid);
  EXPECT_EQ(batch.infoLine, "文件信息:");
}

TEST(UpgradePackage, TooShortAndZeroComponents) {
  Bytes header = BuildPackage(HeaderKind::Short, 1, {});
  ASSERT_EQ(header.size(), 204u);
  PackageRead r = ReadPackage(header, 203, PageKind::SingleBoard);
  EXPECT_TRUE(r.tooShort);
  EXPECT_FALSE(r.header.valid);
  EXPECT_EQ(r.infoLine, "文件信息:");
  // 204 bytes with n = 0 is accepted and shows the count 0.
  r = ReadPackage(header, 204, PageKind::SingleBoard);
  EXPECT_FALSE(r.tooShort);
  EXPECT_TRUE(r.header.valid);
  EXPECT_EQ(r.infoLine, "文件信息:适用于[编码],更新文件数: 0, 长度:0");
  EXPECT_EQ(ReadPackage(header, 204, PageKind::Batch).infoLine,
            "文件信息:适合 [HDMI编码] 使用,更新文件数 0, 长度分别为:0");
}

TEST(UpgradePackage, MagicMustMatchItsHeaderWordAndNul) {
  // Word 1100 with the short magic: refused on both pages.
  Bytes file = BuildPackage(HeaderKind::Long, 3, {component(10, 1)});
  qor::putText(file, kMagicOffset, kMagicWidth, "qor_updatefile");
  EXPECT_FALSE(ReadPackage(file, file.size(), PageKind::SingleBoard).header.valid);
  EXPECT_EQ(ReadPackage(file, file.size(), PageKind::SingleBoard).infoLine,
            "文件信息:文件内容不符合标准");
  EXPECT_FALSE(ReadPackage(file, file.size(), PageKind::Batch).header.valid);

  // A character instead of the NUL after the magic.
  for (auto kind : {HeaderKind::Short, HeaderKind::Long}) {
    Bytes f = BuildPackage(kind, 3, {component(10, 1)});
    const std::size_t nul = kMagicOffset + (kind == HeaderKind::Short ? 14 : 15);
    ASSERT_EQ(f[nul], 0);
    f[nul] = 'x';
    PackageRead r = ReadPackage(f, f.size(), PageKind::SingleBoard);
    EXPECT_FALSE(r.header.valid);
    EXPECT_EQ(r.infoLine, "文件信息:文件内容不符合标准");
  }
  // A long header that cannot be read whole.
  Bytes cut = BuildPackage(HeaderKind::Long, 3, {});
  cut.resize(1099);
  EXPECT_FALSE(ReadPackage(cut, cut.size(), PageKind::SingleBoard).header.valid);
  // Short magic in a short header whose batch magic is wrong: "不符合标准" on the batch page.
  Bytes wrong = BuildPackage(HeaderKind::Short, 3, {component(10, 1)});
  wrong[5] = 'X';
  EXPECT_EQ(ReadPackage(wrong, wrong.size(), PageKind::Batch).infoLine,
            "文件信息:文件内容不符合标准");
}

TEST(UpgradePackage, BoardTypeNamesOfBothPages) {
  struct Row {
    std::int32_t type;
    const char* single;
    const char* batch;
  };
  const Row rows[] = {{1, "编码", "HDMI编码"}, {2, "解码", "未知"},  {7, "SDI 编码", "SDI编码"},
                      {20, "T810", "未知"},    {21, "R810", "未知"}, {-1, "任意类型", "未知"},
                      {5, "未知", "未知"},     {0, "未知", "未知"}};
  for (const Row& r : rows) {
    EXPECT_EQ(BoardTypeName(PageKind::SingleBoard, r.type), r.single) << r.type;
    EXPECT_EQ(BoardTypeName(PageKind::Batch, r.type), r.batch) << r.type;
  }
  Bytes file = BuildPackage(HeaderKind::Short, -1, {component(4, 1)});
  EXPECT_EQ(ReadPackage(file, file.size(), PageKind::SingleBoard).infoLine,
            "文件信息:适用于[任意类型],更新文件数: 1, 长度:4");
  EXPECT_EQ(ReadPackage(file, file.size(), PageKind::Batch).infoLine,
            "文件信息:适合 [未知] 使用,更新文件数 1, 长度分别为:4");
}

TEST(UpgradePackage, LengthListStopsAtThePageLimit) {
  std::vector<Bytes> parts(20, Bytes(1, 0));
  Bytes file = BuildPackage(HeaderKind::Long, 3, parts);
  PackageRead r = ReadPackage(file, file.size(), PageKind::SingleBoard);
  EXPECT_EQ(LengthList(r.header, PageKind::SingleBoard).size(), 1 + 19 * 4);
  // A short header claiming 40 components lists at most 16 lengths on the batch page.
  Bytes s = BuildPackage(HeaderKind::Short, 3, std::vector<Bytes>(16, Bytes(1, 0)));
  qor::putI32(s, kCountOffset, 40);
  PackageRead b = ReadPackage(s, s.size(), PageKind::Batch);
  EXPECT_EQ(LengthList(b.header, PageKind::Batch).size(), 1 + 15 * 4);
}

TEST(UpgradePackage, ComponentsOutsideTheFileAreRefusedByName) {
  Bytes file = BuildPackage(HeaderKind::Short, 3, {component(100, 1), component(200, 2)});
  PackageHeader h = ReadPackage(file, file.size(), PageKind::SingleBoard).header;
  ComponentCheck ok = CheckComponents(h, file.size());
  EXPECT_TRUE(ok.refusal.empty());
  ASSERT_EQ(ok.components.size(), 2u);
  EXPECT_EQ(ok.components[1].offset, 304u);

  struct Case {
    std::uint32_t offset, length;
    const char* reason;
  };
  const Case cases[] = {{0, 200, "偏移或长度小于1"},
                        {304, 0, "偏移或长度小于1"},
                        {304, 201, "超出文件末尾"},
                        {0xFFFFFF00u, 0x200, "超出32位"}};
  for (const Case& c : cases) {
    PackageHeader bad = h;
    bad.offsets[1] = c.offset;
    bad.lengths[1] = c.length;
    ComponentCheck r = CheckComponents(bad, file.size());
    EXPECT_TRUE(r.components.empty());
    EXPECT_NE(r.refusal.find("第2个文件"), std::string::npos) << r.refusal;
    EXPECT_NE(r.refusal.find(c.reason), std::string::npos) << r.refusal;
  }
  PackageHeader many = h;
  many.count = 129;
  EXPECT_FALSE(CheckComponents(many, file.size()).refusal.empty());
  many.count = -1;
  EXPECT_FALSE(CheckComponents(many, file.size()).refusal.empty());
}

TEST(UpgradePackage, FileReadAndComponentsLoaded) {
  const auto dir = std::filesystem::temp_directory_path();
  const std::string path = (dir / ("tavmon_pkg_" + std::to_string(::getpid()) + ".qoru")).string();
  const Bytes a = component(70000, 3), b = component(5, 9);
  Bytes file = BuildPackage(HeaderKind::Long, -1, {a, b});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  PackageRead r = ReadPackageFile(path, PageKind::SingleBoard);
  ASSERT_TRUE(r.header.valid);
  EXPECT_EQ(r.fileLength, file.size());
  ComponentCheck check = CheckComponents(r.header, r.fileLength);
  LoadedComponents loaded = LoadComponents(path, check.components);
  ASSERT_TRUE(loaded.refusal.empty()) << loaded.refusal;
  ASSERT_EQ(loaded.data.size(), 2u);
  EXPECT_EQ(loaded.data[0], a);
  EXPECT_EQ(loaded.data[1], b);

  // The file shrank after it was chosen: the short read is refused by name.
  std::filesystem::resize_file(path, file.size() - 1);
  LoadedComponents cut = LoadComponents(path, check.components);
  EXPECT_TRUE(cut.data.empty());
  EXPECT_NE(cut.refusal.find("第2个文件"), std::string::npos);
  std::filesystem::remove(path);
  EXPECT_TRUE(ReadPackageFile(path, PageKind::SingleBoard).openFailed);
}

}  // namespace
}  // namespace tav::upgrade
