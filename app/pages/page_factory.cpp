#include "pages/page_factory.h"

namespace tav {

QWidget* CreateRightView(int, PageHost&, QWidget*) { return nullptr; }

}  // namespace tav
