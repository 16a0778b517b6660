#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Japanese failure texts print readably on the terminal that runs Wine.
  SetConsoleOutputCP(CP_UTF8);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
