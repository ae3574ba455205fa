// The shared library as the program loads it: exactly the C interface exported, and nothing
// linked beyond the C and C++ runtime.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace {

std::string libraryPath() {
  return std::string(std::getenv("TAVMON_BIN")) + "/../lib/libqorsdk.so";
}

std::set<std::string> linesOf(const std::string& command) {
  std::set<std::string> lines;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return lines;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    if (!text.empty()) lines.insert(text);
  }
  return lines;
}

}  // namespace

TEST(SdkLibrary, ExportsExactlyTheCInterface) {
  auto symbols =
      linesOf("nm -D --defined-only '" + libraryPath() + "' 2>/dev/null | awk '{print $3}'");
  if (symbols.empty()) GTEST_SKIP() << "nm not available";
  const std::set<std::string> expected = {"CLIENT_SDKInit",
                                          "CLIENT_SDKClose",
                                          "CLIENT_SDKVersion",
                                          "CLIENT_GetSDKVersion",
                                          "CLIENT_Init",
                                          "CLIENT_SetPlayerBufNumber",
                                          "CLIENT_Cleanup",
                                          "CLIENT_SetNetworkParam",
                                          "CLIENT_SetConnectTime",
                                          "CLIENT_SetAutoReconnect",
                                          "CLIENT_LoginEx",
                                          "CLIENT_SetRealDataCallBack",
                                          "CLIENT_SetRealDataCallBackEx",
                                          "CLIENT_StartListenEx",
                                          "CLIENT_GetLastError",
                                          "CLIENT_Create",
                                          "CLIENT_Start",
                                          "CLIENT_Stop",
                                          "CLIENT_Dump",
                                          "CLIENT_Logout",
                                          "CLIENT_RealPlay",
                                          "CLIENT_RealPlayEx",
                                          "CLIENT_StopRealPlay",
                                          "CLIENT_StopRealPlayEx",
                                          "CLIENT_SetParam",
                                          "CLIENT_GetParam",
                                          "CLIENT_GetStatiscFlux",
                                          "CLIENT_GetDeviceConfig",
                                          "CLIENT_SetDeviceConfig",
                                          "DEVICE_GetConfig",
                                          "DEVICE_SetConfig",
                                          "CLIENT_GetDeviceList",
                                          "CLIENT_Login",
                                          "QORSDK_ConfigResultText",
                                          "QORSDK_ClientResultText"};
  std::set<std::string> exported;
  for (const auto& s : symbols)
    if (s.find('@') == std::string::npos) exported.insert(s);  // versioned runtime references
  EXPECT_EQ(exported, expected);
}

TEST(SdkLibrary, NeedsOnlyTheRuntime) {
  auto needed =
      linesOf("objdump -p '" + libraryPath() + "' 2>/dev/null | awk '/NEEDED/{print $2}'");
  if (needed.empty()) GTEST_SKIP() << "objdump not available";
  for (const auto& library : needed) {
    bool runtime = false;
    // libdvbpsi reads the stream receiver's transport-stream tables (Debian ships no PIC
    // archive of it, so it is linked as a shared library).
    for (const char* allowed : {"libc.so", "libm.so", "libstdc++.so", "libgcc_s.so", "ld-linux",
                                "libasan.so", "libubsan.so", "libdvbpsi.so"})
      runtime = runtime || library.rfind(allowed, 0) == 0;
    EXPECT_TRUE(runtime) << library;
  }
}
