#pragma once

#include "core/UsageSnapshot.h"

#include <QString>

#include <optional>

namespace meterix {

// An e-mail address shown without its local part: its first user-perceived
// character, "***", then the "@" and the rest, in which any further address is
// masked too ("x@mina@example.com" reads "x***@m***@example.com"). The value
// holds no format characters once masked (a joiner inside the first character
// aside), so it can neither be reordered on screen nor hide a character. When
// the value has no "@" after at least one character it is masked as a text
// (below), and nothing is returned when that leaves it as it is.
//
// Addresses are found in what a reader sees: format characters (zero-width
// spaces and joiners, directional marks and overrides, soft hyphens, byte-order
// marks) are passed over, and an "@" may be written in any of the ways a reader
// still takes for one: "＠", "﹫", "%40", "%2540", "&#64;", "&#x040;",
// "&commat;", "&amp;#64;", "\u0040", "\x40", "\u{40}".
std::optional<QString> maskedEmail(const QString& address);

// Every e-mail address inside a text written in the masked form above, the rest
// of the text untouched: "mina.kim@example.com's Organization" reads
// "m***@example.com's Organization". The local part is everything a reader takes
// for one: the run of characters before the "@" up to white space, a bracket or
// quotation mark, or one of , ; : < > [ ] \ / " (a look-alike of a full stop,
// such as a one dot leader, is part of it), or a quoted one ("mina kim"@x.org
// reads "m***"@x.org). The domain is a run of letters, digits, hyphens and dots
// (a full stop or hyphen after it belongs to the sentence), and it must be a
// name: a full stop in it and a last label led by a letter, so that
// "sonnet-3-5-v2@20241022", "python@3.12" and "Team@Work plan" are no
// addresses. In a run of "@"s each one begins an address: "x@mina@example.com"
// reads "x***@m***@example.com". An address split by a line break (LF, CR,
// U+2028, U+2029) before or after its "@", or inside its domain, is found
// whole. The format characters in and beside an address are left out, and so
// are the overrides before one in its paragraph (they could reorder it on
// screen); every other bidi control stays. Masking a masked text changes
// nothing. Everything the app shows or speaks while masking is on goes through
// this. Its work is linear in the text, whatever the text.
QString maskEmailAddresses(const QString& text);

// The same, with how many times it looked at a character of the text on the
// way (what tests hold to a few times the text's length).
struct MaskingWork {
    QString text;
    qint64 characterVisits = 0;
};
MaskingWork maskEmailAddressesCounted(const QString& text);

// A reading as it is shown while masking is on: the texts in it that come from
// outside (the account, the plan, the quota names and notes, the error) with
// their addresses masked; the account's address as an address (maskedEmail),
// whatever its domain.
UsageSnapshot withEmailAddressesMasked(UsageSnapshot snapshot);

} // namespace meterix
