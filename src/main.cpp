// Program entry: the Linux platform under the installer's logic.
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "core/startup.h"
#include "platform/linux/linux_platform.h"

int main(int argc, char** argv) {
  try {
    tilvo::platform::install(tilvo::platform::linux_host::createLinuxPlatform(argc, argv));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Tilvo_install.exe: %s\n", e.what());
    return 1;
  }
  const int code = tilvo::RunProgram();
  // Worker threads are never stopped or awaited: they end with the process, before any static state
  // they may still use is destroyed.
  std::fflush(nullptr);
  ::_exit(code);
}
