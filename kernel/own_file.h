// Files that only the user's own program writes: a log, a history. Each call refuses a path
// that is a link, not a regular file, a second link to another file or not the user's own,
// and leaves such a file untouched; a failure's cause is the system's words with the path.
#pragma once

#include <string>

// Reads `path` whole into `content`; a missing file reads as empty.
bool ReadOwnFile(const std::string& path, std::string* content, std::string* failure);
// Puts `content` in place of `path`: a new file beside it, flushed to the disk, renamed over
// it. Whenever the process dies, `path` holds the old content or the new, never a mix.
bool ReplaceOwnFile(const std::string& path, const std::string& content, std::string* failure);
// Adds `text` at the end of `path` (made with mode 0600 when missing), flushed to the disk.
bool AppendOwnFile(const std::string& path, const std::string& text, std::string* failure);
// Deletes `path`; a missing file is no failure.
bool RemoveOwnFile(const std::string& path, std::string* failure);
