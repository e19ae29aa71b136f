#pragma once

#include "accounts/AccountResolver.h"
#include "core/AIProviderAdapter.h"

#include <QList>

#include <memory>

namespace meterix {

// One production adapter per provider, in catalogue order, on the real home
// folder, environment, HTTP transport, probe gate and process runner.
QList<std::shared_ptr<AIProviderAdapter>> defaultAdapters();
// The account resolvers of the four account families (Claude, Codex, Gemini,
// Cursor), on the real home folder and environment.
QList<std::shared_ptr<AccountResolver>> defaultAccountResolvers();

} // namespace meterix
