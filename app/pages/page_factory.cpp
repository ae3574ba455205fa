#include "pages/page_factory.h"

#include "pages/identity_page.h"
#include "pages/simple_pages.h"
#include "pages/transport_page.h"

namespace tav {

QWidget* CreateRightView(int view, PageHost& host, QWidget* parent) {
  switch (view) {
    case 0:
      return new CRightView0(host, parent);
    case 1:
      return new CRightView1(host, parent);
    case 3:
      return new CRightView3(host, parent);
    case 4:
      return new CRightView4(host, parent);
    case 5:
      return new CRightView5(host, parent);
    case 7:
      return new CRightView7(host, parent);
    case 8:
      return new CRightView8(host, parent);
    case 9:
      return new CRightView9(host, parent);
    default:
      return new CRightView12(host, parent);
  }
}

}  // namespace tav
