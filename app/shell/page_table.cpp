#include "shell/page_table.h"

#include <initializer_list>

#include "device/board.h"

namespace tav {
namespace {

constexpr bool OneOf(int t, std::initializer_list<int> types) {
  for (int x : types)
    if (x == t) return true;
  return false;
}

bool All(int) {
  return true;
}
bool Encoder(int t) {
  return IsEncoderType(t);
}
bool Decoder(int t) {
  return !IsEncoderType(t);
}
bool NotType21(int t) {
  return t != 21;
}
bool NotType20(int t) {
  return t != 20;
}
// The record pages' controls are for boards that send (the receive-only types have none).
bool NotReceiver(int t) {
  return !IsReceiverType(t);
}

// clang-format off
const PageRow kRows[] = {
  // code                 enc  dec  label group            in the tree                    controls serve  class
  {kCodeIdentity,         0,   0,   106, kCodeParameters,  All,                           All,          "CRightView0"},
  {kCodeTransport,        1,   1,   107, kCodeParameters,  All,                           All,          "CRightView1"},
  {kCodePeripheral,       2,   2,   108, kCodeParameters,  All,                           All,          "CRightView2"},
  {kCodeVideoEncoding,    3,   3,   109, kCodeParameters,  Encoder,                       NotReceiver,  "CRightView3"},
  {kCodeVideoQuality,     8,   8,   113, kCodeParameters,  NotType21,                     NotReceiver,  "CRightView8"},
  {kCodeVideoPosition,    16,  6,   165, kCodeParameters,  NotType21,                     All,          "CRightView16/CRightView6"},
  {kCodeAudioEncoding,    4,   4,   110, kCodeParameters,  Encoder,                       NotReceiver,  "CRightView4"},
  {kCodeVolume,           5,   5,   111, kCodeParameters,  Decoder,                       Decoder,      "CRightView5"},
  {kCodeRestart,          7,   7,   112, kCodeAdvanced,    All,                           All,          "CRightView7"},
  {kCodeFactoryReset,     9,   9,   114, kCodeAdvanced,    All,                           All,          "CRightView9"},
  {kCodeTime,             17,  17,  1146, kCodeParameters, [](int t) { return OneOf(t, {1, 5, 7, 9, 11, 20, 23}); },
                                                                                          All,          "CRightView17"},
  {kCodeOsd,              18,  18,  1147, kCodeParameters, Encoder,                       All,          "CRightView18"},
  {kCodeStorage,          19,  19,  1159, kCodeParameters, [](int t) { return OneOf(t, {1, 9, 20}); },
                                                                                          All,          "CRightView19"},
  {kCodeSerial,           kViewSerial, kViewSerial, 1163, kCodeParameters, All,           All,          "CRightViewSerial"},
  {kCodeUpgrade,          10,  10,  115, kCodeUpgradeGroup, All,                          All,          "CRightView10"},
  {kCodeRegisterDebug,    kViewRegisterDebug, kViewRegisterDebug, 267, kCodeDebugGroup, NotType20, All, "RVdebug",
                          1162, [](int t) { return OneOf(t, {7, 11}); }},
  {kCodeCustomer,         kViewCustomer, kViewCustomer, 147, kCodeDebugGroup,
                          [](int t) { return OneOf(t, {1, 9, 11, 20}); },                 All,          "customerSetting"},
  {kCodeGeneralI2c,       kViewGeneralI2c, kViewGeneralI2c, 280, kCodeDebugGroup, All,    All,          "RVComDebug"},
  {kCodeEdid,             kViewEdid, kViewEdid, 294, kCodeDebugGroup,
                          [](int t) { return OneOf(t, {9, 11, 20}); },                    All,          "EdidDebug"},
  // An encoder's stream statistics, or the encoders that feed a decoder.
  {kCodeStatistics,       13,  14,  105, kCodeAdvanced,    All,                           All,          "CRightView13/CRightView14"},
  // The board's login; offered for every board, its controls serve the decoder kind only.
  {kCodePassword,         15,  15,  257, kCodeAdvanced,    All,                           Decoder,      "CRightView15"},
};
// clang-format on

const GroupRow kGroups[] = {
    {kCodeParameters, 102},
    {kCodeAdvanced, 103},
    {kCodeUpgradeGroup, 104},
    {kCodeDebugGroup, 266},
};

}  // namespace

std::span<const PageRow> PageTable() {
  return kRows;
}

std::span<const GroupRow> PageGroups() {
  return kGroups;
}

const PageRow* FindPageRow(int code) {
  for (const PageRow& row : kRows)
    if (row.code == code) return &row;
  return nullptr;
}

const PageRow* FindPageRowByView(int view) {
  for (const PageRow& row : kRows)
    if (row.encoderView == view || row.decoderView == view) return &row;
  return nullptr;
}

int PageLabel(const PageRow& row, int deviceType) {
  return row.altLabelFor && row.altLabelFor(deviceType) ? row.altLabelId : row.labelId;
}

bool PageServes(int code, int deviceType) {
  const PageRow* row = FindPageRow(code);
  return row && row->serves(deviceType);
}

std::vector<TreeNode> BuildDeviceTree(int t) {
  std::vector<TreeNode> groups;
  for (const GroupRow& g : kGroups) {
    TreeNode group{g.code, g.labelId, {}};
    for (const PageRow& row : kRows)
      if (row.group == g.code && row.inTree && row.inTree(t))
        group.children.push_back({row.code, PageLabel(row, t), {}});
    groups.push_back(std::move(group));
  }
  return groups;
}

int PageViewForCode(int code, int t) {
  const PageRow* row = FindPageRow(code);
  if (!row) return kViewBlank;
  return IsEncoderType(t) ? row->encoderView : row->decoderView;
}

}  // namespace tav
