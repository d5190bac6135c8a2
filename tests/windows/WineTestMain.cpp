#include <gtest/gtest.h>

#include <cstring>

#include "tests/windows/WindowOwnerProcess.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], WindowOwnerProcess::kOption) == 0) {
        return WindowOwnerProcess::Run(argc, argv);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
