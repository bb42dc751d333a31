#include "speedtest/rate_conversion.h"
#include "speedtest/result_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "speedtest/connection.h"
#include "speedtest/subscription.h"

namespace {

CRateRecord Measure(double kbit, double seconds, bool download) {
  CRateRecord record;
  const int index = ComputeRate(kbit, seconds, &record);
  record.matched =
      download ? MatchDownloadTier(index, record.tier) : MatchUploadTier(index, record.tier);
  return record;
}

TEST(RateConversion, WorkedExampleGivesTheSixLineResult) {
  const CRateRecord download = Measure(kLargeFileKbit, 9.6, true);
  const CRateRecord upload = Measure(kSmallFileKbit, 3.7, false);
  EXPECT_EQ(download.tier, "2048");
  EXPECT_EQ(upload.tier, "512");
  EXPECT_EQ(ResultText(download, upload),
            "Testresultat\n"
            "\n"
            "Test af download:  2007 kbit/s (omregnet fra 1706 kbit/s)\n"
            "Test af upload:       508 kbit/s (omregnet fra  432 kbit/s)\n"
            "\n"
            "Testresultatet passer til Lumvik Bredbånd 2048/512");
}

TEST(RateConversion, ThreeDigitDownloadTierKeepsItsBlank) {
  CRateRecord download{300, 470.0, true, " 512"};
  CRateRecord upload{400, 470.0, true, "512"};
  const std::string text = ResultText(download, upload);
  EXPECT_EQ(text.substr(text.rfind('\n') + 1),
            "Testresultatet passer til Lumvik Bredbånd  512/512");
}

TEST(RateConversion, NoTierSentenceUnlessBothMatched) {
  const CRateRecord download = Measure(kSmallFileKbit, 6.0, true);  // small file at 6.0 s
  EXPECT_FALSE(download.matched);
  EXPECT_EQ(download.tier, "");
  const CRateRecord upload = Measure(kSmallFileKbit, 3.7, false);
  EXPECT_EQ(ResultText(download, upload),
            "Testresultat\n\n"
            "Test af download:   313 kbit/s (omregnet fra  266 kbit/s)\n"
            "Test af upload:       508 kbit/s (omregnet fra  432 kbit/s)");
}

TEST(RateConversion, WideRatesOverflowTheFieldWithoutLosingDigits) {
  const CRateRecord download = Measure(kLargeFileKbit, 2.0, true);
  const std::string text = ResultText(download, download);
  EXPECT_NE(text.find("Test af download:  9637 kbit/s (omregnet fra 8192 kbit/s)"),
            std::string::npos);
  const CRateRecord fast = Measure(kLargeFileKbit, 0.05, true);
  EXPECT_NE(ResultText(fast, fast).find("385505 kbit/s (omregnet fra 327680 kbit/s)"),
            std::string::npos);
}

TEST(RateConversion, RawRateAtANominalTierValueMatchesNothing) {
  const CRateRecord download = Measure(kLargeFileKbit, 8.0, true);
  EXPECT_DOUBLE_EQ(download.raw, 2048.0);
  EXPECT_FALSE(download.matched);
}

TEST(TierMatching, EachWindowFromItsFirstIndexToItsLast) {
  // Each window's first and last index and those just outside it; null: no tier.
  const struct {
    int index;
    const char* download;
    const char* upload;
  } cases[] = {{-1, nullptr, nullptr},  {0, nullptr, nullptr},   {9, nullptr, nullptr},
               {10, " 128", "128"},     {16, " 128", "128"},     {17, nullptr, nullptr},
               {22, nullptr, nullptr},  {23, " 256", "256"},     {32, " 256", "256"},
               {33, nullptr, nullptr},  {46, nullptr, nullptr},  {47, " 512", "512"},
               {64, " 512", "512"},     {65, nullptr, nullptr},  {96, nullptr, nullptr},
               {97, "1024", nullptr},   {128, "1024", nullptr},  {129, nullptr, nullptr},
               {196, nullptr, nullptr}, {197, "2048", nullptr},  {256, "2048", nullptr},
               {257, nullptr, nullptr}, {394, nullptr, nullptr}, {395, "4096", nullptr},
               {512, "4096", nullptr},  {513, nullptr, nullptr}, {788, nullptr, nullptr},
               {789, "8192", nullptr},  {1024, "8192", nullptr}, {1025, nullptr, nullptr}};
  for (const auto& c : cases) {
    std::string downloadTier = "kept";
    std::string uploadTier = "kept";
    EXPECT_EQ(MatchDownloadTier(c.index, downloadTier), c.download != nullptr) << c.index;
    EXPECT_EQ(downloadTier, c.download ? c.download : "kept") << c.index;
    EXPECT_EQ(MatchUploadTier(c.index, uploadTier), c.upload != nullptr) << c.index;
    EXPECT_EQ(uploadTier, c.upload ? c.upload : "kept") << c.index;
  }
}

TEST(RateConversion, IndexTruncatesTheConvertedRateInUnitsOf8) {
  // converted 135.99 -> index 16; 136.0 -> 17
  CRateRecord record;
  EXPECT_EQ(ComputeRate(135.99 / kConversionFactor, 1.0, &record), 16);
  EXPECT_EQ(ComputeRate(136.0 / kConversionFactor, 1.0, &record), 17);
}

TEST(RateConversion, ZeroAndNonsenseTimesHaveDefinedResults) {
  CRateRecord zero;
  const int index = ComputeRate(kSmallFileKbit, 0.0, &zero);  // within one tick
  EXPECT_DOUBLE_EQ(zero.raw, 1600000.0);
  EXPECT_FALSE(MatchDownloadTier(index, zero.tier));

  CRateRecord nan;
  EXPECT_EQ(ComputeRate(kSmallFileKbit, std::numeric_limits<double>::quiet_NaN(), &nan), 0);
  EXPECT_NE(ResultText(nan, nan).find("   0 kbit/s (omregnet fra    0 kbit/s)"), std::string::npos);

  EXPECT_EQ(TruncateToInt(std::numeric_limits<double>::infinity()), 2147483647);
  EXPECT_EQ(TruncateToInt(-std::numeric_limits<double>::infinity()), -2147483647 - 1);
  EXPECT_EQ(TruncateToInt(-1.9), -1);
  EXPECT_EQ(TruncateToInt(1e300), 2147483647);
}

// The notes under the result fill the status field's six lines and no more: a blank line
// before them where there is room, the weightiest first where not all fit.
TEST(RateConversion, NotesFillTheFieldsSixLinesInTheirOrder) {
  const std::string four = "Testresultat\n\nned\nop";
  EXPECT_EQ(WithNotes(four, {"", "a", ""}, kResultFieldLines), four + "\n\na");
  EXPECT_EQ(WithNotes(four, {"a", "", "b"}, kResultFieldLines), four + "\na\nb");
  EXPECT_EQ(WithNotes(four, {"a", "b", "c"}, kResultFieldLines), four + "\na\nb");
  EXPECT_EQ(WithNotes(four, {"a", "b", "c"}, 9), four + "\n\na\nb\nc");
  EXPECT_EQ(WithNotes(four + "\n\nprodukt", {"a"}, kResultFieldLines), four + "\n\nprodukt");
  EXPECT_EQ(WithNotes(four, {}, kResultFieldLines), four);
}

// The computer's own connection: a figure at 90% of a cable's speed or over Wi-Fi is bounded
// by it, and the result says so before any other traffic; other traffic is said only above
// 5% of the figure, and what the interface counted is taken less the packets' headers and
// the run's own bytes.
TEST(ConnectionJudging, BoundAtItsEdgeAndOtherTrafficAboveItsShare) {
  const double kbitPerMbit = 1e6 / 1024.0;
  CConnection card;
  card.link = {"eth0", LinkKind::kCable, 100.0};
  EXPECT_TRUE(ConnectionBounds(card.link, 90.0 * kbitPerMbit));
  EXPECT_FALSE(ConnectionBounds(card.link, 89.9 * kbitPerMbit));
  EXPECT_FALSE(ConnectionBounds({"eth0", LinkKind::kCable, -1.0}, 1e9));
  EXPECT_TRUE(ConnectionBounds({"wlan0", LinkKind::kWifi, -1.0}, 1.0));
  EXPECT_FALSE(ConnectionBounds({"wlan0", LinkKind::kWifi, -1.0}, -1.0));  // not measured

  card.otherDownloadMbit = 40.0;
  EXPECT_EQ(ConnectionText(card, 94.0 * kbitPerMbit, 10.0 * kbitPerMbit),
            "Netværkskortet kører 100 Mbit/s: linjen kan være hurtigere.");
  EXPECT_EQ(ConnectionText({{"wlan0", LinkKind::kWifi, -1.0}, 0.0, 0.0}, 1.0, 1.0),
            "Målt over Wi-Fi: linjen kan være hurtigere.");
  card.otherUploadMbit = 0.5;  // exactly 5% of the upload's figure: not said
  EXPECT_EQ(ConnectionText(card, 50.0 * kbitPerMbit, 10.0 * kbitPerMbit),
            "Anden trafik under testen: 40,0 Mbit/s ned.");
  card.otherDownloadMbit = 2.5;
  EXPECT_EQ(ConnectionText(card, 50.0 * kbitPerMbit, 10.0 * kbitPerMbit), "");
  card.householdDownloadMbit = 2.6;  // the router's count includes this computer's
  EXPECT_EQ(ConnectionText(card, 50.0 * kbitPerMbit, 10.0 * kbitPerMbit),
            "Anden trafik under testen: 2,6 Mbit/s ned.");

  COtherTraffic traffic(66);
  CLinkCounters counters;
  counters.known = true;
  traffic.Begin(counters);
  counters.receivedBytes = 1000 * 1514 + 500 * 1066;  // ours in full frames, others' too
  counters.receivedPackets = 1500;
  counters.sentBytes = 999999;  // the download's acknowledgements: not the download's
  traffic.End(counters, false, 1000 * 1448, 2.0);
  EXPECT_DOUBLE_EQ(traffic.Mbit(false), 500 * 1000 * 8.0 / 1e6 / 2.0);
  EXPECT_LT(traffic.Mbit(true), 0.0);
  traffic.Begin(counters);
  counters.sentBytes = 0;  // the interface came up again: the span says nothing
  traffic.End(counters, true, 0, 1.0);
  EXPECT_LT(traffic.Mbit(true), 0.0);
}

// The speeds as typed, the file read back or refused whole, and a figure judged at the
// speeds' edges.
TEST(Subscription, SpeedsTypedKeptAndJudged) {
  CSpeedPair pair;
  EXPECT_TRUE(ParseSpeedPair("2,5/0.5", &pair));
  EXPECT_EQ(SpeedPairText(pair), "2.5/0.5");
  for (const char* bad : {"300", "300/", "/300", "0/1", "1/100001", "1./2", ",5/1", "1,2,3/4",
                          "-1/2", "1/2/3", "1 /2", "3x/300", ""}) {
    EXPECT_FALSE(ParseSpeedPair(bad, &pair)) << bad;
  }
  EXPECT_EQ(SpeedPairText(pair), "2.5/0.5");  // a refused text changes nothing

  CSubscription subscription;
  ParseSpeedPair("300/300", &subscription.maximum);
  ParseSpeedPair("270/270", &subscription.normallyAvailable);
  ParseSpeedPair("150/100", &subscription.minimum);
  const std::string file = SubscriptionFileText(subscription);
  EXPECT_EQ(SubscriptionFileText(ParseSubscriptionFile(file)), file);
  EXPECT_FALSE(ParseSubscriptionFile(file + "maximum=1/\n").IsSet());
  EXPECT_FALSE(ParseSubscriptionFile(file + "minimum=400/1\n").IsSet());  // above the maximum
  EXPECT_FALSE(ParseSubscriptionFile("\x01\xff").IsSet());
  EXPECT_EQ(SubscriptionProblem(ParseSubscriptionFile(file)), "");

  const double kbitPerMbit = 1e6 / 1024.0;
  const CSubscriptionVerdict down =
      JudgeBySubscription(subscription, false, 270.0 * kbitPerMbit, false);
  EXPECT_DOUBLE_EQ(down.shareOfMaximum, 0.9);
  EXPECT_EQ(down.normallyAvailable, 1);
  EXPECT_EQ(JudgeBySubscription(subscription, false, 269.9 * kbitPerMbit, false).normallyAvailable,
            0);
  const CSubscriptionVerdict up = JudgeBySubscription(subscription, true, 99.9 * kbitPerMbit, true);
  EXPECT_EQ(up.minimum, 0);
  EXPECT_EQ(SubscriptionText(down, up), "Af abonnementet: 90 % ned, mindst 33 % op.");
  EXPECT_LT(JudgeBySubscription(CSubscription(), false, 1.0, false).shareOfMaximum, 0.0);
  EXPECT_EQ(JudgeBySubscription(subscription, true, -1.0, false).shareOfMaximum, -1.0);
}

}  // namespace
