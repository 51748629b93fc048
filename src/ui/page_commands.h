#pragma once
// The page's commands: a click on an element whose alt attribute carries "type=<command>".
#include <string>
#include <vector>

namespace tilvo {

// Splits `text` at every `delimiter` as the runtime reads delimited text with a strict delimiter: blanks
// stay in the entries, an entry that begins with `quote` is unwrapped up to its closing quote (a doubled
// quote stands for one), and a closing delimiter adds an empty entry.
std::vector<std::string> SplitDelimitedText(const std::string& text, char delimiter = ',', char quote = '"');

// The value of the first "name=value" entry whose name equals `name` without regard to letter case;
// empty when there is none.
std::string ValueOfName(const std::vector<std::string>& entries, const std::string& name);

// The command of an alt text: the value of its first "type" entry.
std::string PageCommandOfAlt(const std::string& alt);

}  // namespace tilvo
