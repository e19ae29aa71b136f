#pragma once

#include "core/Localization.h"
#include "platform/ui/Appearance.h"
#include "shell/BarServices.h"

namespace meterix::test {

// The bar's services as a test program has them: its one appearance (whose
// look test::showLook sets) and its language.
inline BarServices barServices() { return BarServices{Appearance::shared(), Localization::shared()}; }

} // namespace meterix::test
