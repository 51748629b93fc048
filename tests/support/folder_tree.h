#pragma once
// What a folder holds, to compare before and after: relative path -> file content, "<folder>" or
// "<link to TARGET>". Links are listed, never followed.
#include <map>
#include <string>

namespace tilvo::testing {

std::map<std::string, std::string> folderTree(const std::string& hostFolder);

}  // namespace tilvo::testing
