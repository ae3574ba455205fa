#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

namespace tav {
namespace {

// Sorted by id.
constexpr std::pair<int, const char*> kStrings[] = {
    {101, "关于 Tavmon(&A)..."},
    {102, "参数配置"},
    {103, "高级"},
    {104, "程序升级"},
    {105, "编码数据检测"},
    {106, "IP与MAC地址"},
    {107, "网络收发"},
    {108, "外设配置"},
    {109, "视频编码"},
    {110, "音频编码"},
    {111, "音量调节"},
    {112, "重启设备"},
    {113, "视频质量"},
    {114, "恢复出厂值"},
    {115, "升级"},
    {118, "退出"},
    {119, "搜索设备"},
    {120, "设备IP"},
    {121, "设备名称"},
    {122, "MAC"},
    {123, "通信方式"},
    {124, "其它信息"},
    {125, "设备搜索中……"},
    {130, "未搜索到任何设备。"},
    {131, "搜索到%d个设备。"},
    {132, "正常接收"},
    {133, "组播接收"},
    {134, "点播接收"},
    {135, "TCP接收"},
    {136, "RTSP接收"},
    {137, "动态切换"},
    {138, "接收C1协议"},
    {139, "HD编码板"},
    {140, "HD解码板"},
    {141, "组播发送"},
    {142, "广播发送"},
    {143, "点播发送"},
    {144, "TCP发送"},
    {146, "接收方式未知"},
    {147, "自定义"},
    {148, "SVGA800x600"},
    {149, "SXGA1280x1024"},
    {150, "XGA1024x768"},
    {152, "YPbPr"},
    {153, "未知输出格式"},
    {154, "自动识别(VGA或YPbPr)"},
    {155, "SVGA800x600"},
    {156, "SXGA1280x1024"},
    {157, "XGA1024x768"},
    {158, "VGA_ERROR"},
    {159, "YPbPr"},
    {160, "CVBS"},
    {161, "未知输入格式"},
    {162, "设置  %s  \"%s\""},
    {163, "解码板"},
    {164, "编码板"},
    {165, "视频位置"},
    {166, "网络参数设置失败。\n"},
    {167, "网络参数设置成功。\n"},
    {168, "IP地址、MAC地址或端口有冲突，请注意提示信息。"},
    {169, "单播发送"},
    {170, "组播发送"},
    {171, "广播发送"},
    {172, "UDP点播"},
    {173, "TCP"},
    {174, "正常接收"},
    {175, "组播接收"},
    {176, "UDP点播"},
    {177, "TCP"},
    {178, "Depend on ENC"},
    {180, "C1编码板"},
    {181, "解码板接收地址"},
    {182, "编码板发送地址"},
    {183, "外设配置成功。"},
    {184, "外设配置失败。"},
    {185, "IP地址和网关不在同一网段，确定需要强制修改?"},
    {186, "设置的IP地址和网关不在同一网段。"},
    {187, "设置视频参数成功。"},
    {188, "设置视频参数失败。"},
    {190, "设置音频参数成功。"},
    {191, "设置音频参数失败。"},
    {192, "设备重启失败。"},
    {193, "设备重启成功。"},
    {195, "设置视频质量参数失败。"},
    {196, "设置视频质量参数成功。"},
    {197, "用户名或密码错误。"},
    {198, "恢复默认值失败。"},
    {199, "恢复默认值成功。"},
    {200, "网络收发设置成功。"},
    {201, "网络收发设置失败。"},
    {202, "设置音量成功。"},
    {203, "设置音量失败。"},
    {204, "IP与MAC地址：获取设备状态成功。"},
    {205, "获取设备状态失败。"},
    {206, "网络收发：获取设备状态成功。"},
    {207, "外设：获取设备状态成功。"},
    {208, "视频编码：获取设备状态成功。"},
    {209, "音频编码：获取设备状态成功。"},
    {210, "音量调节：获取设备状态成功。"},
    {211, "视频位置：获取设备状态成功。"},
    {212, "视频质量参数：获取设备状态成功。"},
    {213, "线路"},
    {214, "IP地址"},
    {215, "总码率"},
    {216, "视频码率"},
    {217, "音频码流"},
    {218, "获取码流信息失败。"},
    {219, "数据检测正在运行。"},
    {220, "创建SDK句柄失败。"},
    {221, "编码板启动失败。\n注意：单播状态无法进行数据检测。"},
    {222, "端口绑定失败。"},
    {223, "开始数据检测。"},
    {224, "停止数据检测失败。"},
    {225, "停止数据检测。"},
    {226, "没有检测到编码板。"},
    {227, "视频位置设置成功。"},
    {230, "重启"},
    {231, "恢复出厂值"},
    {232, "升级"},
    {233, "编码检测"},
    {234, "批量设置"},
    {235, "选中设备列表"},
    {236, "Windows 通信端口初始化失败。"},
    {237, "广播监听端口被占用! \n\r该程序是否重复运行?"},
    {238, "发起设备搜索。"},
    {242, "单播发送"},
    {249, "寄存器读取成功。"},
    {250, "寄存器写入成功。"},
    {251, "寄存器地址不合法。\n最小值：0x1C71C00\n最大值：0x1C71F80"},
    {252, "输入地址或端口不合法，请按提示操作。"},
    {253, "发起批量重启。"},
    {254, "发起批量重置。"},
    {255, "手动添加设备失败。\n该设备不在线。"},
    {256, "手动添加设备成功。"},
    {257, "更改密码"},
    {258, "YPbPr1080P@50Hz"},
    {259, "YPbPr1080P@60Hz"},
    {260, "YPbPr1080i@50Hz"},
    {261, "YPbPr1080i@60Hz"},
    {262, "YPbPr720P@50Hz"},
    {263, "YPbPr720P@60Hz"},
    {264, "YPbPr1080P@25Hz"},
    {265, "YPbPr1080P@30Hz"},
    {266, "调试"},
    {267, "i2c调试"},
    {268, "RTSP"},
    {269, "用户协议C1"},
    {271, "HDMI_1080P"},
    {272, "HDMI_720P"},
    {273, "SDI编码器"},
    {274, "DVI编码板"},
    {275, "HDMI"},
    {276, "RTMP"},
    {277, "IP地址与网关地址冲突，请重新配置"},
    {278, "IP地址与网络地址冲突，请重新配置"},
    {279, "IP地址与广播地址冲突，请重新配置"},
    {280, "通用i2c调试"},
    {281, "子网掩码"},
    {283, "命令执行成功"},
    {284, "命令执行失败"},
    {285, "位置错误"},
    {286, "Onvif"},
    {287, "Onvif"},
    {288, "序列号"},
    {289, "ID号"},
    {290, "T810"},
    {291, "Onvif接收"},
    {292, "锁定EDID"},
    {293, "解锁EDID"},
    {294, "EDID调试"},
    {295, "T4500"},
    {1146, "时间设置"},
    {1147, "OSD设置"},
    {1159, "存储设置"},
    {1160, "请确认参数，如IP"},
    {1161, "确认要设置为DHCP模式？"},
    {1162, "SPI调试"},
    {1163, "串口设置"},
};

struct Translation {
  std::function<std::string(const char*)> translate;
  std::vector<std::string> table;             // one per kStrings entry
  std::map<std::string, std::string> others;  // trText() texts, filled as asked
};

Translation& translation() {
  static Translation t;
  return t;
}

}  // namespace

const char* str(int id) {
  auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                             [](const auto& e, int v) { return e.first < v; });
  if (it == std::end(kStrings) || it->first != id) return "";
  const auto& table = translation().table;
  return table.empty() ? it->second : table[std::size_t(it - std::begin(kStrings))].c_str();
}

std::span<const std::pair<int, const char*>> strEntries() {
  return kStrings;
}

void setStrTranslation(const std::function<std::string(const char*)>& translate) {
  Translation& t = translation();
  t.translate = translate;
  t.table.clear();
  t.others.clear();
  if (!translate) return;
  for (const auto& [id, text] : kStrings) {
    std::string translated = translate(text);
    t.table.push_back(translated.empty() ? std::string(text) : std::move(translated));
  }
}

const char* trText(const char* original) {
  Translation& t = translation();
  if (!t.translate) return original;
  auto it = t.others.find(original);
  if (it == t.others.end()) {
    std::string translated = t.translate(original);
    it = t.others.emplace(original, translated.empty() ? std::string(original) : translated).first;
  }
  return it->second.c_str();
}

}  // namespace tav
