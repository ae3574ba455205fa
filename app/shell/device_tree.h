#pragma once
// The function tree of the single-board window: which pages a board of a given device type
// offers, under which group, and which page a tree code opens. Both read the page table
// (shell/page_table.h). No Qt: tavctl can list it too.

#include <vector>

namespace tav {

// Tree codes (the item data of the tree).
enum PageCode : int {
  kCodeParameters = 0,    // group "参数配置"
  kCodeAdvanced = 1,      // group "高级"
  kCodeUpgradeGroup = 2,  // group "程序升级"
  kCodeDebugGroup = 3,    // group "调试"; no page uses it
  kCodeIdentity = 4,
  kCodeTransport = 5,
  kCodePeripheral = 6,
  kCodeVideoEncoding = 7,
  kCodeAudioEncoding = 8,
  kCodeVolume = 9,
  kCodeVideoPosition = 10,
  kCodeRestart = 11,
  kCodeVideoQuality = 12,
  kCodeFactoryReset = 13,
  kCodeUpgrade = 14,
  kCodeStatistics = 15,  // "编码数据检测" under "高级"; the decoder's detection page opens it too
  kCodePassword = 16,  // "更改密码" under "高级"
  kCodeTime = 17,
  kCodeOsd = 18,
  kCodeStorage = 19,
  kCodeSerial = 20,
  kCodeRegisterDebug = 21,
  kCodeCustomer = 22,
  kCodeGeneralI2c = 23,
  kCodeEdid = 24,
};

// Page numbers for CreateRightView: N of CRightViewN, and numbers of their own for the pages
// that carry a name instead.
inline constexpr int kViewBlank = 12;           // CRightView12
inline constexpr int kViewSerial = 100;         // CRightViewSerial
inline constexpr int kViewRegisterDebug = 101;  // RVdebug
inline constexpr int kViewCustomer = 102;       // customerSetting
inline constexpr int kViewGeneralI2c = 103;     // RVComDebug
inline constexpr int kViewEdid = 104;           // EdidDebug

struct TreeNode {
  int code;
  int stringId;  // label in the string table
  std::vector<TreeNode> children;
};

// The four groups in order with the pages a board of `deviceType` offers.
std::vector<TreeNode> BuildDeviceTree(int deviceType);

// The page a tree code opens for a board of `deviceType`; groups and unknown codes give the
// blank page.
int PageViewForCode(int code, int deviceType);

}  // namespace tav
