// Figures to the tenth, as "%.1f" rounds them, for the history, the run log and the JSON
// alike: a figure at a half, such as 0.15, may round either way in binary, and the three
// records of one run must say the same.
#pragma once

#include <string>

// `value` to 0.1: "12.3".
std::string TenthsText(double value);
// The same, empty where `value` is negative or not a number (not measured).
std::string KnownTenthsText(double value);
// `value` rounded to 0.1 as TenthsText writes it.
double Tenths(double value);
