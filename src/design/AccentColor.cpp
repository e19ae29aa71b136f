#include "design/AccentColor.h"

namespace meterix {

QColor accentColor(Appearance::Scheme scheme) {
    return scheme == Appearance::Scheme::dark ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

QColor accentColor() {
    return accentColor(Appearance::shared().scheme());
}

} // namespace meterix
