// The arithmetic of the history chart, apart from its drawing so that it is tested without a
// display: the rate axis and its steps, the time axis and its labels, and the series cut
// where runs lie too far apart to join.
#pragma once

#include <ctime>
#include <string>
#include <vector>

// A value axis from 0 to `top`, marked every `step`: round numbers (1, 2 or 5 times a power
// of ten) that hold `highest` with about `marks` steps.
struct CValueAxis {
  double top;
  double step;
};
CValueAxis ValueAxis(double highest, int marks);

// The time axis's marks between `from` and `to`: whole hours, days or months as the span
// needs, about `marks` of them, each with its label in the computer's time zone ("14:00",
// "09-12", "dec 2026").
struct CTimeMark {
  std::time_t time;
  std::string label;
};
std::vector<CTimeMark> TimeMarks(std::time_t from, std::time_t to, int marks);

// The indices of `times` (ascending) split into runs of points to join with lines: a new
// piece begins where two neighbours lie more than `gapSeconds` apart.
std::vector<std::vector<std::size_t>> JoinedPieces(const std::vector<std::time_t>& times,
                                                   std::time_t gapSeconds);
// Of the points `piece` (indices into `times` and `values`, ascending in time), those to draw
// across `columns` pixel columns spanning `from` to `to`: in each column the lowest and the
// highest, in their order, so that ten thousand runs draw as fast as a few hundred and look
// the same. Negative values are not drawn and are left out.
std::vector<std::size_t> ColumnExtremes(const std::vector<std::size_t>& piece,
                                        const std::vector<std::time_t>& times,
                                        const std::vector<double>& values, std::time_t from,
                                        std::time_t to, int columns);
// The gap beyond which runs are not joined: three hours, or a fiftieth of the span if that
// is longer, so that hourly runs join and a day without runs shows as one.
std::time_t JoiningGap(std::time_t span);
