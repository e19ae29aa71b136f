#pragma once

#include "platform/ui/Appearance.h"

#include <QColor>

namespace meterix {

// The controls' accent: the system blue the desktop's own accent stands in for
// (sRGB 0, 122, 255 in the light look, 10, 132, 255 in the dark one).
QColor accentColor(Appearance::Scheme scheme);
QColor accentColor();

} // namespace meterix
