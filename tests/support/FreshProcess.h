#pragma once

#include <QString>

#include <functional>

namespace meterix::test {

// Runs check in a fresh process of the test program (the test run again from
// its start by GoogleTest's death-test machinery, not a fork of this process)
// and fails the test when check says what went wrong. For what must begin in
// a process that has not made its default connections yet (the D-Bus buses).
void expectInFreshProcess(const std::function<QString()>& check);

} // namespace meterix::test
