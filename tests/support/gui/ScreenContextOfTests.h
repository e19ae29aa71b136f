#pragma once

#include "core/Localization.h"
#include "panels/MenuScreenContext.h"
#include "platform/ui/Appearance.h"

namespace meterix::test {

// A screen context with the test program's one appearance (whose look
// test::showLook sets) and its language, where the test hands none.
inline MenuScreenContext withLook(MenuScreenContext context) {
    if (!context.appearance) context.appearance = &Appearance::shared();
    if (!context.localization) context.localization = &Localization::shared();
    return context;
}

} // namespace meterix::test
