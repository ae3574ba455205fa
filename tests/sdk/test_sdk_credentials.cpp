// The credentials file: its reader, the lookup with our password module in a folder of its own,
// and the whole path from CLIENT_Create with the file and module beside this program (the build
// puts this test in a folder of its own with libpassword.so).

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "client_record.h"
#include "credentials.h"
#include "qorsdk.h"

namespace fs = std::filesystem;

namespace {

const char* kEntry = "<board host=\"10.77.0.20\" username=\"operator\" password=\"22172b6e749c\"/>";

fs::path moduleBesideUs() {
  return fs::path(*qorsdk::executableFolder()) / "libpassword.so";
}

void writeFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// A folder with Xml/Data.xml and, if asked, the module under the given name.
struct Folder {
  fs::path path = fs::temp_directory_path() / ("qorsdk-cred-" + std::to_string(::getpid()));
  Folder(const std::string& xml, const char* module) {
    fs::remove_all(path);
    writeFile(path / "Xml" / "Data.xml", xml);
    if (module) fs::copy_file(moduleBesideUs(), path / module);
  }
  ~Folder() { fs::remove_all(path); }
  qorsdk::LookupOutcome lookup(const char* address, int port2 = 0) const {
    return qorsdk::lookupCredentials(path.string() + "/", address, port2);
  }
};

}  // namespace

TEST(SdkCredentials, FileEntries) {
  using qorsdk::findCredentials;
  auto found = findCredentials(kEntry, "10.77.0.20");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->user, "operator");
  EXPECT_EQ(found->password, "22172b6e749c");
  EXPECT_FALSE(findCredentials(kEntry, "10.77.0.2"));  // the quote ends the address
  EXPECT_FALSE(findCredentials(kEntry, "10.77.0.200"));
  // Keys are searched from the host onwards: an entry before it is not used.
  auto later = findCredentials(
      "username=\"a\" password=\"b\" host=\"1.2.3.4\" username=\"c\" "
      "password=\"\"",
      "1.2.3.4");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->user, "c");
  EXPECT_EQ(later->password, "");
  EXPECT_FALSE(findCredentials("host=\"1.2.3.4\" username=\"c\"", "1.2.3.4"));
  EXPECT_FALSE(
      findCredentials("host=\"1.2.3.4\" username=\"c\" password=\"unterminated", "1.2.3.4"));
  // 31 bytes fit the record's field with its NUL; 32 are refused.
  std::string fits(31, 'u'), over(32, 'u');
  EXPECT_TRUE(findCredentials("host=\"h\" username=\"" + fits + "\" password=\"p\"", "h"));
  EXPECT_FALSE(findCredentials("host=\"h\" username=\"" + over + "\" password=\"p\"", "h"));
  EXPECT_FALSE(findCredentials("host=\"h\" username=\"u\" password=\"" + over + "\"", "h"));
}

TEST(SdkCredentials, PasswordModuleCipher) {
  void* module = dlopen(moduleBesideUs().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  using Fn = int (*)(const char*, char*);
  auto decrypt = reinterpret_cast<Fn>(dlsym(module, "DecryptStringEX"));
  auto encrypt = reinterpret_cast<Fn>(dlsym(module, "EncryptStringEX"));
  ASSERT_TRUE(decrypt && encrypt);
  char plain[32], stored[63];
  ASSERT_EQ(decrypt("22172B6E749C", plain), 1);  // the documented example, either case
  EXPECT_STREQ(plain, "secret");
  std::string longest(31, 'z');
  ASSERT_EQ(encrypt(longest.c_str(), stored), 1);
  ASSERT_EQ(decrypt(stored, plain), 1);
  EXPECT_EQ(plain, longest);
  for (const char* bad : {"", "2", "22172b6e749", "zz", "51"})  // 0x51 deciphers to 0
    EXPECT_EQ(decrypt(bad, plain), 0) << bad;
  EXPECT_EQ(decrypt(std::string(64, 'a').c_str(), plain), 0);
  EXPECT_EQ(encrypt(std::string(32, 'a').c_str(), stored), 0);
  dlclose(module);
}

TEST(SdkCredentials, LookupDeciphersWithTheModuleOfItsFolder) {
  for (const char* name : {"libpassword.so", "password.so"}) {
    Folder folder(std::string("<x>") + kEntry + "</x>", name);
    auto out = folder.lookup("10.77.0.20", 8000);
    EXPECT_EQ(out.mode, 12);
    EXPECT_EQ(out.port, 8000);
    ASSERT_TRUE(out.deciphered) << name;
    EXPECT_EQ(out.record.size, 84u);
    EXPECT_STREQ(out.record.user, "operator");
    EXPECT_STREQ(out.record.password, "secret");
  }
  // No module in the folder: the entry is found, nothing is deciphered.
  Folder bare(kEntry, nullptr);
  auto out = bare.lookup("10.77.0.20");
  EXPECT_EQ(out.mode, 12);
  EXPECT_EQ(out.port, 80);
  EXPECT_FALSE(out.deciphered);
  EXPECT_EQ(out.record.size, 0u);

  Folder service("host=\"10.77.0.21\" username=\"tarvenol\" password=\"x\"", "libpassword.so");
  EXPECT_EQ(service.lookup("10.77.0.21").mode, 1);
  EXPECT_FALSE(service.lookup("10.77.0.21").deciphered);
  EXPECT_EQ(service.lookup("10.77.0.99").mode, 0);
  EXPECT_EQ(service.lookup("").mode, 0);
  EXPECT_EQ(service.lookup(nullptr).mode, 0);

  Folder undecipherable("host=\"10.77.0.22\" username=\"op\" password=\"not hex\"",
                        "libpassword.so");
  EXPECT_FALSE(undecipherable.lookup("10.77.0.22").deciphered);

  // Only the first 512 KiB are read.
  Folder big(std::string(qorsdk::kCredentialsFileMax - 10, ' ') + kEntry, "libpassword.so");
  EXPECT_EQ(big.lookup("10.77.0.20").mode, 0);
}

TEST(SdkCredentials, ASourceOfMode0TakesItsBoardAccount) {
  fs::path xml = fs::path(*qorsdk::executableFolder()) / "Xml" / "Data.xml";
  writeFile(xml, kEntry);
  QORSDK_CREATE create{};
  create.size = sizeof create;
  create.source.size = sizeof create.source;
  create.source.address = "10.77.0.20";
  QORSDK_HANDLE h = CLIENT_Create(&create);
  ASSERT_NE(h, nullptr);
  auto* record = qorsdk::liveRecord(h);
  EXPECT_STREQ(record->user, "operator");
  EXPECT_STREQ(record->password, "secret");
  EXPECT_EQ(record->mode, 0);

  // Another mode, or an address without an entry, looks nothing up.
  QORSDK_SOURCE other{sizeof other, 1, "10.77.0.30", 0, nullptr, 0, nullptr};
  QORSDK_CREATE plain{};
  QORSDK_HANDLE h2 = CLIENT_Create(&plain);
  EXPECT_EQ(CLIENT_SetParam(h2, QORSDK_PARAM_SOURCE, &other), 0);
  EXPECT_STREQ(qorsdk::liveRecord(h2)->user, "");
  other.mode = 0;
  EXPECT_EQ(CLIENT_SetParam(h2, QORSDK_PARAM_SOURCE, &other), 0);
  EXPECT_STREQ(qorsdk::liveRecord(h2)->user, "");
  other.address = "10.77.0.20";
  EXPECT_EQ(CLIENT_SetParam(h2, QORSDK_PARAM_SOURCE, &other), 0);
  EXPECT_STREQ(qorsdk::liveRecord(h2)->password, "secret");
  EXPECT_EQ(CLIENT_Dump(h), 0);
  EXPECT_EQ(CLIENT_Dump(h2), 0);
  fs::remove_all(xml.parent_path());
}
