<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAdapterConfirm</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>检测到多块网卡，请先点选网卡设置并设置接收数据的网卡</source>
        <translation>Several network adapters were found. Press &quot;Adapter settings&quot; first and choose the adapter that receives the data.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CAdapterSetDlg</name>
    <message>
        <source>网卡设置</source>
        <translation>Adapter settings</translation>
    </message>
    <message>
        <source>网卡列表</source>
        <translation>Network adapters</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CLeftView</name>
    <message>
        <source>功能列表</source>
        <translation>Functions</translation>
    </message>
</context>
<context>
    <name>CLeftViewMul</name>
    <message>
        <source>批量功能</source>
        <translation>Batch functions</translation>
    </message>
</context>
<context>
    <name>CMULTIPLE_RIGHTVIEW0</name>
    <message>
        <source>已停止。</source>
        <translation>Stopped.</translation>
    </message>
    <message>
        <source>完成：%1台设备，失败%2台。</source>
        <translation>Done, devices: %1; failed: %2.</translation>
    </message>
    <message>
        <source>重启所选设备</source>
        <translation>Restart selected devices</translation>
    </message>
    <message>
        <source>重启所有设备</source>
        <translation>Restart all devices</translation>
    </message>
    <message>
        <source>重启所有编码板</source>
        <translation>Restart all encoders</translation>
    </message>
    <message>
        <source>重启所有解码板</source>
        <translation>Restart all decoders</translation>
    </message>
    <message>
        <source>群发命令已发出。</source>
        <translation>Group command sent.</translation>
    </message>
</context>
<context>
    <name>CMULTIPLE_RIGHTVIEW1</name>
    <message>
        <source>用户名</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>所选设备恢复出厂值</source>
        <translation>Factory reset selected devices</translation>
    </message>
    <message>
        <source>所有设备恢复出厂值</source>
        <translation>Factory reset all devices</translation>
    </message>
    <message>
        <source>所有编码板恢复出厂值</source>
        <translation>Factory reset all encoders</translation>
    </message>
    <message>
        <source>所有解码板恢复出厂值</source>
        <translation>Factory reset all decoders</translation>
    </message>
</context>
<context>
    <name>CMULTIPLE_RIGHTVIEW2</name>
    <message>
        <source>选择升级文件</source>
        <translation>Choose upgrade file</translation>
    </message>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件标识</source>
        <translation>File magic</translation>
    </message>
    <message>
        <source>文件长度</source>
        <translation>File length</translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>文件信息：</source>
        <translation>File information:</translation>
    </message>
    <message>
        <source>升级所选设备</source>
        <translation>Upgrade selected devices</translation>
    </message>
    <message>
        <source>升级所有编码板</source>
        <translation>Upgrade all encoders</translation>
    </message>
    <message>
        <source>升级所有解码板</source>
        <translation>Upgrade all decoders</translation>
    </message>
    <message>
        <source>升级日志</source>
        <translation>Upgrade log</translation>
    </message>
</context>
<context>
    <name>CManualAddDlg</name>
    <message>
        <source>手动添加设备</source>
        <translation>Add device manually</translation>
    </message>
    <message>
        <source>设备IP地址</source>
        <translation>Device IP address</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CNewSearchDlg</name>
    <message>
        <source>重启</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>恢复出厂值</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>命令</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>最多107个字节</source>
        <translation>At most 107 bytes</translation>
    </message>
    <message>
        <source>执行</source>
        <translation>Execute</translation>
    </message>
    <message>
        <source>日志</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>请先在设备列表中选择设备。</source>
        <translation>Pick a device in the list first.</translation>
    </message>
</context>
<context>
    <name>CRightView10</name>
    <message>
        <source>文件名</source>
        <translation>File name</translation>
    </message>
    <message>
        <source>文件标识</source>
        <translation>File tag</translation>
    </message>
    <message>
        <source>文件长度(字节)</source>
        <translation>File length (bytes)</translation>
    </message>
    <message>
        <source>文件信息</source>
        <translation>File information</translation>
    </message>
    <message>
        <source>升级进度</source>
        <translation>Upgrade progress</translation>
    </message>
    <message>
        <source>完成比例</source>
        <translation>Share done</translation>
    </message>
    <message>
        <source>升级状态</source>
        <translation>Upgrade status</translation>
    </message>
    <message>
        <source>等待时间</source>
        <translation>Time waited</translation>
    </message>
    <message>
        <source>升级日志</source>
        <translation>Upgrade log</translation>
    </message>
    <message>
        <source>正在升级程序。关闭窗口后将在当前文件发送完毕时停止升级，确定要关闭吗？</source>
        <translation>An upgrade is running. Closing the window stops it once the current file has been sent. Close anyway?</translation>
    </message>
    <message>
        <source>没有选中的设备。</source>
        <translation>No device is selected.</translation>
    </message>
    <message>
        <source>已等待 %1 秒</source>
        <translation>Seconds waited: %1</translation>
    </message>
</context>
<context>
    <name>CRightView15</name>
    <message>
        <source>新用户名</source>
        <translation>New user name</translation>
    </message>
    <message>
        <source>新密码</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>更改密码</source>
        <translation>Change password</translation>
    </message>
    <message>
        <source>编码板的登录密码不能在这里更改。</source>
        <translation>The login of an encoder board cannot be changed here.</translation>
    </message>
</context>
<context>
    <name>CRightView17</name>
    <message>
        <source>设备时间</source>
        <translation>Device time</translation>
    </message>
    <message>
        <source>年</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>时</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>分</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Second</translation>
    </message>
    <message>
        <source>获取时间</source>
        <translation>Get time</translation>
    </message>
    <message>
        <source>设置时间</source>
        <translation>Set time</translation>
    </message>
    <message>
        <source>按当前时间设置</source>
        <translation>Set to PC time</translation>
    </message>
</context>
<context>
    <name>CRightView18</name>
    <message>
        <source>时间OSD</source>
        <translation>Time OSD</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>通道文字</source>
        <translation>Channel text</translation>
    </message>
    <message>
        <source>(工作时间、放假时间)</source>
        <translation>(working hours, holidays)</translation>
    </message>
    <message>
        <source>(办公室1、办公室2)</source>
        <translation>(office 1, office 2)</translation>
    </message>
    <message>
        <source>是否显示：</source>
        <translation>Show:</translation>
    </message>
    <message>
        <source>标志文字：</source>
        <translation>Text:</translation>
    </message>
    <message>
        <source>透  明  度：</source>
        <translation>Transparency:</translation>
    </message>
    <message>
        <source>背景透明度：</source>
        <translation>Background transparency:</translation>
    </message>
    <message>
        <source>坐        标：</source>
        <translation>Position:</translation>
    </message>
    <message>
        <source>文字颜色：</source>
        <translation>Text colour:</translation>
    </message>
    <message>
        <source>缩        放：</source>
        <translation>Scale:</translation>
    </message>
    <message>
        <source>是否显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>标志文字</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>透明度</source>
        <translation>Transparency</translation>
    </message>
    <message>
        <source>背景透明度</source>
        <translation>Background transparency</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>文字颜色</source>
        <translation>Text colour</translation>
    </message>
    <message>
        <source>(0为不透明)</source>
        <translation>(0 is opaque)</translation>
    </message>
    <message>
        <source>获取OSD设置</source>
        <translation>Get OSD settings</translation>
    </message>
    <message>
        <source>更改OSD设置</source>
        <translation>Change OSD settings</translation>
    </message>
    <message>
        <source>恢复默认设置</source>
        <translation>Restore defaults</translation>
    </message>
</context>
<context>
    <name>CRightView19</name>
    <message>
        <source>单个文件大小：</source>
        <translation>Single file size:</translation>
    </message>
    <message>
        <source>磁盘预留空间：</source>
        <translation>Reserved disk space:</translation>
    </message>
    <message>
        <source>单个文件大小</source>
        <translation>Single file size</translation>
    </message>
    <message>
        <source>磁盘预留空间</source>
        <translation>Reserved disk space</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>存储状态</source>
        <translation>Storage status</translation>
    </message>
    <message>
        <source>获取</source>
        <translation>Get</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
</context>
<context>
    <name>CRightView6</name>
    <message>
        <source>值 0x：请输入 0-FFFFFFFF 之间的十六进制数。</source>
        <translation>Value 0x: enter a hexadecimal number from 0 to FFFFFFFF.</translation>
    </message>
</context>
<context>
    <name>CRightViewSerial</name>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>串口波特率</source>
        <translation>Serial baud rate</translation>
    </message>
    <message>
        <source>发送数据</source>
        <translation>Data to send</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>云台控制（Pelco-D）</source>
        <translation>Camera control (Pelco-D)</translation>
    </message>
</context>
<context>
    <name>CTavmonDlg</name>
    <message>
        <source>检测到多块网卡，请先点选网卡设置并设置接收数据的网卡</source>
        <translation>Several network adapters were found. Press &quot;Adapter settings&quot; first and choose the adapter that receives the data.</translation>
    </message>
    <message>
        <source>关于 Tavmon</source>
        <translation>About Tavmon</translation>
    </message>
    <message>
        <source>Tavmon 图标</source>
        <translation>Tavmon icon</translation>
    </message>
    <message>
        <source>Tavmon 1.0 版</source>
        <translation>Tavmon version 1.0</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>单板设置</source>
        <translation>Board settings</translation>
    </message>
    <message>
        <source>批量设置</source>
        <translation>Batch settings</translation>
    </message>
    <message>
        <source>手动添加</source>
        <translation>Add manually</translation>
    </message>
    <message>
        <source>网卡设置</source>
        <translation>Adapter settings</translation>
    </message>
    <message>
        <source>添加信任列表</source>
        <translation>Add to trust list</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>设备列表</source>
        <translation>Device list</translation>
    </message>
    <message>
        <source>消息记录</source>
        <translation>Message log</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>忘记所选网卡、窗口大小和列宽</source>
        <translation>Forget the chosen adapter, the window size and the column widths</translation>
    </message>
    <message>
        <source>导出列表</source>
        <translation>Export list</translation>
    </message>
    <message>
        <source>筛选 (Ctrl+L)</source>
        <translation>Filter (Ctrl+L)</translation>
    </message>
    <message>
        <source>导出列表失败：%1
%2</source>
        <translation>Exporting the list failed: %1
%2</translation>
    </message>
    <message>
        <source>设备列表已导出到 %1</source>
        <translation>Device list exported to %1</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>JSON 文件 (*.json)</source>
        <translation>JSON files (*.json)</translation>
    </message>
    <message>
        <source>显示 %1/%2</source>
        <translation>Showing %1/%2</translation>
    </message>
    <message>
        <source>已恢复默认设置。</source>
        <translation>Default settings restored.</translation>
    </message>
</context>
<context>
    <name>EdidDebug</name>
    <message>
        <source>尚未读取EDID。</source>
        <translation>No EDID read yet.</translation>
    </message>
    <message>
        <source>读取EDID后在此显示解析结果。</source>
        <translation>The decoded EDID appears here after a read.</translation>
    </message>
    <message>
        <source>EDID信息：</source>
        <translation>EDID data:</translation>
    </message>
    <message>
        <source>结果分析：</source>
        <translation>Analysis:</translation>
    </message>
    <message>
        <source>获取设备EDID</source>
        <translation>Read device EDID</translation>
    </message>
    <message>
        <source>获取显示器EDID</source>
        <translation>Read monitor EDID</translation>
    </message>
    <message>
        <source>显示器EDID写入EEPROM</source>
        <translation>Write monitor EDID to EEPROM</translation>
    </message>
    <message>
        <source>清空EDID</source>
        <translation>Clear EDID</translation>
    </message>
    <message>
        <source>EDID锁定状态未知（读取失败），重新进入本页可再次读取。</source>
        <translation>EDID lock state unknown (the read failed); open this page again to read it again.</translation>
    </message>
    <message>
        <source>没有设备数据：EDID锁定状态读取失败，重新进入本页可再次读取。</source>
        <translation>No device data: the EDID lock state could not be read; open this page again to read it again.</translation>
    </message>
</context>
<context>
    <name>tav</name>
    <message>
        <source>关于 Tavmon(&amp;A)...</source>
        <translation>&amp;About Tavmon...</translation>
    </message>
    <message>
        <source>参数配置</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>高级</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>程序升级</source>
        <translation>Firmware upgrade</translation>
    </message>
    <message>
        <source>编码数据检测</source>
        <translation>Encoded stream check</translation>
    </message>
    <message>
        <source>IP与MAC地址</source>
        <translation>IP and MAC address</translation>
    </message>
    <message>
        <source>网络收发</source>
        <translation>Network transport</translation>
    </message>
    <message>
        <source>外设配置</source>
        <translation>Peripherals</translation>
    </message>
    <message>
        <source>视频编码</source>
        <translation>Video encoding</translation>
    </message>
    <message>
        <source>音频编码</source>
        <translation>Audio encoding</translation>
    </message>
    <message>
        <source>音量调节</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>重启设备</source>
        <translation>Restart device</translation>
    </message>
    <message>
        <source>视频质量</source>
        <translation>Video quality</translation>
    </message>
    <message>
        <source>恢复出厂值</source>
        <translation>Factory reset</translation>
    </message>
    <message>
        <source>升级</source>
        <translation>Upgrade</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>搜索设备</source>
        <translation>Search devices</translation>
    </message>
    <message>
        <source>设备IP</source>
        <translation>Device IP</translation>
    </message>
    <message>
        <source>设备名称</source>
        <translation>Device name</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>通信方式</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>其它信息</source>
        <translation>Other information</translation>
    </message>
    <message>
        <source>设备搜索中……</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>未搜索到任何设备。</source>
        <translation>No device found.</translation>
    </message>
    <message>
        <source>搜索到%d个设备。</source>
        <translation>%d devices found.</translation>
    </message>
    <message>
        <source>正常接收</source>
        <translation>Normal receive</translation>
    </message>
    <message>
        <source>组播接收</source>
        <translation>Multicast receive</translation>
    </message>
    <message>
        <source>点播接收</source>
        <translation>On-demand receive</translation>
    </message>
    <message>
        <source>TCP接收</source>
        <translation>TCP receive</translation>
    </message>
    <message>
        <source>RTSP接收</source>
        <translation>RTSP receive</translation>
    </message>
    <message>
        <source>动态切换</source>
        <translation>Dynamic switching</translation>
    </message>
    <message>
        <source>接收C1协议</source>
        <translation>C1 protocol receive</translation>
    </message>
    <message>
        <source>HD编码板</source>
        <translation>HD encoder board</translation>
    </message>
    <message>
        <source>HD解码板</source>
        <translation>HD decoder board</translation>
    </message>
    <message>
        <source>组播发送</source>
        <translation>Multicast send</translation>
    </message>
    <message>
        <source>广播发送</source>
        <translation>Broadcast send</translation>
    </message>
    <message>
        <source>点播发送</source>
        <translation>On-demand send</translation>
    </message>
    <message>
        <source>TCP发送</source>
        <translation>TCP send</translation>
    </message>
    <message>
        <source>接收方式未知</source>
        <translation>Unknown receive mode</translation>
    </message>
    <message>
        <source>自定义</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>SVGA800x600</source>
        <translation>SVGA800x600</translation>
    </message>
    <message>
        <source>SXGA1280x1024</source>
        <translation>SXGA1280x1024</translation>
    </message>
    <message>
        <source>XGA1024x768</source>
        <translation>XGA1024x768</translation>
    </message>
    <message>
        <source>YPbPr</source>
        <translation>YPbPr</translation>
    </message>
    <message>
        <source>未知输出格式</source>
        <translation>Unknown output format</translation>
    </message>
    <message>
        <source>自动识别(VGA或YPbPr)</source>
        <translation>Auto detect (VGA or YPbPr)</translation>
    </message>
    <message>
        <source>VGA_ERROR</source>
        <translation>VGA_ERROR</translation>
    </message>
    <message>
        <source>CVBS</source>
        <translation>CVBS</translation>
    </message>
    <message>
        <source>未知输入格式</source>
        <translation>Unknown input format</translation>
    </message>
    <message>
        <source>设置  %s  &quot;%s&quot;</source>
        <translation>Settings  %s  &quot;%s&quot;</translation>
    </message>
    <message>
        <source>解码板</source>
        <translation>Decoder board</translation>
    </message>
    <message>
        <source>编码板</source>
        <translation>Encoder board</translation>
    </message>
    <message>
        <source>视频位置</source>
        <translation>Video position</translation>
    </message>
    <message>
        <source>网络参数设置失败。
</source>
        <translation>Setting the network parameters failed.
</translation>
    </message>
    <message>
        <source>网络参数设置成功。
</source>
        <translation>Network parameters set.
</translation>
    </message>
    <message>
        <source>IP地址、MAC地址或端口有冲突，请注意提示信息。</source>
        <translation>IP addresses, MAC addresses or ports conflict; see the messages.</translation>
    </message>
    <message>
        <source>单播发送</source>
        <translation>Unicast send</translation>
    </message>
    <message>
        <source>UDP点播</source>
        <translation>UDP on demand</translation>
    </message>
    <message>
        <source>TCP</source>
        <translation>TCP</translation>
    </message>
    <message>
        <source>Depend on ENC</source>
        <translation>Depend on ENC</translation>
    </message>
    <message>
        <source>C1编码板</source>
        <translation>C1 encoder board</translation>
    </message>
    <message>
        <source>解码板接收地址</source>
        <translation>Decoder receive address</translation>
    </message>
    <message>
        <source>编码板发送地址</source>
        <translation>Encoder send address</translation>
    </message>
    <message>
        <source>IP地址和网关不在同一网段，确定需要强制修改?</source>
        <translation>The IP address and the gateway are not in the same subnet. Change them anyway?</translation>
    </message>
    <message>
        <source>设置的IP地址和网关不在同一网段。</source>
        <translation>The IP address and the gateway set are not in the same subnet.</translation>
    </message>
    <message>
        <source>设置视频参数成功。</source>
        <translation>Video parameters set.</translation>
    </message>
    <message>
        <source>设置视频参数失败。</source>
        <translation>Setting the video parameters failed.</translation>
    </message>
    <message>
        <source>设置音频参数成功。</source>
        <translation>Audio parameters set.</translation>
    </message>
    <message>
        <source>设置音频参数失败。</source>
        <translation>Setting the audio parameters failed.</translation>
    </message>
    <message>
        <source>设备重启失败。</source>
        <translation>Restarting the device failed.</translation>
    </message>
    <message>
        <source>设备重启成功。</source>
        <translation>Device restarted.</translation>
    </message>
    <message>
        <source>设置视频质量参数失败。</source>
        <translation>Setting the video quality failed.</translation>
    </message>
    <message>
        <source>设置视频质量参数成功。</source>
        <translation>Video quality set.</translation>
    </message>
    <message>
        <source>用户名或密码错误。</source>
        <translation>Wrong user name or password.</translation>
    </message>
    <message>
        <source>恢复默认值失败。</source>
        <translation>Restoring the defaults failed.</translation>
    </message>
    <message>
        <source>恢复默认值成功。</source>
        <translation>Defaults restored.</translation>
    </message>
    <message>
        <source>网络收发设置成功。</source>
        <translation>Network transport set.</translation>
    </message>
    <message>
        <source>网络收发设置失败。</source>
        <translation>Setting the network transport failed.</translation>
    </message>
    <message>
        <source>设置音量成功。</source>
        <translation>Volume set.</translation>
    </message>
    <message>
        <source>设置音量失败。</source>
        <translation>Setting the volume failed.</translation>
    </message>
    <message>
        <source>IP与MAC地址：获取设备状态成功。</source>
        <translation>IP and MAC address: device status read.</translation>
    </message>
    <message>
        <source>获取设备状态失败。</source>
        <translation>Reading the device status failed.</translation>
    </message>
    <message>
        <source>网络收发：获取设备状态成功。</source>
        <translation>Network transport: device status read.</translation>
    </message>
    <message>
        <source>视频编码：获取设备状态成功。</source>
        <translation>Video encoding: device status read.</translation>
    </message>
    <message>
        <source>音频编码：获取设备状态成功。</source>
        <translation>Audio encoding: device status read.</translation>
    </message>
    <message>
        <source>音量调节：获取设备状态成功。</source>
        <translation>Volume: device status read.</translation>
    </message>
    <message>
        <source>视频质量参数：获取设备状态成功。</source>
        <translation>Video quality: device status read.</translation>
    </message>
    <message>
        <source>线路</source>
        <translation>Line</translation>
    </message>
    <message>
        <source>IP地址</source>
        <translation>IP address</translation>
    </message>
    <message>
        <source>总码率</source>
        <translation>Total bit rate</translation>
    </message>
    <message>
        <source>视频码率</source>
        <translation>Video bit rate</translation>
    </message>
    <message>
        <source>音频码流</source>
        <translation>Audio bit rate</translation>
    </message>
    <message>
        <source>重启</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>编码检测</source>
        <translation>Encoder check</translation>
    </message>
    <message>
        <source>批量设置</source>
        <translation>Batch settings</translation>
    </message>
    <message>
        <source>选中设备列表</source>
        <translation>Selected devices</translation>
    </message>
    <message>
        <source>Windows 通信端口初始化失败。</source>
        <translation>Initialising the network sockets failed.</translation>
    </message>
    <message>
        <source>广播监听端口被占用! 
<byte value="xd"/>该程序是否重复运行?</source>
        <translation>The broadcast listening port is taken! 
<byte value="xd"/>Is the program already running?</translation>
    </message>
    <message>
        <source>发起设备搜索。</source>
        <translation>Device search started.</translation>
    </message>
    <message>
        <source>输入地址或端口不合法，请按提示操作。</source>
        <translation>The address or port entered is not valid; follow the hint.</translation>
    </message>
    <message>
        <source>发起批量重启。</source>
        <translation>Batch restart started.</translation>
    </message>
    <message>
        <source>发起批量重置。</source>
        <translation>Batch factory reset started.</translation>
    </message>
    <message>
        <source>手动添加设备失败。
该设备不在线。</source>
        <translation>Adding the device failed.
The device is not online.</translation>
    </message>
    <message>
        <source>手动添加设备成功。</source>
        <translation>Device added.</translation>
    </message>
    <message>
        <source>YPbPr1080P@50Hz</source>
        <translation>YPbPr1080P@50Hz</translation>
    </message>
    <message>
        <source>YPbPr1080P@60Hz</source>
        <translation>YPbPr1080P@60Hz</translation>
    </message>
    <message>
        <source>YPbPr1080i@50Hz</source>
        <translation>YPbPr1080i@50Hz</translation>
    </message>
    <message>
        <source>YPbPr1080i@60Hz</source>
        <translation>YPbPr1080i@60Hz</translation>
    </message>
    <message>
        <source>YPbPr720P@50Hz</source>
        <translation>YPbPr720P@50Hz</translation>
    </message>
    <message>
        <source>YPbPr720P@60Hz</source>
        <translation>YPbPr720P@60Hz</translation>
    </message>
    <message>
        <source>YPbPr1080P@25Hz</source>
        <translation>YPbPr1080P@25Hz</translation>
    </message>
    <message>
        <source>YPbPr1080P@30Hz</source>
        <translation>YPbPr1080P@30Hz</translation>
    </message>
    <message>
        <source>调试</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>i2c调试</source>
        <translation>i2c debug</translation>
    </message>
    <message>
        <source>RTSP</source>
        <translation>RTSP</translation>
    </message>
    <message>
        <source>用户协议C1</source>
        <translation>Customer protocol C1</translation>
    </message>
    <message>
        <source>HDMI_1080P</source>
        <translation>HDMI_1080P</translation>
    </message>
    <message>
        <source>HDMI_720P</source>
        <translation>HDMI_720P</translation>
    </message>
    <message>
        <source>SDI编码器</source>
        <translation>SDI encoder</translation>
    </message>
    <message>
        <source>DVI编码板</source>
        <translation>DVI encoder board</translation>
    </message>
    <message>
        <source>HDMI</source>
        <translation>HDMI</translation>
    </message>
    <message>
        <source>RTMP</source>
        <translation>RTMP</translation>
    </message>
    <message>
        <source>IP地址与网关地址冲突，请重新配置</source>
        <translation>The IP address is the gateway address; configure again</translation>
    </message>
    <message>
        <source>IP地址与网络地址冲突，请重新配置</source>
        <translation>The IP address is the network address; configure again</translation>
    </message>
    <message>
        <source>IP地址与广播地址冲突，请重新配置</source>
        <translation>The IP address is the broadcast address; configure again</translation>
    </message>
    <message>
        <source>通用i2c调试</source>
        <translation>General i2c debug</translation>
    </message>
    <message>
        <source>子网掩码</source>
        <translation>Subnet mask</translation>
    </message>
    <message>
        <source>命令执行成功</source>
        <translation>Command done</translation>
    </message>
    <message>
        <source>命令执行失败</source>
        <translation>Command failed</translation>
    </message>
    <message>
        <source>位置错误</source>
        <translation>Position error</translation>
    </message>
    <message>
        <source>Onvif</source>
        <translation>Onvif</translation>
    </message>
    <message>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <source>ID号</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>T810</source>
        <translation>T810</translation>
    </message>
    <message>
        <source>Onvif接收</source>
        <translation>Onvif receive</translation>
    </message>
    <message>
        <source>锁定EDID</source>
        <translation>Lock EDID</translation>
    </message>
    <message>
        <source>EDID调试</source>
        <translation>EDID debug</translation>
    </message>
    <message>
        <source>T4500</source>
        <translation>T4500</translation>
    </message>
    <message>
        <source>时间设置</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>OSD设置</source>
        <translation>OSD</translation>
    </message>
    <message>
        <source>存储设置</source>
        <translation>Storage</translation>
    </message>
    <message>
        <source>请确认参数，如IP</source>
        <translation>Please check the parameters, e.g. the IP</translation>
    </message>
    <message>
        <source>确认要设置为DHCP模式？</source>
        <translation>Switch to DHCP?</translation>
    </message>
    <message>
        <source>SPI调试</source>
        <translation>SPI debug</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>已被添加进信任列表，无需多次添加</source>
        <translation>Already in the trust list; no need to add it again</translation>
    </message>
    <message>
        <source>添加信任列表成功</source>
        <translation>Added to the trust list</translation>
    </message>
    <message>
        <source>未找到受支持的防火墙（ufw 或 firewalld），信任列表未添加。
如果使用其它防火墙，请手动放行UDP端口5007和6006。</source>
        <translation>No supported firewall (ufw or firewalld) found; nothing was added to the trust list.
With another firewall, allow UDP ports 5007 and 6006 by hand.</translation>
    </message>
    <message>
        <source>添加信任列表失败（可能需要管理员权限）：
</source>
        <translation>Adding to the trust list failed (administrator rights may be needed):
</translation>
    </message>
    <message>
        <source>搜索的接收缓冲区只得到 </source>
        <translation>The search's receive buffer got only </translation>
    </message>
    <message>
        <source>请求 </source>
        <translation>asked for </translation>
    </message>
    <message>
        <source>，大量设备同时应答时可能丢失应答；可调大 net.core.rmem_max。</source>
        <translation>; answers may be lost when many boards answer at once (raise net.core.rmem_max).</translation>
    </message>
    <message>
        <source>所选网卡地址</source>
        <translation>The chosen adapter address </translation>
    </message>
    <message>
        <source>已不在本机上，改为在所有网卡上接收应答。</source>
        <translation> is no longer on this PC; answers are taken on every adapter.</translation>
    </message>
    <message>
        <source>搜索请求发送失败：</source>
        <translation>Sending the search request failed: </translation>
    </message>
    <message>
        <source>Tavmon 编解码设备局域网诊断工具</source>
        <translation>Tavmon codec board LAN diagnostic tool</translation>
    </message>
    <message>
        <source>内部版本</source>
        <translation> internal build</translation>
    </message>
    <message>
        <source>外设配置成功。</source>
        <translation>Peripheral settings set.</translation>
    </message>
    <message>
        <source>外设配置失败。</source>
        <translation>Setting the peripherals failed.</translation>
    </message>
    <message>
        <source>外设：获取设备状态成功。</source>
        <translation>Peripherals: device status read.</translation>
    </message>
    <message>
        <source>视频位置：获取设备状态成功。</source>
        <translation>Video position: device status read.</translation>
    </message>
    <message>
        <source>获取码流信息失败。</source>
        <translation>Reading the stream information failed.</translation>
    </message>
    <message>
        <source>数据检测正在运行。</source>
        <translation>Stream check is running.</translation>
    </message>
    <message>
        <source>创建SDK句柄失败。</source>
        <translation>Creating the SDK handle failed.</translation>
    </message>
    <message>
        <source>编码板启动失败。
注意：单播状态无法进行数据检测。</source>
        <translation>Starting on the encoder board failed.
Note: a unicast stream cannot be checked.</translation>
    </message>
    <message>
        <source>端口绑定失败。</source>
        <translation>Binding the port failed.</translation>
    </message>
    <message>
        <source>开始数据检测。</source>
        <translation>Stream check started.</translation>
    </message>
    <message>
        <source>停止数据检测失败。</source>
        <translation>Stopping the stream check failed.</translation>
    </message>
    <message>
        <source>停止数据检测。</source>
        <translation>Stream check stopped.</translation>
    </message>
    <message>
        <source>没有检测到编码板。</source>
        <translation>No encoder board found.</translation>
    </message>
    <message>
        <source>视频位置设置成功。</source>
        <translation>Video position set.</translation>
    </message>
    <message>
        <source>寄存器读取成功。</source>
        <translation>Register read.</translation>
    </message>
    <message>
        <source>寄存器写入成功。</source>
        <translation>Register written.</translation>
    </message>
    <message>
        <source>寄存器地址不合法。
最小值：0x1C71C00
最大值：0x1C71F80</source>
        <translation>Register address not valid.
Lowest: 0x1C71C00
Highest: 0x1C71F80</translation>
    </message>
    <message>
        <source>解锁EDID</source>
        <translation>Unlock EDID</translation>
    </message>
    <message>
        <source>更改密码</source>
        <translation>Change password</translation>
    </message>
    <message>
        <source>MAC地址冲突</source>
        <translation>MAC address conflict</translation>
    </message>
    <message>
        <source>组播地址和端口冲突</source>
        <translation>Multicast address and port conflict</translation>
    </message>
    <message>
        <source>广播地址和端口冲突</source>
        <translation>Broadcast address and port conflict</translation>
    </message>
    <message>
        <source>单播地址和端口冲突</source>
        <translation>Unicast address and port conflict</translation>
    </message>
    <message>
        <source>单播与广播的地址和端口冲突</source>
        <translation>Unicast and broadcast address and port conflict</translation>
    </message>
    <message>
        <source>：超出范围，请输入 </source>
        <translation>: out of range, enter a whole number in </translation>
    </message>
    <message>
        <source> 之间的整数。</source>
        <translation>.</translation>
    </message>
    <message>
        <source>：地址的每一段须在 0-255 之间，请重新输入。</source>
        <translation>: each part of the address must be 0-255; enter it again.</translation>
    </message>
    <message>
        <source>：地址不完整，请输入四段数字，如 192.168.18.235。</source>
        <translation>: the address is incomplete; enter four numbers, e.g. 192.168.18.235.</translation>
    </message>
    <message>
        <source>设备名称不能为空，请输入设备名称后再设置。</source>
        <translation>The device name cannot be empty; enter a name and apply again.</translation>
    </message>
    <message>
        <source>IP地址冲突</source>
        <translation>IP address conflict</translation>
    </message>
</context>
<context>
    <name>tav::QtNotifier</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tav::RegisterPageView</name>
    <message>
        <source>I2C地址:</source>
        <translation>I2C address:</translation>
    </message>
    <message>
        <source>寄存器:</source>
        <translation>Register:</translation>
    </message>
    <message>
        <source>寄存器值:</source>
        <translation>Register value:</translation>
    </message>
    <message>
        <source>I2C总线:</source>
        <translation>I2C bus:</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>读出</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入列表</source>
        <translation>List to write</translation>
    </message>
    <message>
        <source>读出列表</source>
        <translation>List read</translation>
    </message>
    <message>
        <source>&lt;-- 复制</source>
        <translation>&lt;-- Copy</translation>
    </message>
    <message>
        <source>写入所有</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>读出所有</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>复制读出列表到写入列表</source>
        <translation>Copy the list read into the list to write</translation>
    </message>
</context>
<context>
    <name>tav::ServicePage</name>
    <message>
        <source>没有设备数据：读取设备参数失败，请检查设备后按“%1”重试。</source>
        <translation>No device data: reading the device failed. Check the device and press “%1” to try again.</translation>
    </message>
</context>
<context>
    <name>tav::SettingsPage</name>
    <message>
        <source>没有设备数据：读取设备参数失败，请检查设备后按“刷新”重试。</source>
        <translation>No data from the device: reading its settings failed. Check the device and press &quot;Refresh&quot; to try again.</translation>
    </message>
</context>
<context>
    <name>tav::batch::BatchPageBase</name>
    <message>
        <source>各设备结果</source>
        <translation>Result per device</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
</TS>
