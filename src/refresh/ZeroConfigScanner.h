#pragma once

#include "core/AIProviderAdapter.h"

#include <QList>

#include <memory>

namespace meterix {

// Asks every adapter, one after another, whether its tool is on this machine.
// Blocking: runs off the GUI thread.
class ZeroConfigScanner {
  public:
    explicit ZeroConfigScanner(QList<std::shared_ptr<AIProviderAdapter>> adapters)
        : allAdapters_(std::move(adapters)) {}

    // The adapters that answered yes, in list order. An adapter that throws
    // counts as not available.
    QList<std::shared_ptr<AIProviderAdapter>> scanAvailableProviders() const;


  private:
    QList<std::shared_ptr<AIProviderAdapter>> allAdapters_;
};

} // namespace meterix
