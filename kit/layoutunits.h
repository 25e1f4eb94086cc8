#pragma once

#include <QRect>

namespace tavro {

// Window layouts are drawn in twips: 15 to a pixel at 96 dots per inch.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace tavro
