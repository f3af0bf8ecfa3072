#include "common/ForeignWindow.h"
#include "common/SuiteGuard.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Started again by a test to show a form of another process.
    int exitCode = 0;
    if (RunForeignWindowProcess(argc, argv, exitCode)) return exitCode;
    testing::InitGoogleTest(&argc, argv);
    InstallSuiteGuard();
    return RUN_ALL_TESTS();
}
