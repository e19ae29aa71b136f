#pragma once

#include "core/UsageSnapshot.h"

#include <QString>

#include <optional>

namespace meterix {

// An e-mail address shown without its local part: its first user-perceived
// character, "***", then the "@" and the domain. Nothing when the address has
// no "@" after at least one character (it is then shown as it is).
//
// Addresses are found in what a reader sees: format characters (zero-width
// spaces and joiners, directional marks, soft hyphens, byte-order marks) are
// passed over, and hidden with the local part they stand in; a full-width "＠",
// "%40" and "&#64;" (or "&#x40;") count as an "@".
std::optional<QString> maskedEmail(const QString& address);

// Every e-mail address inside a text written in the masked form above, the rest
// of the text untouched: "mina.kim@example.com's Organization" reads
// "m***@example.com's Organization". An address is a run of the characters an
// address's local part may hold, an "@", and a domain of letters, digits,
// hyphens and dots (a full stop or hyphen after it belongs to the sentence). In
// a run of "@"s each one begins an address: "x@mina@example.com" reads
// "x***@m***@example.com". Masking a masked text changes nothing. Everything
// the app shows or speaks while masking is on goes through this.
QString maskEmailAddresses(const QString& text);

// A reading as it is shown while masking is on: the texts in it that come from
// outside (the account, the plan, the quota names and notes, the error) with
// their addresses masked.
UsageSnapshot withEmailAddressesMasked(UsageSnapshot snapshot);

} // namespace meterix
