#pragma once

#include <QIcon>

namespace lb {

// The programs' icon: the desktop's icon theme's "letterbay" when installed, else the copy
// built into the program.
QIcon programIcon();

} // namespace lb
