// The statistics of the latency figures, without a network.
#include "speedtest/latency.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Latency, QuantilesTrimmedMeanAndJitter) {
  EXPECT_LT(Median({}), 0.0);
  EXPECT_LT(TrimmedMean({}, 0.95), 0.0);
  EXPECT_LT(Jitter({5.0}), 0.0);
  EXPECT_DOUBLE_EQ(Median({7.0}), 7.0);
  EXPECT_DOUBLE_EQ(Median({9.0, 1.0, 5.0}), 5.0);       // unsorted, odd
  EXPECT_DOUBLE_EQ(Median({4.0, 1.0, 3.0, 2.0}), 2.5);  // even: between the middle two
  // 0, 10, ..., 100: each share lands on its own rank, between ranks by the share.
  std::vector<double> tens;
  for (int i = 10; i >= 0; --i) tens.push_back(i * 10.0);
  for (int percent = 0; percent <= 100; percent += 5) {
    EXPECT_NEAR(Quantile(tens, percent / 100.0), percent, 1e-9) << percent;
  }
  EXPECT_DOUBLE_EQ(Quantile(tens, 1.5), 100.0);
  EXPECT_DOUBLE_EQ(Quantile(tens, -1.0), 0.0);

  // The best 95% of 20 samples are 19, so the one outlier goes; of 40 they are 38, so of
  // three outliers one stays.
  std::vector<double> samples(19, 10.0);
  samples.push_back(1000.0);
  EXPECT_DOUBLE_EQ(TrimmedMean(samples, 0.95), 10.0);
  samples.assign(37, 10.0);
  samples.insert(samples.end(), 3, 1000.0);
  EXPECT_NEAR(TrimmedMean(samples, 0.95), (37 * 10.0 + 1000.0) / 38.0, 1e-9);
  EXPECT_DOUBLE_EQ(TrimmedMean({30.0}, 0.95), 30.0);  // never fewer than one

  // Consecutive differences, not the spread: a steady climb has a jitter of its step.
  EXPECT_DOUBLE_EQ(Jitter({20.0, 21.0, 22.0, 23.0}), 1.0);
  EXPECT_DOUBLE_EQ(Jitter({20.0, 30.0, 20.0}), 10.0);
  EXPECT_DOUBLE_EQ(Jitter({20.0, 20.0}), 0.0);
}

TEST(Latency, GradeEdgesAndTheWorseDirection) {
  struct Edge {
    double below;
    const char* grade;
  };
  const Edge edges[] = {{5, "A+"}, {30, "A"}, {60, "B"}, {200, "C"}, {400, "D"}};
  for (std::size_t i = 0; i < std::size(edges); ++i) {
    EXPECT_STREQ(LatencyGrade(std::nextafter(edges[i].below, 0.0)), edges[i].grade);
    EXPECT_STREQ(LatencyGrade(edges[i].below), i + 1 < std::size(edges) ? edges[i + 1].grade : "F");
  }
  EXPECT_STREQ(LatencyGrade(0.0), "A+");
  EXPECT_STREQ(LatencyGrade(5000.0), "F");

  EXPECT_EQ(WorseGrade("A+", "A"), "A");
  EXPECT_EQ(WorseGrade("A", "A+"), "A");
  EXPECT_EQ(WorseGrade("C", "B"), "C");
  EXPECT_EQ(WorseGrade("A+", "F"), "F");
  EXPECT_EQ(WorseGrade("", "D"), "D");
  EXPECT_EQ(WorseGrade("B", ""), "B");
  EXPECT_EQ(WorseGrade("", ""), "");

  EXPECT_DOUBLE_EQ(RoundTripsPerMinute(20.0), 3000.0);
  EXPECT_LT(RoundTripsPerMinute(0.0), 0.0);
  EXPECT_STREQ(ResponsivenessWords(299.9), "Poor");
  EXPECT_STREQ(ResponsivenessWords(300.0), "Fair");
  EXPECT_STREQ(ResponsivenessWords(1000.0), "Good");
  EXPECT_STREQ(ResponsivenessWords(6000.0), "Good");
  EXPECT_STREQ(ResponsivenessWords(6000.1), "Excellent");
}

TEST(Latency, SummaryOfARun) {
  // Idle 20 ms; download loaded at 245 ms (F), upload 22-26 ms (its estimate dipping below
  // the idle minimum counts as no increase: A+); 3 of 1000 bytes sent again.
  const CLatency run =
      SummariseLatency(20.0, {22, 20, 22, 20}, {100, 250, 240, 260, 245}, {26, 19, 22}, 1000, 3);
  EXPECT_EQ(run.idleSamples, 4);
  EXPECT_DOUBLE_EQ(run.jitterMs, 2.0);
  EXPECT_EQ(run.download.samples, 5);
  EXPECT_DOUBLE_EQ(run.download.medianMs, 245.0);
  EXPECT_DOUBLE_EQ(run.download.p90Ms, 256.0);
  EXPECT_DOUBLE_EQ(run.download.increaseMs, 225.0);
  EXPECT_EQ(run.download.grade, "D");
  EXPECT_DOUBLE_EQ(run.upload.increaseMs, 2.0);
  EXPECT_EQ(run.upload.grade, "A+");
  EXPECT_EQ(run.grade, "D");
  EXPECT_DOUBLE_EQ(run.uploadRetransmittedPct, 0.3);
  // Of the eight loaded samples the best seven (95%) make the responsiveness.
  EXPECT_NEAR(run.rpm, 60000.0 / ((19 + 22 + 26 + 100 + 240 + 245 + 250) / 7.0), 1e-9);

  const CLatency none = SummariseLatency(-1.0, {}, {}, {50.0}, 0, 0);
  EXPECT_LT(none.idleMs, 0.0);
  EXPECT_LT(none.jitterMs, 0.0);
  EXPECT_EQ(none.download.samples, 0);
  EXPECT_LT(none.download.medianMs, 0.0);
  EXPECT_EQ(none.upload.samples, 1);
  EXPECT_LT(none.upload.increaseMs, 0.0);  // no idle figure to compare with: no grade
  EXPECT_EQ(none.grade, "");
  EXPECT_LT(none.uploadRetransmittedPct, 0.0);
}

}  // namespace
