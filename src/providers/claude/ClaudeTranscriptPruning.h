#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace meterix {

// The transcripts our own Claude Code probes leave. The client files a
// session's transcript (one JSON object a line) in a project folder named after
// its working folder, a name that many folders share (every character but an
// ASCII letter or digit becomes "-": "Meterix-ClaudeProbe" and
// "Meterix_ClaudeProbe" give the same). So a transcript counts as the probe's
// only when its lines themselves say they were written in the probe's folder:
// each line carries the session's working folder as "cwd".

// The name the client gives the project folder of a working folder (its real,
// absolute path). Past kMaxClaudeProjectFolderName units the client shortens
// the name and adds a hash whose spelling has changed between its releases:
// then nothing, and nothing is pruned.
inline constexpr qsizetype kMaxClaudeProjectFolderName = 200;
std::optional<QString> claudeProjectFolderName(const QString& workingFolder);

// How much of a transcript is read to learn where it was written.
inline constexpr qsizetype kTranscriptHeadBytes = 64 * 1024;
inline constexpr int kTranscriptHeadLines = 16;

// The working folder the first lines of a transcript (`head`, at most its first
// kTranscriptHeadBytes; `whole` when that is the whole file) name; nothing when
// none of the first kTranscriptHeadLines complete lines names one, or when they
// name different ones (a session that moved is the user's).
std::optional<QString> transcriptWorkingFolder(const QByteArray& head, bool whole);

// Keeps the newest `keeping` of the probe's own transcripts in the project
// folder the client keeps for `probeFolder` in `projectsFolder`, and deletes
// the others. Only regular ".jsonl" files directly in it whose working folder is
// exactly `probeFolder` are candidates: never a folder, never anything reached
// through a symbolic link, never a session of the user's that shares the name.
void pruneClaudeProbeTranscripts(const QString& projectsFolder, const QString& probeFolder, int keeping);

} // namespace meterix
