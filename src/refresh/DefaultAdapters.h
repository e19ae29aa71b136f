#pragma once

#include "core/AIProviderAdapter.h"

#include <QList>

#include <memory>

namespace meterix {

// One production adapter per provider, in catalogue order, on the real home
// folder, environment, HTTP transport, probe gate and process runner.
QList<std::shared_ptr<AIProviderAdapter>> defaultAdapters();

} // namespace meterix
