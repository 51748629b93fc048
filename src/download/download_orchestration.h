#pragma once
#include <string>

namespace tilvo {

// Creates the folder `path` (its parent must exist) with full rights for every user, inherited by what is
// created in it later. Reports nothing: callers check afterwards whether the folder exists.
void CreateDirectoryForEveryone(const std::string& path);

}  // namespace tilvo
