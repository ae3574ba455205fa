#pragma once
// The program's icon (resource 128 of the original program), drawn once.

class QIcon;

namespace tav {

const QIcon& AppIcon();

}  // namespace tav
