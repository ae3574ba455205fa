#pragma once
// Where the parts built after the shell plug into the main window. main() fills them in; a
// hook left empty leaves its action doing nothing.

#include <functional>

class CBoardCtrl;
class CTavmonDlg;
class QWidget;

namespace tav {

class Notifier;

struct ShellHooks {
  // "批量设置": creates the batch window (CCtrlWndMul); the main window places and shows it.
  std::function<QWidget*(CTavmonDlg& main)> createBatchWindow;
  // Ctrl+F: runs the batch maintenance dialog modally.
  std::function<void(CTavmonDlg& main)> runMaintenanceDialog;
  // End of every search, after the conflict check: the link diagnosis (DiagnoseLinks).
  std::function<void(CBoardCtrl& boards, Notifier& notifier)> diagnoseLinks;
};

ShellHooks& shellHooks();

}  // namespace tav
