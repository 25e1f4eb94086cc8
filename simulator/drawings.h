#pragma once

#include <QPixmap>

namespace tavro::simu {

// The window's own decorations, drawn here rather than shipped as files.
QPixmap coinsPicture(int size);      // Picture1: a stack of coins
QPixmap calculatorPicture(int size); // Picture2: a pocket calculator

} // namespace tavro::simu
