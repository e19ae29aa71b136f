// A token from another tool's credential file: its claims decode or not, never
// more than that.
#include "FuzzTarget.h"

#include "accounts/JWTClaims.h"

using namespace meterix;

METERIX_FUZZ_TARGET(jwt_claims) {
    const QString token = QString::fromUtf8(fuzz::bytes(data, size));
    if (const auto claims = JWTClaims::payload(token)) {
        // Claims come only from a token with a payload part.
        METERIX_FUZZ_CHECK(token.contains(QLatin1Char('.')));
        (void)claims->keys();
    }
}
