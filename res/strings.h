// The string table.
#pragma once

#include <string>

// The text of string resource `id`; empty when there is none.
std::string LoadResourceString(int id);
