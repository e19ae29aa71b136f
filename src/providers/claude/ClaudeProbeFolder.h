#pragma once

namespace meterix {

// The folder our own Claude Code probe runs in. Its transcripts are our doing,
// not the user's work, so the activity filter ignores every path that names it
// and the Claude adapter creates (and prunes) it under this same name.
inline constexpr const char* kClaudeProbeFolderName = "Meterix-ClaudeProbe";

} // namespace meterix
