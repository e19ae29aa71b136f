#pragma once

#include "core/UsageUnavailableReason.h"

class QWidget;

namespace meterix {

// The guidance block of a reading without a figure, as the detail card and the
// provider's panel screen both show it: an inset section titled with the
// notice's header, holding its mark (a warning for a fault, else an
// information mark), its title and its detail.
QWidget* unavailableNoticeSection(const UsageUnavailableNotice& notice, QWidget* parent = nullptr);

} // namespace meterix
