#include "shell/BarSelection.h"

namespace meterix {

BarSelection::BarSelection(std::function<void(AIProviderType)> onChosen, QObject* parent)
    : QObject(parent), onChosen_(std::move(onChosen)) {}

void BarSelection::set(std::optional<AIProviderType> provider) {
    if (provider != current_) {
        current_ = provider;
        Q_EMIT changed(provider);
    }
    if (provider && onChosen_) onChosen_(*provider);
}

} // namespace meterix
