#pragma once
#include <memory>
#include <string>

#include "platform/registry.h"

namespace tilvo::platform::linux_host {

// The registry kept in an SQLite database file. Safe for several threads and processes at once: every
// change is one transaction, so a killed process leaves either the old or the new state.
// `native64`: the system is 64-bit, so the program's default (32-bit) view of HKLM\SOFTWARE is redirected.
std::unique_ptr<Registry> createSqliteRegistry(const std::string& databaseFile, bool native64);

}  // namespace tilvo::platform::linux_host
