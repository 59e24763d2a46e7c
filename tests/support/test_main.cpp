// Every test program starts from here: the runtime is reset before each test.
#include <gtest/gtest.h>

#include "runtime/startup.h"

namespace {
class ResetRuntimeEach : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { hi::ResetRuntime(); }
  void OnTestEnd(const ::testing::TestInfo&) override { hi::ResetRuntime(); }
};
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ResetRuntimeEach);
  return RUN_ALL_TESTS();
}
