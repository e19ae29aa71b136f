#pragma once

namespace meterix {

// A command row's role: an ordinary command, or one that ends something (quit),
// drawn in red.
enum class MenuRowRole { standard, destructive };

} // namespace meterix
