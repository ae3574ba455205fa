#pragma once
// The page a tree item opens while its page is not built: it says so plainly.

#include "pages/settings_page.h"

namespace tav {
struct PageRow;
}

// CNotBuiltPage: "not available in this version", under the page's own title.
class CNotBuiltPage : public tav::SettingsPage {
  Q_OBJECT
 public:
  CNotBuiltPage(const tav::PageRow& row, tav::PageHost& host, QWidget* parent = nullptr);

 protected:
  void onInitialUpdate() override {}
};
