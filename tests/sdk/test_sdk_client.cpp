// Client handles: tag and life cycle, the last error, parameters by type, the source table and
// the statistics reads. White-box where a setting has no read-back export.

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "client_record.h"
#include "qorsdk.h"

namespace {

using qorsdk::ClientRecord;

ClientRecord& recordOf(QORSDK_HANDLE h) {
  return *reinterpret_cast<ClientRecord*>(h);
}

// A handle as Tavmon makes it: nested records present and zero.
QORSDK_HANDLE tavmonHandle() {
  QORSDK_CREATE create{};
  create.size = sizeof create;
  create.playFlag = 1;
  create.source.size = sizeof create.source;
  create.videoWindow.size = sizeof create.videoWindow;
  create.sound.size = sizeof create.sound;
  return CLIENT_Create(&create);
}

struct Handle {
  QORSDK_HANDLE h = tavmonHandle();
  ~Handle() { CLIENT_Dump(h); }
};

std::int32_t sourceTable(QORSDK_HANDLE h, int operation, const char* address, int port) {
  QORSDK_SOURCE_TABLE change{sizeof(QORSDK_SOURCE_TABLE), operation, address, port};
  return CLIENT_SetParam(h, QORSDK_PARAM_SOURCE_TABLE, &change);
}

}  // namespace

TEST(SdkClient, FixedResultEntryPoints) {
  std::int32_t major = -1, minor = -1;
  EXPECT_EQ(CLIENT_SDKVersion(&major, &minor), 0);
  EXPECT_EQ(major, 1);
  EXPECT_EQ(minor, 0);
  EXPECT_EQ(CLIENT_GetSDKVersion(), 65536);
  EXPECT_EQ(CLIENT_SDKInit(0), 0);
  EXPECT_EQ(CLIENT_SDKClose(), 0);
  EXPECT_EQ(CLIENT_Init(0, 0), 1);
  EXPECT_EQ(CLIENT_SetPlayerBufNumber(0, 0), 1);
  EXPECT_EQ(CLIENT_StartListenEx(0), 1);
  EXPECT_EQ(CLIENT_LoginEx(0, 0, 0, 0, 0, 0, 0, 0), nullptr);
  std::int32_t error = 0;
  EXPECT_EQ(CLIENT_Login("10.0.0.1", 0, "admin", nullptr, nullptr, &error), nullptr);
  EXPECT_EQ(error, QORSDK_CLIENT_E_NULL);
  std::int32_t count = 5;
  EXPECT_EQ(CLIENT_GetDeviceList(nullptr, 0, &count), 1);
  EXPECT_EQ(count, 0);
}

TEST(SdkClient, CreateNamesEachHandleAndKeepsDefaults) {
  CLIENT_GetLastError();
  EXPECT_EQ(CLIENT_Create(nullptr), nullptr);
  EXPECT_EQ(CLIENT_GetLastError(), QORSDK_CLIENT_BAD_ARGUMENT);
  EXPECT_EQ(CLIENT_GetLastError(), 0);

  // A wrong size field still gives a working handle with default settings.
  QORSDK_CREATE odd{};
  odd.size = 75;
  odd.flagA = 0;
  QORSDK_HANDLE a = CLIENT_Create(&odd);
  QORSDK_HANDLE b = CLIENT_Create(&odd);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(recordOf(a).flagA, 1);
  EXPECT_EQ(recordOf(a).playFlag, 0u);
  EXPECT_EQ(CLIENT_Start(a), 0);

  auto nameOf = [](QORSDK_HANDLE h) {
    const char* bytes = reinterpret_cast<const char*>(h) + QORSDK_HANDLE_NAME_OFFSET;
    return std::string(bytes, strnlen(bytes, QORSDK_HANDLE_NAME_SIZE));
  };
  char expected[32];
  std::snprintf(expected, sizeof expected, "v%08xt%08x",
                static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(a)),
                static_cast<unsigned>(syscall(SYS_gettid)));
  EXPECT_EQ(nameOf(a), expected);
  EXPECT_TRUE(std::regex_match(nameOf(b), std::regex("v[0-9a-f]{8}t[0-9a-f]{8}")));
  EXPECT_NE(nameOf(a), nameOf(b));
  EXPECT_EQ(*reinterpret_cast<const std::uint32_t*>(a), QORSDK_HANDLE_TAG);

  Handle tavmon;
  EXPECT_EQ(recordOf(tavmon.h).flagA, 0);
  EXPECT_EQ(recordOf(tavmon.h).playFlag, 1u);
  EXPECT_EQ(recordOf(tavmon.h).videoEnable, 0);  // the nested window record with enable 0
  EXPECT_EQ(CLIENT_Dump(a), 0);
  EXPECT_EQ(CLIENT_Logout(b), 0);
}

TEST(SdkClient, LifeCycleAndLastError) {
  Handle client;
  QORSDK_HANDLE h = client.h;
  EXPECT_EQ(CLIENT_Stop(h), 0);  // idle
  EXPECT_EQ(CLIENT_Start(h), 0);
  EXPECT_NE(recordOf(h).mainBuffer, nullptr);
  EXPECT_EQ(CLIENT_Start(h), QORSDK_CLIENT_STARTED);
  EXPECT_EQ(CLIENT_GetLastError(), QORSDK_LAST_ERROR_STARTED);
  EXPECT_EQ(CLIENT_GetLastError(), 0);

  QORSDK_STATISTICS stats;
  std::memset(&stats, 0xFF, sizeof stats);
  stats.size = sizeof stats;
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_STATISTICS, &stats), 0);
  EXPECT_EQ(stats.counter1 | stats.counter2 | stats.counter3 | stats.totalRate | stats.videoRate |
                stats.audioRate | stats.counter4 | stats.counter8,
            0u);
  EXPECT_EQ(stats.reserved, 0xFFFFFFFFu);
  stats.size = 39;
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_STATISTICS, &stats), QORSDK_CLIENT_BAD_SIZE);
  EXPECT_EQ(CLIENT_GetStatiscFlux(h, 0), 0);
  EXPECT_EQ(CLIENT_GetStatiscFlux(h, 1), 0);
  recordOf(h).counters[4] = 1239;  // a receiver would count; quotients round toward zero
  recordOf(h).counters[5] = 87;
  EXPECT_EQ(CLIENT_GetStatiscFlux(h, 0), 123);
  EXPECT_EQ(CLIENT_GetStatiscFlux(h, 7), 8);

  EXPECT_EQ(CLIENT_StopRealPlay(h), 1);
  EXPECT_EQ(recordOf(h).runState, qorsdk::kIdle);
  EXPECT_EQ(recordOf(h).mainBuffer, nullptr);
  int window = 0;
  EXPECT_EQ(CLIENT_RealPlay(h, 0, &window), h);
  EXPECT_EQ(recordOf(h).videoWindow, &window);
  EXPECT_EQ(CLIENT_RealPlayEx(h, 0, &window, 0), nullptr);
  EXPECT_EQ(CLIENT_GetLastError(), QORSDK_CLIENT_STARTED);

  // Dump of a started handle stops it first; the handle is gone afterwards.
  QORSDK_HANDLE started = tavmonHandle();
  ASSERT_EQ(CLIENT_Start(started), 0);
  EXPECT_EQ(CLIENT_Dump(started), 0);
  EXPECT_EQ(CLIENT_Start(started), QORSDK_CLIENT_BAD_HANDLE);
}

TEST(SdkClient, NullAndBadHandlesAreRefusedEverywhere) {
  std::uint32_t fake[512] = {3467};  // not made by the library, wrong tag too
  auto bad = reinterpret_cast<QORSDK_HANDLE>(fake);
  QORSDK_STATISTICS stats{};
  stats.size = sizeof stats;
  for (QORSDK_HANDLE h : {static_cast<QORSDK_HANDLE>(nullptr), bad}) {
    const std::int32_t expected = h ? QORSDK_CLIENT_BAD_HANDLE : QORSDK_CLIENT_BAD_ARGUMENT;
    EXPECT_EQ(CLIENT_Start(h), expected);
    EXPECT_EQ(CLIENT_Stop(h), expected);
    EXPECT_EQ(CLIENT_Dump(h), expected);
    EXPECT_EQ(CLIENT_SetParam(h, QORSDK_PARAM_FLAG_A_ON, nullptr), expected);
    EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_STATISTICS, &stats), expected);
    EXPECT_EQ(CLIENT_GetStatiscFlux(h, 0), h ? QORSDK_CLIENT_E_BAD_HANDLE : QORSDK_CLIENT_E_NULL);
    EXPECT_EQ(CLIENT_StopRealPlayEx(h), 0);
    EXPECT_EQ(CLIENT_Logout(h), 0);
    EXPECT_EQ(CLIENT_RealPlay(h, 0, nullptr), nullptr);
  }
  EXPECT_EQ(CLIENT_GetLastError(), QORSDK_CLIENT_BAD_HANDLE);
  auto callback = [](QORSDK_HANDLE, std::int32_t, const std::uint8_t*, std::int32_t, void*) {};
  Handle good;
  EXPECT_EQ(CLIENT_SetRealDataCallBackEx(nullptr, callback, nullptr, 0), QORSDK_CLIENT_E_NULL);
  EXPECT_EQ(CLIENT_SetRealDataCallBackEx(good.h, nullptr, nullptr, 0), QORSDK_CLIENT_E_NULL);
  EXPECT_EQ(CLIENT_SetRealDataCallBackEx(bad, callback, nullptr, 0), QORSDK_CLIENT_E_BAD_HANDLE);
  EXPECT_EQ(CLIENT_SetRealDataCallBackEx(good.h, callback, nullptr, 0), 0);
  EXPECT_EQ(CLIENT_SetRealDataCallBack(bad, callback, nullptr), 0);
  EXPECT_EQ(fake[0], 3467u);
}

// Every record type refuses a size field one off with 3 and leaves the handle as it was; unknown
// types give 4, a missing record 1.
TEST(SdkParams, WrongSizesAndTypesChangeNothing) {
  Handle client;
  const std::vector<std::pair<int, std::size_t>> records = {{0, sizeof(QORSDK_SOURCE)},
                                                            {1, sizeof(QORSDK_VIDEO_WINDOW)},
                                                            {2, sizeof(QORSDK_SOUND)},
                                                            {3, sizeof(QORSDK_THREE_WORDS)},
                                                            {9, sizeof(QORSDK_LISTEN)},
                                                            {10, sizeof(QORSDK_SOURCE_TABLE)},
                                                            {11, sizeof(QORSDK_TWO_WORDS)},
                                                            {14, sizeof(QORSDK_TWO_WORDS)},
                                                            {15, sizeof(QORSDK_EXTENDED_SETTINGS)},
                                                            {16, sizeof(QORSDK_TEXT_SETTING)},
                                                            {17, sizeof(QORSDK_CREDENTIALS)}};
  std::vector<std::uint8_t> before(sizeof(ClientRecord));
  std::memcpy(before.data(), client.h, before.size());
  alignas(8) std::uint8_t record[256] = {};
  for (auto [type, size] : records) {
    for (std::uint32_t wrong : {std::uint32_t(size - 1), std::uint32_t(size + 1)}) {
      std::memcpy(record, &wrong, 4);
      EXPECT_EQ(CLIENT_SetParam(client.h, type, record), QORSDK_CLIENT_BAD_SIZE) << type;
    }
    EXPECT_EQ(CLIENT_SetParam(client.h, type, nullptr), QORSDK_CLIENT_BAD_ARGUMENT) << type;
  }
  EXPECT_EQ(CLIENT_SetParam(client.h, 18, record), QORSDK_CLIENT_UNKNOWN_PARAM);
  EXPECT_EQ(CLIENT_SetParam(client.h, -1, record), QORSDK_CLIENT_UNKNOWN_PARAM);
  EXPECT_EQ(CLIENT_GetParam(client.h, 0, record), QORSDK_CLIENT_UNKNOWN_PARAM);
  EXPECT_EQ(std::memcmp(before.data(), client.h, before.size()), 0);
}

TEST(SdkParams, SourceRecordModesAndTexts) {
  Handle client;
  ClientRecord& r = recordOf(client.h);
  QORSDK_SOURCE source{sizeof source, 114, "10.1.2.3", 5000, "255.255.255.255x", -1, "rtsp://a/b"};
  EXPECT_EQ(CLIENT_SetParam(client.h, 0, &source), QORSDK_CLIENT_BAD_ARGUMENT);
  EXPECT_STREQ(r.address, "10.1.2.3");
  EXPECT_STREQ(r.address2, "");  // 16 characters: not stored
  EXPECT_EQ(r.port, 5000);
  EXPECT_EQ(r.port2, 0);
  EXPECT_STREQ(r.url, "rtsp://a/b");
  EXPECT_EQ(r.urlSet, 1);
  EXPECT_EQ(r.sourceKind, 9);

  std::string longUrl(128, 'u');
  source = {sizeof source, 112, nullptr, 0, nullptr, 0, longUrl.c_str()};
  EXPECT_EQ(CLIENT_SetParam(client.h, 0, &source), QORSDK_CLIENT_TEXT_TOO_LONG);
  EXPECT_STREQ(r.url, "rtsp://a/b");
  for (auto [mode, kind] : {std::pair{6, 1}, {7, 2}, {8, 3}, {116, 11}, {1, 11}}) {
    source = {sizeof source, mode, nullptr, 0, nullptr, 0, nullptr};
    EXPECT_EQ(CLIENT_SetParam(client.h, 0, &source), 0);
    EXPECT_EQ(r.sourceKind, kind) << mode;
  }

  QORSDK_TEXT_SETTING text{sizeof text, 0, nullptr, 1, 2};
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_TEXT, &text), QORSDK_CLIENT_BAD_ARGUMENT);
  text.text = longUrl.c_str();
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_TEXT, &text), QORSDK_CLIENT_TEXT_TOO_LONG);
  text.text = "ok";
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_TEXT, &text), 0);

  QORSDK_CREDENTIALS credentials{sizeof credentials, 1, "", "secret", {}};
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_CREDENTIALS, &credentials),
            QORSDK_CLIENT_BAD_ARGUMENT);
  std::strcpy(credentials.user, "admin");
  credentials.mode = 2;
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_CREDENTIALS, &credentials),
            QORSDK_CLIENT_BAD_ARGUMENT);
  credentials.mode = 0;
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_CREDENTIALS, &credentials), 0);
  EXPECT_STREQ(r.user, "admin");

  QORSDK_PLAY_SETTINGS play{47, {}};
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_PLAY_SETTINGS, &play),
            QORSDK_CLIENT_BAD_ARGUMENT);
  play.size = 48;
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_PLAY_SETTINGS, &play), 0);
  QORSDK_STREAM_CONTROL control{16, 25, 77, 0};
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_STREAM_CONTROL, &control), 1);
  EXPECT_EQ(r.streamControl[1], 77);
  control.code = 7;
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_STREAM_CONTROL, &control), 1);
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_STREAM_CONTROL, nullptr), 1);
}

TEST(SdkParams, ListenPortAndVolumeLevels) {
  Handle client;
  ClientRecord& r = recordOf(client.h);
  for (auto [port, result, stored] : {std::tuple{0, 0, 8066}, {-1, 1, 0}, {9000, 0, 9000}}) {
    QORSDK_LISTEN listen{sizeof listen, 1, 0, 0, port};
    EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_LISTEN, &listen), result);
    EXPECT_EQ(r.listenPort, stored);
  }
  for (auto [volume, level] :
       {std::pair{50, -625}, {1, -9604}, {0, -10000}, {-3, -10000}, {99, 0}, {100, 0}, {140, 0}})
    EXPECT_EQ(qorsdk::volumeLevel(volume), level) << volume;
  EXPECT_EQ(CLIENT_SetParam(client.h, QORSDK_PARAM_VOLUME, QORSDK_VOLUME_ARG(50)), 0);
}

TEST(SdkParams, SourceTable) {
  Handle client;
  QORSDK_HANDLE h = client.h;
  char list[QORSDK_SOURCE_LIST_BUFFER_SIZE];
  EXPECT_EQ(sourceTable(h, 1, "10.0.0.1", 5000), 0);
  EXPECT_EQ(sourceTable(h, 1, "10.0.0.2", 6000), 0);
  EXPECT_EQ(sourceTable(h, 1, "10.0.0.1", 5000), QORSDK_CLIENT_SOURCE_EXISTS);
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_SOURCE_LIST, list), 2);
  EXPECT_STREQ(list, "10.0.0.1:5000;10.0.0.2:6000;");
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_SOURCE_LIST, nullptr), -1);

  for (auto [op, address, port] : {std::tuple{1, (const char*)nullptr, 1},
                                   {1, "0.0.0.0", 1},
                                   {1, "10.0.0.9", 0},
                                   {1, "10.0.0.9", 65536},
                                   {1, "ten", 1},
                                   {0, "10.0.0.9", -4},
                                   {2, "10.0.0.9", 1}})
    EXPECT_EQ(sourceTable(h, op, address, port), QORSDK_CLIENT_BAD_ARGUMENT);

  EXPECT_EQ(sourceTable(h, 0, "10.0.0.1", 5001), QORSDK_CLIENT_SOURCE_MISSING);
  EXPECT_EQ(sourceTable(h, 0, "10.0.0.1", 5000), 0);
  EXPECT_EQ(sourceTable(h, 0, "10.0.0.1", 5000), QORSDK_CLIENT_SOURCE_MISSING);
  // The freed first slot is reused; the list keeps table order.
  EXPECT_EQ(sourceTable(h, 1, "10.0.0.3", 65535), 0);
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_SOURCE_LIST, list), 2);
  EXPECT_STREQ(list, "10.0.0.3:65535;10.0.0.2:6000;");

  // Full table: 64 of the longest texts fit the documented buffer exactly.
  EXPECT_EQ(sourceTable(h, -1, nullptr, 0), 0);
  for (int i = 0; i < QORSDK_SOURCE_TABLE_ENTRIES; ++i) {
    std::string address = "255.255.255." + std::to_string(100 + i);
    ASSERT_EQ(sourceTable(h, 1, address.c_str(), 60000), 0) << i;
  }
  EXPECT_EQ(sourceTable(h, 1, "10.0.0.1", 5000), QORSDK_CLIENT_TABLE_FULL);
  EXPECT_EQ(sourceTable(h, 1, "255.255.255.100", 60000), QORSDK_CLIENT_TABLE_FULL);
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_SOURCE_LIST, list), 64);
  EXPECT_EQ(std::strlen(list), sizeof list - 1);

  // The table survives stop and start; clear empties it.
  EXPECT_EQ(CLIENT_Start(h), 0);
  EXPECT_EQ(CLIENT_Stop(h), 0);
  EXPECT_EQ(recordOf(h).sourceCount, 64);
  EXPECT_EQ(sourceTable(h, -1, nullptr, 0), 0);
  EXPECT_EQ(CLIENT_GetParam(h, QORSDK_PARAM_SOURCE_LIST, list), 0);
  EXPECT_STREQ(list, "");
}

TEST(SdkResultText, EveryDocumentedValueHasWords) {
  for (int code : {0, 1, 2, 8, 9, 10, 12, 13, 14, 15})
    EXPECT_STRNE(QORSDK_ConfigResultText(code), "unknown result") << code;
  for (std::int32_t code : {0, 1, 2, 3, 4, 5, 7, 29, 30, 31, 34, 35, QORSDK_CLIENT_E_BAD_HANDLE,
                            QORSDK_CLIENT_E_NULL, QORSDK_CLIENT_E_LOGIN_REFUSED, 20005})
    EXPECT_STRNE(QORSDK_ClientResultText(code), "unknown result") << code;
  EXPECT_STREQ(QORSDK_ConfigResultText(11), "unknown result");
}

TEST(SdkClient, LoginChecksTheServiceAccountLocally) {
  std::int32_t error = 0;
  QORSDK_DEVICE_INFO info;
  std::memset(&info, 0xEE, sizeof info);
  EXPECT_EQ(CLIENT_Login("10.0.0.1", 80, "admin", "tarvenol", &info, &error), nullptr);
  EXPECT_EQ(error, QORSDK_CLIENT_E_LOGIN_REFUSED);
  EXPECT_EQ(CLIENT_Login("10.0.0.1", 80, "tarvenol", "tarvenol ", &info, &error), nullptr);
  EXPECT_EQ(error, QORSDK_CLIENT_E_LOGIN_REFUSED);
  EXPECT_EQ(CLIENT_Login(nullptr, 80, "tarvenol", "tarvenol", &info, &error), nullptr);
  EXPECT_EQ(error, QORSDK_CLIENT_E_NULL);
  EXPECT_EQ(CLIENT_Login("10.0.0.1", 80, "tarvenol", "tarvenol", &info, nullptr), nullptr);
  EXPECT_EQ(info.flag, 0xEEEEEEEEu);  // refused calls write nothing

  error = 0;
  QORSDK_HANDLE h = CLIENT_Login("10.0.0.1", 8000, "tarvenol", "tarvenol", &info, &error);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(std::memcmp(info.model, "VGAenc\0\0", 8), 0);
  EXPECT_EQ(info.flag, 1u);
  EXPECT_EQ(info.reserved[0], 0xEE);  // nothing else written
  auto* record = qorsdk::liveRecord(h);
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->address, "10.0.0.1");
  EXPECT_EQ(record->port2, 8000);
  EXPECT_EQ(record->mode, 1);
  EXPECT_EQ(CLIENT_Logout(h), 0);

  // Address texts outside 5..15 characters are not stored; port 0 keeps the default.
  for (const char* address : {"1.2.", "255.255.255.2555"}) {
    h = CLIENT_Login(address, 0, "tarvenol", "tarvenol", &info, &error);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(qorsdk::liveRecord(h)->address, "") << address;
    EXPECT_EQ(qorsdk::liveRecord(h)->port2, 0);
    EXPECT_EQ(CLIENT_Logout(h), 0);
  }
}
