#pragma once

#include <QString>

namespace meterix::test {

// Points HOME and the XDG folders at root, sets UTC and the offscreen platform,
// and clears the variables that would make a test read the real machine.
void prepareTestEnvironment(const QString& root);

} // namespace meterix::test
