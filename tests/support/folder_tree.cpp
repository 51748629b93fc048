#include "support/folder_tree.h"

#include <filesystem>

#include "support/sandbox.h"

namespace tilvo::testing {

std::map<std::string, std::string> folderTree(const std::string& hostFolder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(hostFolder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const std::string relative = it->path().lexically_relative(hostFolder).string();
    if (it->is_symlink())
      tree[relative] = "<link to " + fs::read_symlink(it->path()).string() + ">";
    else if (it->is_directory())
      tree[relative] = "<folder>";
    else
      tree[relative] = readFile(it->path().string());
  }
  return tree;
}

}  // namespace tilvo::testing
