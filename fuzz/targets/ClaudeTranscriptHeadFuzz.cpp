// The first lines of a transcript the Claude client wrote: the working folder
// they name decides whether the probe's clean-up may delete the file, so it is
// named only by a complete line within the bound, and the same by every line
// that names one.
#include "FuzzTarget.h"

#include "providers/claude/ClaudeTranscriptPruning.h"

using namespace meterix;

METERIX_FUZZ_TARGET(claude_transcript_head) {
    const QByteArray head = fuzz::bytes(data, size).left(kTranscriptHeadBytes);
    const auto whole = transcriptWorkingFolder(head, true);
    const auto cut = transcriptWorkingFolder(head, false);
    // Reading one more line (the last, unterminated) never names another folder:
    // it either agrees or makes the lines disagree, which names none.
    if (cut && whole) METERIX_FUZZ_CHECK(cut == whole);
    if (cut) METERIX_FUZZ_CHECK(head.contains('\n'));
}
