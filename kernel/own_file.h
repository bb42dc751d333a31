// Files that only the user's own program writes: a log, a history.
#pragma once

#include <functional>
#include <string>

// Opens `path` (created with mode 0600 when missing), hands its whole content to `rewrite`
// and puts what that returns in its place. False, with the file untouched, when it is a
// symbolic link, not a regular file, not the user's own, or cannot be read or written.
bool RewriteOwnFile(const std::string& path,
                    const std::function<std::string(const std::string&)>& rewrite);
