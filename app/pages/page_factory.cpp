#include "pages/page_factory.h"

#include "detect/detection_pages.h"
#include "debug/debug_pages.h"
#include "pages/identity_page.h"
#include "pages/not_built_page.h"
#include "pages/service_pages.h"
#include "pages/simple_pages.h"
#include "pages/transport_page.h"
#include "shell/device_tree.h"
#include "shell/page_table.h"
#include "video/video_views.h"
#include "upgrade/upgrade_page.h"

namespace tav {
namespace {

template <class Page>
QWidget* Make(PageHost& host, QWidget* parent) {
  return new Page(host, parent);
}

// A page is added by writing its class and putting Make<ItsClass> on its line.
// clang-format off
const PageCreatorRow kCreators[] = {
  {0,  Make<CRightView0>},   // 网络标识
  {1,  Make<CRightView1>},   // 网络收发
  {2,  Make<CRightView2>},   // CRightView2 外设配置
  {3,  Make<CRightView3>},   // 视频编码
  {8,  Make<CRightView8>},   // 视频质量
  {16, Make<CRightView16>},  // CRightView16 视频位置 (encoder kind)
  {6,  Make<CRightView6>},   // CRightView6 视频位置 (decoder kind)
  {4,  Make<CRightView4>},   // 音频编码
  {5,  Make<CRightView5>},   // 音量调节
  {7,  Make<CRightView7>},   // 重启设备
  {9,  Make<CRightView9>},   // 恢复出厂值
  {17, Make<CRightView17>},  // 时间设置
  {18, Make<CRightView18>},  // OSD设置
  {19, Make<CRightView19>},  // 存储设置
  {kViewSerial, Make<CRightViewSerial>},       // 串口设置
  {10, Make<CRightView10>},       // 升级
  {kViewRegisterDebug, Make<RVdebug>},         // i2c调试 / SPI调试
  {kViewCustomer, Make<customerSetting>},  // customerSetting 自定义
  {kViewGeneralI2c, Make<RVComDebug>},         // 通用i2c调试
  {kViewEdid, Make<EdidDebug>},                // EDID调试
  {13, Make<CRightView13>},  // CRightView13 encoded-stream statistics (encoder kind)
  {14, Make<CRightView14>},  // CRightView14 statistics (decoder kind)
  {15, Make<CRightView15>},  // CRightView15 更改密码
};
// clang-format on

}  // namespace

std::span<const PageCreatorRow> PageCreators() {
  return kCreators;
}

QWidget* CreateRightView(int view, PageHost& host, QWidget* parent) {
  for (const PageCreatorRow& c : kCreators)
    if (c.view == view && c.create) return c.create(host, parent);
  if (const PageRow* row = FindPageRowByView(view)) return new CNotBuiltPage(*row, host, parent);
  return new CRightView12(host, parent);
}

}  // namespace tav
