// The record of one test run for the customer and the support desk: a log of its steps
// with each transfer's bytes and time and, on failure, the cause; for a finished run, its
// line of the result history. Pure text: no window, file or network.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "kernel/types.h"
#include "speedtest/connection.h"
#include "speedtest/history_format.h"
#include "speedtest/latency.h"
#include "speedtest/line_direction.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/subscription.h"

class CRunRecord {
 public:
  // A run that started at `start` against `server`:`port`.
  CRunRecord(std::time_t start, const std::string& server, INTERNET_PORT port);

  // Who started the run ("window", "cli" or "schedule"), for the log and the history line.
  void Origin(const std::string& origin);
  // The step now under way ("log-in", "download 200Ktest.rnd", ...).
  void Step(const std::string& step);
  // A remark on the step under way, on a line of its own.
  void Note(const std::string& note);
  // The step under way moved `bytes` in `seconds`.
  void Transferred(DWORD bytes, double seconds);
  // The step under way failed; `cause` says why.
  void Failed(const std::string& cause);
  // The round trip to the server and the jitter of `samples` idle ones, in milliseconds;
  // negative when not measured.
  void RoundTrip(double ms, double jitterMs, std::size_t samples);
  // The round trip under load in each direction, the grade and the retransmissions.
  void Latency(const CLatency& latency);
  // The data the run moved each way, in bytes; before Finished, for its history line.
  void DataMoved(unsigned long long downloaded, unsigned long long uploaded);
  // The computer's own connection and its other traffic; before Finished, for its history
  // line.
  void Connection(const CConnection& connection);
  // The customer's subscription and what each direction's best figure says of it; before
  // Finished, for its history line. Nothing where no subscription is set.
  void Subscription(const CSubscription& subscription, const CSubscriptionVerdict& download,
                    const CSubscriptionVerdict& upload);
  // The whole line in one direction, as its phase found it.
  void WholeLine(bool upload, const CLineDirection& line);
  // The run ended with these rates, the download measured on `downloadFile`, this latency
  // and, where it was measured, this whole line.
  void Finished(const CRateRecord& download, const CRateRecord& upload,
                const std::string& downloadFile, int attempts, const CLatency& latency,
                const CLineFigure& lineDownload = CLineFigure(),
                const CLineFigure& lineUpload = CLineFigure());

  // The run's start, ISO 8601 UTC; the step under way.
  const std::string& Timestamp() const { return m_timestamp; }
  const std::string& CurrentStep() const { return m_step; }
  // The log of the run so far, one line each, beginning with the run's heading line.
  const std::string& LogText() const { return m_log; }
  // The run's line of the result history; empty unless the run finished.
  const std::string& ResultLine() const { return m_result; }

 private:
  std::time_t m_start;
  std::string m_timestamp;
  std::string m_server;  // "host:port"
  std::string m_origin;
  std::string m_step;
  std::string m_log;
  std::string m_result;
  double m_downloadedMB = -1.0;
  double m_uploadedMB = -1.0;
  CConnection m_connection;
  bool m_connectionKnown = false;
  CSpeedPair m_subscribed;  // the maximum each way
};

// `log` with `run` added, less its oldest runs, so that at most `maxRuns` runs and
// `maxBytes` bytes remain (the newest run always stays, cut to `maxBytes` if need be).
std::string AppendRunToLog(const std::string& log, const std::string& run, std::size_t maxRuns,
                           std::size_t maxBytes);
