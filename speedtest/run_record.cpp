#include "speedtest/run_record.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "kernel/calendar.h"
#include "speedtest/tenths.h"

namespace {

std::string LoadedText(const char* direction, const CLoadedLatency& loaded) {
  std::string text =
      std::string(direction) + (loaded.wholeLine ? " under load (whole line): " : " under load: ");
  if (loaded.samples == 0) return text + "not measured\n";
  text += "round trip median " + KnownTenthsText(loaded.medianMs) + " ms, 90th percentile " +
          KnownTenthsText(loaded.p90Ms) + " ms";
  if (!loaded.grade.empty()) {
    text += ", " + KnownTenthsText(loaded.increaseMs) + " ms over idle, grade " + loaded.grade;
  }
  return text + " (" + std::to_string(loaded.samples) + " samples)\n";
}

constexpr char kRunHeading[] = "== ";

std::string Format(const char* format, double a, double b) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// Where each run of `log` begins.
std::vector<std::size_t> RunStarts(const std::string& log) {
  std::vector<std::size_t> starts;
  for (std::size_t at = 0; at < log.size();) {
    if (log.compare(at, sizeof kRunHeading - 1, kRunHeading) == 0) starts.push_back(at);
    const std::size_t end = log.find('\n', at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return starts;
}

}  // namespace

CRunRecord::CRunRecord(std::time_t start, const std::string& server, INTERNET_PORT port)
    : m_start(start),
      m_timestamp(UtcTimestamp(start)),
      m_server(server + ":" + std::to_string(port)) {
  m_log = kRunHeading + m_timestamp + " test run against " + server + " port " +
          std::to_string(port) + "\n";
}

void CRunRecord::Origin(const std::string& origin) {
  m_origin = origin;
  m_log += "started from: " + origin + "\n";
}

void CRunRecord::Step(const std::string& step) {
  m_step = step;
  m_log += step + "\n";
}

void CRunRecord::Note(const std::string& note) {
  m_log += m_step + ": " + note + "\n";
}

void CRunRecord::Transferred(DWORD bytes, double seconds) {
  m_log += m_step + ": " + std::to_string(bytes) + " bytes in " +
           std::to_string(static_cast<long long>(seconds * 1000.0 + 0.5)) + " ms\n";
}

void CRunRecord::Failed(const std::string& cause) {
  std::string oneLine = cause;
  for (char& c : oneLine) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  m_log += "failed in " + m_step + ": " + oneLine + "\n";
}

void CRunRecord::RoundTrip(double ms, double jitterMs, std::size_t samples) {
  const std::string text = KnownTenthsText(ms);
  const std::string jitter = KnownTenthsText(jitterMs);
  m_log += "round trip to the server: " + (text.empty() ? "not measured" : text + " ms") +
           ", jitter " + (jitter.empty() ? "not measured" : jitter + " ms") + " over " +
           std::to_string(samples) + " idle round trips\n";
}

void CRunRecord::Latency(const CLatency& latency) {
  m_log += LoadedText("download", latency.download) + LoadedText("upload", latency.upload);
  m_log += "latency grade: " + (latency.grade.empty() ? "not measured" : latency.grade);
  if (latency.rpm > 0.0) {
    m_log += "; responsiveness " + std::to_string(std::lround(latency.rpm)) + " RPM (" +
             ResponsivenessWords(latency.rpm) + ")";
  }
  const std::string retransmitted = KnownTenthsText(latency.uploadRetransmittedPct);
  m_log += std::string("\nupload retransmitted") +
           (latency.retransmittedOnWholeLine ? " (whole line): " : ": ") +
           (retransmitted.empty() ? "not measured" : retransmitted + "% of the bytes sent") + "\n";
}

void CRunRecord::WholeLine(bool upload, const CLineDirection& line) {
  const std::string head = std::string("whole line ") + (upload ? "upload" : "download") + ": ";
  const CLineFigure& figure = line.figure;
  if (figure.kbitPerSecond < 0.0) {
    m_log += head + "not measured";
  } else {
    m_log += head + (figure.lowerBound ? "at least " : "") +
             Format("%.1f kbit/s over %.1f s", figure.kbitPerSecond, figure.seconds) + " with " +
             std::to_string(figure.sessions) + " sessions" +
             Format(" (%.1f s in all)", figure.phaseSeconds, 0.0);
    if (figure.loadedRttMs >= 0.0)
      m_log += Format(", loaded round trip %.1f ms", figure.loadedRttMs, 0.0);
  }
  m_log += "; sessions started " + std::to_string(line.sessionsStarted) + ", refused " +
           std::to_string(line.sessionsRefused) + ", lost " + std::to_string(line.sessionsFailed) +
           (line.firstFailure.empty() ? std::string() : " (" + line.firstFailure + ")") + "\n";
  if (line.countsHandedOver) {
    m_log += head +
             "the system told nothing of what the server acknowledged: counted what was "
             "handed over, each send buffer bounded\n";
  }
  for (const std::string& file : line.leftFiles)
    m_log += head + "left on the server: " + file + "\n";
}

void CRunRecord::Connection(const CConnection& connection) {
  m_connection = connection;
  m_connectionKnown = true;
  const CNetworkLink& link = connection.link;
  const auto known = [](const std::string& tenths, const char* unit) {
    return tenths.empty() ? std::string("unknown") : tenths + unit;
  };
  m_log += "connection: " + (link.name.empty() ? std::string("interface unknown") : link.name) +
           ", " + LinkKindName(link.kind) + ", speed " +
           known(KnownTenthsText(link.speedMbit), " Mbit/s") +
           (link.signalDbm < 0.0 ? Format(", signal %.0f dBm", link.signalDbm, 0.0) : "") +
           "; other traffic " + known(KnownTenthsText(connection.otherDownloadMbit), " Mbit/s") +
           " down, " + known(KnownTenthsText(connection.otherUploadMbit), " Mbit/s") +
           " up; household " + known(KnownTenthsText(connection.householdDownloadMbit), " Mbit/s") +
           " down, " + known(KnownTenthsText(connection.householdUploadMbit), " Mbit/s") + " up\n";
}

void CRunRecord::Subscription(const CSubscription& subscription,
                              const CSubscriptionVerdict& download,
                              const CSubscriptionVerdict& upload) {
  if (!subscription.IsSet()) return;
  m_subscribed = subscription.maximum;
  std::string text = "subscription: maximum " + SpeedPairText(subscription.maximum) + " Mbit/s";
  for (const auto* verdict : {&download, &upload}) {
    if (verdict->shareOfMaximum < 0.0) continue;
    text += std::string(verdict == &download ? "; download " : "; upload ") +
            (verdict->lowerBound ? "at least " : "") +
            Format("%.1f%% of it", verdict->shareOfMaximum * 100.0, 0.0);
    if (verdict->normallyAvailable >= 0) {
      text += verdict->normallyAvailable ? ", normally available reached"
                                         : ", normally available not reached";
    }
    if (verdict->minimum >= 0)
      text += verdict->minimum ? ", minimum reached" : ", minimum undercut";
  }
  m_log += text + "\n";
}

void CRunRecord::DataMoved(unsigned long long downloaded, unsigned long long uploaded) {
  m_downloadedMB = static_cast<double>(downloaded) / 1e6;
  m_uploadedMB = static_cast<double>(uploaded) / 1e6;
  m_log += "data moved: " + std::to_string(downloaded) + " bytes down, " +
           std::to_string(uploaded) + " bytes up\n";
}

void CRunRecord::Finished(const CRateRecord& download, const CRateRecord& upload,
                          const std::string& downloadFile, int attempts, const CLatency& latency,
                          const CLineFigure& lineDownload, const CLineFigure& lineUpload) {
  const std::string tier = ProductTiers(download, upload);
  m_log += "result: download " +
           Format("%.1f kbit/s (converted %.1f)", download.raw, download.converted) + ", upload " +
           Format("%.1f kbit/s (converted %.1f)", upload.raw, upload.converted) + ", tier " +
           (tier.empty() ? std::string("none") : tier) + ", attempts " + std::to_string(attempts) +
           "\n";
  CHistoryRun run;
  run.time = m_start;
  run.download = download.raw;
  run.downloadConverted = download.converted;
  run.upload = upload.raw;
  run.uploadConverted = upload.converted;
  run.downloadFile = downloadFile;
  run.tiers = tier;
  run.attempts = attempts;
  run.rttMs = latency.idleMs;
  run.server = m_server;
  run.origin = m_origin;
  run.jitterMs = latency.jitterMs;
  run.downloadLoadedMs = latency.download.medianMs;
  run.uploadLoadedMs = latency.upload.medianMs;
  run.latencyGrade = latency.grade;
  run.uploadRetransmittedPct = latency.uploadRetransmittedPct;
  run.lineDownload = lineDownload.kbitPerSecond;
  run.lineDownloadAtLeast = lineDownload.lowerBound;
  run.lineUpload = lineUpload.kbitPerSecond;
  run.lineUploadAtLeast = lineUpload.lowerBound;
  if (lineDownload.kbitPerSecond >= 0.0) run.lineDownloadSessions = lineDownload.fillSessions;
  if (lineUpload.kbitPerSecond >= 0.0) run.lineUploadSessions = lineUpload.fillSessions;
  run.dataDownloadMB = m_downloadedMB;
  run.dataUploadMB = m_uploadedMB;
  if (m_connectionKnown) {
    run.connectionKind = LinkKindName(m_connection.link.kind);
    run.linkSpeedMbit = m_connection.link.speedMbit;
    run.signalDbm = m_connection.link.signalDbm;
    run.otherDownloadMbit = m_connection.otherDownloadMbit;
    run.otherUploadMbit = m_connection.otherUploadMbit;
    run.householdDownloadMbit = m_connection.householdDownloadMbit;
    run.householdUploadMbit = m_connection.householdUploadMbit;
  }
  run.subscribedDownloadMbit = m_subscribed.download;
  run.subscribedUploadMbit = m_subscribed.upload;
  m_result = HistoryLine(run);
}

std::string AppendRunToLog(const std::string& log, const std::string& run, std::size_t maxRuns,
                           std::size_t maxBytes) {
  std::string all = log;
  if (!all.empty() && all.back() != '\n') all += '\n';
  all += run;
  const std::vector<std::size_t> starts = RunStarts(all);
  std::size_t keepFrom = starts.empty() ? 0 : starts.front();
  if (starts.size() > maxRuns && maxRuns > 0) keepFrom = starts[starts.size() - maxRuns];
  for (std::size_t start : starts) {
    if (start >= keepFrom && all.size() - start <= maxBytes) {
      keepFrom = start;
      break;
    }
  }
  if (all.size() - keepFrom > maxBytes) keepFrom = all.size() - maxBytes;
  return all.substr(keepFrom);
}
