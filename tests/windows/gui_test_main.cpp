// Start-up as the program does it, minus the window: each test makes its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include "app/app_state.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  OleInitialize(nullptr);
  kestrivo::InitState();
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
