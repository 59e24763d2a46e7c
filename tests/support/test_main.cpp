// Every test program starts from here: the runtime is reset before each test.
#include <gtest/gtest.h>

#include "reset_runtime.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetRuntimeEach);
  return RUN_ALL_TESTS();
}
