#include "panels/MenuScreenContext.h"

#include "core/MeterixPreferences.h"

namespace meterix {

bool MenuScreenContext::masksEmails() const {
    return !preferences || preferences->maskAccountEmails();
}

} // namespace meterix
