#pragma once
// Calls from the program into the page's script.
#include <string>

#include "platform/browser.h"

namespace tilvo {

// Runs `code` in the window of the browser's page. True when it was handed over and ran without an error;
// false without a document, and false with the forced line "Javascript error <message> in: " and the code
// when it failed.
bool ExecJavaScript(platform::Browser& browser, const std::string& code);

// The page calls, built by plain formatting. Nothing is escaped: a name holding a double quote makes a
// script that fails, and the page receives exactly what the server sent.
std::string InstInfoScript(int total, int current);  // instinfo("total","current")
std::string SelectThemeScript(const std::string& name);  // select_theme("name")

}  // namespace tilvo
