// The result's Danish text in the status field: the rates and the product they match, and
// the notes under them (the whole line, files left on the test server, ...). Pure text.
#pragma once

#include <string>
#include <vector>

#include "speedtest/line_meter.h"
#include "speedtest/rate_conversion.h"

// The whole text for the status field at the end of a run.
std::string ResultText(const CRateRecord& download, const CRateRecord& upload);
// A whole-line figure of `kbit` kbit/s as Mbit/s of a million bits, "mindst" before a lower
// bound: "mindst 284,9".
std::string LineMbitText(double kbit, bool atLeast);
// The whole line's directions as Danish text ("280,1 Mbit/s ned, mindst 264,9 Mbit/s op"):
// each measured one (kbit/s not negative) in Mbit/s of a million bits, "mindst" before a
// lower bound; empty when neither was measured.
std::string WholeLineDirections(double downloadKbit, bool downloadAtLeast, double uploadKbit,
                                bool uploadAtLeast);
// The result text's note on the whole line: "Hele linjen: " and its directions; empty when
// neither was measured.
std::string WholeLineText(const CLineFigure& download, const CLineFigure& upload);
// The note for the whole line's uploads that could not be deleted from the test server;
// empty when none were left.
std::string LeftFilesText(const std::vector<std::string>& files);
// How many lines the status field shows.
constexpr int kResultFieldLines = 6;
// `result` with the `notes` that are not empty under it, one line each, in their order of
// weight, within `lines` lines: after a blank line where there is room for one, and only as
// many as there is room for.
std::string WithNotes(const std::string& result, const std::vector<std::string>& notes, int lines);
