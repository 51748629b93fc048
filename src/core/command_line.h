#pragma once
#include <string>

namespace tilvo {

// Argument `index` of the command line (1 = the first after the program); empty when absent.
std::string ParamStr(int index);

}  // namespace tilvo
