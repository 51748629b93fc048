// The end-to-end tests run under Xvfb with a browser engine: its cache and data go to a temporary folder,
// never to the user's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/sandbox.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  tilvo::testing::TempFolder home;
  for (const char* name : {"XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
    const std::string folder = home.path() + "/" + name;
    std::filesystem::create_directories(folder);
    ::setenv(name, folder.c_str(), 1);
  }
  return RUN_ALL_TESTS();
}
