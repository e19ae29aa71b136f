#pragma once

namespace meterix {

// Stack size of the threads that parse other tools' files. Left to the C
// library it follows the user's stack limit (2 MiB when that is unlimited), and
// the parsers' depth bounds are chosen for this much. Pages are only touched
// when used, so the size costs no memory.
inline constexpr unsigned kWorkerStackBytes = 8u << 20;

} // namespace meterix
