#pragma once

#include "core/AIProviderType.h"

#include <QObject>

#include <functional>
#include <optional>

namespace meterix {

// Whose card the floating bar has open, if anyone's. The bar asks for a
// selection here; the window's controller and the bar follow it. Choosing a
// provider also hands it to onChosen (the composition root fetches its reading
// then), even when it was already chosen. GUI thread.
class BarSelection : public QObject {
    Q_OBJECT

public:
    explicit BarSelection(std::function<void(AIProviderType)> onChosen = {}, QObject* parent = nullptr);

    std::optional<AIProviderType> current() const { return current_; }
    bool isCardOpen() const { return current_.has_value(); }
    // Nothing closes the card.
    void set(std::optional<AIProviderType> provider);

Q_SIGNALS:
    void changed(std::optional<meterix::AIProviderType> provider);

private:
    std::function<void(AIProviderType)> onChosen_;
    std::optional<AIProviderType> current_;
};

} // namespace meterix

Q_DECLARE_METATYPE(std::optional<meterix::AIProviderType>)
