// Every test starts and ends with the runtime as before building: loops inert, no start-up actions.
#pragma once

#include <gtest/gtest.h>

#include "runtime/startup.h"

class ResetRuntimeEach : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { hi::ResetRuntime(); }
  void OnTestEnd(const ::testing::TestInfo&) override { hi::ResetRuntime(); }
};
