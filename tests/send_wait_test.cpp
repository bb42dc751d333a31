// The wait on what the system tells of sent data, against a system played by the test: a
// line that takes `bytesPerMs` and acknowledges what left `ackDelayMs` earlier.
#include "ftp/send_wait.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ftp/internet_exception.h"

namespace {

class FakeLine : public SendStateProbe {
 public:
  bool Query(socket_api::SendState* state) override {
    ++queries;
    if (!canTell) return false;
    const unsigned long long sent = std::min<unsigned long long>(written, now * bytesPerMs);
    const long long ackedAt = std::max(0LL, now - ackDelayMs);
    const unsigned long long acked = std::min<unsigned long long>(sent, ackedAt * bytesPerMs);
    state->unsent = written - sent;
    state->allAcknowledged = acked == written;
    return true;
  }
  long long NowMs() override { return now; }
  void Pause(int microseconds) override {
    ++pauses;
    pausedUs += microseconds;
    elapsedUs += microseconds;
    now = elapsedUs / 1000;
  }
  bool ReportWaiting() override {
    ++asks;
    return now >= stopAtMs;
  }

  bool canTell = true;
  unsigned long long written = 0;
  unsigned long long bytesPerMs = 16;
  long long ackDelayMs = 20;
  long long stopAtMs = 1LL << 40;
  long long now = 0;
  long long elapsedUs = 0;
  int queries = 0;
  int pauses = 0;
  long long pausedUs = 0;
  int asks = 0;
};

DWORD ErrorOf(FakeLine& line, int timeoutMs) {
  try {
    WaitForSendState(
        line, [](const socket_api::SendState& s) { return s.allAcknowledged; }, timeoutMs,
        "acknowledgement");
  } catch (CInternetException* e) {
    const DWORD error = e->m_dwError;
    e->Delete();
    return error;
  }
  return 0;
}

TEST(SendWaitTest, UnsentBoundAndAcknowledgementAreWaitedForBySleeping) {
  FakeLine line;
  line.written = 4096 + 16 * 1024;
  const auto bounded = [](const socket_api::SendState& s) { return s.unsent <= 16 * 1024; };
  EXPECT_EQ(WaitForSendState(line, bounded, 60000, "send"), SendWaitEnd::kReached);
  EXPECT_EQ(line.now, 256);  // 4096 bytes at 16 per ms
  socket_api::SendState state;
  line.Query(&state);
  EXPECT_LE(state.unsent, 16u * 1024);
  EXPECT_GT(state.unsent, 16u * 1024 - 16 * 2);

  const auto acknowledged = [](const socket_api::SendState& s) { return s.allAcknowledged; };
  EXPECT_EQ(WaitForSendState(line, acknowledged, 60000, "acknowledgement"), SendWaitEnd::kReached);
  EXPECT_EQ(line.now, 1280 + 20);  // all sent, then one acknowledgement delay
  // It slept between looks, and slept most of the time: no spinning.
  EXPECT_EQ(line.queries, line.pauses + 3);
  EXPECT_GE(line.pausedUs, 1299 * 1000);
  EXPECT_LT(line.pauses, 1300 * 1000 / 250 + 100);
  // The owner was asked about every 100 ms.
  EXPECT_GE(line.asks, 11);
  EXPECT_LE(line.asks, 14);
}

TEST(SendWaitTest, TimeOutCancellationAndASystemThatCannotTell) {
  FakeLine slow;
  slow.written = 1 << 20;
  EXPECT_EQ(ErrorOf(slow, 500), ERROR_INTERNET_TIMEOUT);
  EXPECT_GE(slow.now, 500);
  EXPECT_LT(slow.now, 502);

  FakeLine closed;
  closed.written = 1 << 20;
  closed.stopAtMs = 250;
  EXPECT_EQ(ErrorOf(closed, 60000), ERROR_INTERNET_OPERATION_CANCELLED);
  EXPECT_LT(closed.now, 250 + kWaitSliceMs + 2);

  FakeLine blind;
  blind.canTell = false;
  blind.written = 4096;
  EXPECT_EQ(WaitForSendState(
                blind, [](const socket_api::SendState&) { return true; }, 60000, "acknowledgement"),
            SendWaitEnd::kCannotTell);
  EXPECT_EQ(blind.pauses, 0);
}

}  // namespace
