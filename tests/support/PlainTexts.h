#pragma once

#include "core/L10n.h"

#include <QList>

namespace meterix::test {

// Every plain text case, in table order, for sweeps over all texts.
inline const QList<L10n::Case>& plainCases() {
    static const QList<L10n::Case> cases = {
#define METERIX_L10N_PLAIN(name, ko, en) L10n::Case::name,
#include "core/L10nPlainTexts.inc"
#undef METERIX_L10N_PLAIN
    };
    return cases;
}

} // namespace meterix::test
