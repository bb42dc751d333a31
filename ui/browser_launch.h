// Starting the user's browser on one page.
#pragma once

#include <string>

// Opens `url` with `browser` as FindDefaultBrowser gave it: no shell, no waiting. False
// when it cannot be started; nothing is shown either way.
bool OpenWithBrowser(const std::string& browser, const std::string& url);
