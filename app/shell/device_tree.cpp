#include "shell/device_tree.h"

#include "device/board.h"

namespace tav {
namespace {

bool oneOf(int t, std::initializer_list<int> types) {
  for (int x : types)
    if (x == t) return true;
  return false;
}

}  // namespace

std::vector<TreeNode> BuildDeviceTree(int t) {
  const bool encoder = IsEncoderType(t);
  TreeNode parameters{kCodeParameters, 102, {}};
  TreeNode advanced{kCodeAdvanced, 103, {}};
  TreeNode upgrade{kCodeUpgradeGroup, 104, {}};
  TreeNode debug{kCodeDebugGroup, 266, {}};
  auto add = [](TreeNode& group, int code, int id) { group.children.push_back({code, id, {}}); };

  add(parameters, kCodeIdentity, 106);
  add(parameters, kCodeTransport, 107);
  add(parameters, kCodePeripheral, 108);
  if (encoder) add(parameters, kCodeVideoEncoding, 109);
  if (t != 21) {
    add(parameters, kCodeVideoQuality, 113);
    add(parameters, kCodeVideoPosition, 165);
  }
  if (encoder) add(parameters, kCodeAudioEncoding, 110);
  if (!encoder) add(parameters, kCodeVolume, 111);
  add(advanced, kCodeRestart, 112);
  add(advanced, kCodeFactoryReset, 114);
  add(advanced, kCodeStatistics, 105);  // an encoder's statistics, or a decoder's encoders
  if (oneOf(t, {1, 5, 7, 9, 11, 20, 23})) add(parameters, kCodeTime, 1146);
  if (encoder) add(parameters, kCodeOsd, 1147);
  if (oneOf(t, {1, 9, 20})) add(parameters, kCodeStorage, 1159);
  add(parameters, kCodeSerial, 1163);
  add(upgrade, kCodeUpgrade, 115);
  if (t != 20) add(debug, kCodeRegisterDebug, oneOf(t, {7, 11}) ? 1162 : 267);
  if (oneOf(t, {1, 9, 11, 20})) add(debug, kCodeCustomer, 147);
  add(debug, kCodeGeneralI2c, 280);
  if (oneOf(t, {9, 11, 20})) add(debug, kCodeEdid, 294);

  return {parameters, advanced, upgrade, debug};
}

int PageViewForCode(int code, int t) {
  switch (code) {
    case kCodeIdentity:
      return 0;
    case kCodeTransport:
      return 1;
    case kCodePeripheral:
      return 2;
    case kCodeVideoEncoding:
      return 3;
    case kCodeAudioEncoding:
      return 4;
    case kCodeVolume:
      return 5;
    case kCodeVideoPosition:
      return IsEncoderType(t) ? 16 : 6;
    case kCodeRestart:
      return 7;
    case kCodeVideoQuality:
      return 8;
    case kCodeFactoryReset:
      return 9;
    case kCodeUpgrade:
      return 10;
    case kCodeStatistics:
      return IsEncoderType(t) ? 13 : 14;
    case kCodePassword:
      return 15;
    case kCodeTime:
      return 17;
    case kCodeOsd:
      return 18;
    case kCodeStorage:
      return 19;
    case kCodeSerial:
      return kViewSerial;
    case kCodeRegisterDebug:
      return kViewRegisterDebug;
    case kCodeCustomer:
      return kViewCustomer;
    case kCodeGeneralI2c:
      return kViewGeneralI2c;
    case kCodeEdid:
      return kViewEdid;
    default:
      return kViewBlank;
  }
}

}  // namespace tav
