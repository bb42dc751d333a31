// Whole local files for tests, on either platform.
#pragma once

#include <string>

// The whole content of a local file; empty when it is missing.
std::string ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
