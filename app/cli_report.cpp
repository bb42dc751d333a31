#include "app/cli_report.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "speedtest/tenths.h"

namespace {

using nlohmann::json;

json Direction(const CMeasurement& measurement) {
  return {{"raw_kbps", Tenths(measurement.rates.raw)},
          {"converted_kbps", Tenths(measurement.rates.converted)},
          {"file", measurement.file},
          {"bytes", measurement.bytes},
          {"ms", std::llround(measurement.seconds * 1000.0)},
          {"tier", measurement.rates.matched ? json(TierName(measurement.rates)) : json()}};
}

// A figure to the tenth, or null when it was not measured (negative).
json Measured(double value) {
  return value >= 0.0 ? json(Tenths(value)) : json();
}

// One direction of the whole line: null where it was not measured.
json LineJson(const CLineDirection& line) {
  if (!line.measured || line.figure.kbitPerSecond < 0.0) return json();
  const CLineFigure& figure = line.figure;
  return {
      {"kbps", Tenths(figure.kbitPerSecond)},     {"sessions", figure.sessions},
      {"seconds", Tenths(figure.seconds)},        {"phase_seconds", Tenths(figure.phaseSeconds)},
      {"lower_bound", figure.lowerBound},         {"loaded_rtt_ms", Measured(figure.loadedRttMs)},
      {"sessions_started", line.sessionsStarted}, {"sessions_refused", line.sessionsRefused},
      {"sessions_lost", line.sessionsFailed}};
}

json LatencyJson(const CLatency& latency) {
  return {{"idle_ms", Measured(latency.idleMs)},
          {"jitter_ms", Measured(latency.jitterMs)},
          {"download_loaded_ms", Measured(latency.download.medianMs)},
          {"download_loaded_p90_ms", Measured(latency.download.p90Ms)},
          {"download_increase_ms", Measured(latency.download.increaseMs)},
          {"upload_loaded_ms", Measured(latency.upload.medianMs)},
          {"upload_loaded_p90_ms", Measured(latency.upload.p90Ms)},
          {"upload_increase_ms", Measured(latency.upload.increaseMs)},
          {"grade", latency.grade.empty() ? json() : json(latency.grade)},
          {"rpm", latency.rpm > 0.0 ? json(std::lround(latency.rpm)) : json()}};
}

// What the run moved and what it left on the server, for a finished run and a failed alike.
void DataJson(const CTestOutcome& outcome, json& out) {
  out["data_bytes"] = {{"download", outcome.bytesDownloaded}, {"upload", outcome.bytesUploaded}};
  out["left_files"] = outcome.lineUpload.leftFiles;
}

// The computer's own connection: unknown figures are null.
json ConnectionJson(const CConnection& connection) {
  const CNetworkLink& link = connection.link;
  return {{"interface", link.name.empty() ? json() : json(link.name)},
          {"kind", LinkKindName(link.kind)},
          {"speed_mbit_s", Measured(link.speedMbit)},
          {"signal_dbm", link.signalDbm < 0.0 ? json(link.signalDbm) : json()},
          {"other_traffic_mbit_s",
           {{"download", Measured(connection.otherDownloadMbit)},
            {"upload", Measured(connection.otherUploadMbit)}}},
          {"household_traffic_mbit_s",
           {{"download", Measured(connection.householdDownloadMbit)},
            {"upload", Measured(connection.householdUploadMbit)}}}};
}

// A speed each way in Mbit/s; null where the subscription names none.
json SpeedPairJson(const CSpeedPair& pair) {
  if (!pair.IsSet()) return json();
  return {{"download", pair.download}, {"upload", pair.upload}};
}

// What a direction's figure says of the subscription; null where there was no figure.
json VerdictJson(const CSubscriptionVerdict& verdict) {
  if (verdict.shareOfMaximum < 0.0) return json();
  const auto reached = [](int flag) { return flag < 0 ? json() : json(flag == 1); };
  return {{"figure_mbit_s", Tenths(verdict.figureMbit)},
          {"lower_bound", verdict.lowerBound},
          {"share_of_maximum", std::round(verdict.shareOfMaximum * 1000.0) / 1000.0},
          {"normally_available_reached", reached(verdict.normallyAvailable)},
          {"minimum_reached", reached(verdict.minimum)}};
}

// The customer's subscription and the run's verdict on it: null where none is set.
json SubscriptionJson(const CTestOutcome& outcome) {
  const CSubscription& subscription = outcome.subscription;
  if (!subscription.IsSet()) return json();
  return {{"maximum_mbit_s", SpeedPairJson(subscription.maximum)},
          {"normally_available_mbit_s", SpeedPairJson(subscription.normallyAvailable)},
          {"minimum_mbit_s", SpeedPairJson(subscription.minimum)},
          {"advertised_mbit_s", SpeedPairJson(subscription.advertised)},
          {"download", VerdictJson(outcome.subscriptionDownload)},
          {"upload", VerdictJson(outcome.subscriptionUpload)}};
}

}  // namespace

std::string OutcomeJson(const CTestOutcome& outcome) {
  json out;
  DataJson(outcome, out);
  if (!outcome.finished) {
    out["error"] = {
        {"code", outcome.errorCode}, {"step", outcome.errorStep}, {"cause", outcome.errorCause}};
    out["failure_text"] = std::string(kFailureText);
    out["recorded"] = outcome.recordProblem.empty();
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
  }
  const std::string product = ProductName(outcome.download.rates, outcome.upload.rates);
  out["time"] = outcome.time;
  out["server"] = outcome.server;
  out["attempts"] = outcome.attempts;
  out["rtt_ms"] = outcome.rttMs >= 0.0 ? json(Tenths(outcome.rttMs)) : json();
  out["download"] = Direction(outcome.download);
  out["upload"] = Direction(outcome.upload);
  out["upload"]["retransmitted_pct"] = Measured(outcome.latency.uploadRetransmittedPct);
  out["latency"] = LatencyJson(outcome.latency);
  if (outcome.lineDownload.measured || outcome.lineUpload.measured) {
    out["line"] = {{"download", LineJson(outcome.lineDownload)},
                   {"upload", LineJson(outcome.lineUpload)}};
  }
  out["connection"] = ConnectionJson(outcome.connection);
  out["subscription"] = SubscriptionJson(outcome);
  out["product"] = product.empty() ? json() : json(product);
  out["result_text"] = outcome.resultText;
  out["recorded"] = outcome.recordProblem.empty();
  // A server's words in a cause may be any bytes: invalid UTF-8 is replaced, never thrown.
  return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool ParseServer(const std::string& text, std::string* host, INTERNET_PORT* port) {
  std::string name = text;
  std::string portText;
  if (!name.empty() && name.front() == '[') {
    const std::size_t close = name.find(']');
    if (close == std::string::npos) return false;
    const std::string rest = name.substr(close + 1);
    name = name.substr(1, close - 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return false;
      portText = rest.substr(1);
      if (portText.empty()) return false;
    }
  } else if (const std::size_t colon = name.find(':'); colon != std::string::npos) {
    if (name.find(':', colon + 1) != std::string::npos) return false;  // IPv6 needs brackets
    portText = name.substr(colon + 1);
    name = name.substr(0, colon);
    if (portText.empty()) return false;
  }
  // A host is a name or an address: nothing else may reach the resolver or the record.
  if (name.empty()) return false;
  for (const unsigned char c : name) {
    if (c < 0x20 || c == 0x7f || c == ' ') return false;
  }
  if (!portText.empty()) {
    if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    const long value = std::stol(portText);
    if (value < 1 || value > 65535) return false;
    *port = static_cast<INTERNET_PORT>(value);
  }
  *host = name;
  return true;
}
