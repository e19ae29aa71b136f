#pragma once

#include <QString>

namespace meterix::test {

// Points HOME and the XDG folders at root, sets UTC and the offscreen platform,
// clears the variables that would make a test read the real machine, and
// installs the providers' catalogue.
void prepareTestEnvironment(const QString& root);

} // namespace meterix::test
