// Makes a test program fail fast and loudly instead of hanging or passing quietly: a crash
// (an exception no handler takes, a C++ terminate) or a test that runs past its limit
// prints what happened and in which test, and ends the program with a non-zero code at
// once, without a debugger or an error box.
#pragma once

// The limit of one test, in seconds: VELMORA_TEST_LIMIT when set, otherwise this.
constexpr int kDefaultTestLimitSeconds = 120;

// Call once, after testing::InitGoogleTest.
void InstallSuiteGuard();
