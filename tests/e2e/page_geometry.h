#pragma once
// Where a page's elements lie when it is shown at a given size, measured in a browser engine of the test's
// own (an offscreen view): the same page at the same size lays out the same in the installer's window.
#include <map>
#include <string>
#include <vector>

#include "desktop.h"

namespace tilvo::testing {

// Loads `url` in a view of `width` x `height`, runs `scripts` in the page in order (to bring it into the
// state the installer's page will be in), and returns the rectangle of the first element matching each of
// `selectors`, relative to the page's top-left corner. A selector that matches nothing is left out.
std::map<std::string, ScreenRect> elementRects(const std::string& url, int width, int height,
                                               const std::vector<std::string>& selectors,
                                               const std::vector<std::string>& scripts = {});

}  // namespace tilvo::testing
