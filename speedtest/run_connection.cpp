// What lies beyond the line that judges a run's figures: the computer's own connection (which
// interface carried it, the other traffic over the spans it measured in) and the customer's
// subscription.
#include <algorithm>

#include "ftp/ftp_client.h"
#include "ftp/network_path.h"
#include "kernel/clock.h"
#include "speedtest/run.h"
#include "speedtest/run_record.h"

namespace {

// A direction's best figure: its whole line where measured, else the test file's rate.
double BestKbit(const CLineDirection& line, const CMeasurement& measured) {
  return line.figure.kbitPerSecond >= 0.0 ? line.figure.kbitPerSecond : measured.rates.raw;
}
bool BestIsLowerBound(const CLineDirection& line) {
  return line.figure.kbitPerSecond >= 0.0 && line.figure.lowerBound;
}

// How long the run waits for the home router to be found before its first transfer: its
// search and a few round trips for its description.
constexpr int kRouterSearchMs = 1500;

// The household's traffic: the other devices' through the router, and this computer's own.
double Household(double otherDevicesMbit, double ownOtherMbit) {
  return otherDevicesMbit < 0.0 ? -1.0 : otherDevicesMbit + std::max(ownOtherMbit, 0.0);
}

}  // namespace

void CTestRun::FindConnection(CFtpClient& client, CTestOutcome& outcome) {
  const auto local = client.LocalAddress();
  outcome.connection.link = LinkOf(m_env, local);
  m_interface = outcome.connection.link.loopback ? std::string() : outcome.connection.link.name;
  m_otherTraffic = COtherTraffic(PacketHeaderBytes(local, outcome.connection.link.kind));
  m_router = HomeRouterBeyond(m_env, outcome.connection.link);
  if (m_router && !m_router->AwaitSearch(kRouterSearchMs)) m_router.reset();
}

void CTestRun::BeginSpan() {
  m_otherTraffic.Begin(LinkCounters(m_env, m_interface));
  m_spanStartUs = m_env.clock.NowUs();
}

void CTestRun::EndSpan(bool upload, unsigned long long ownBytes) {
  const double seconds = static_cast<double>(m_env.clock.NowUs() - m_spanStartUs) / 1e6;
  m_otherTraffic.End(LinkCounters(m_env, m_interface), upload, ownBytes, seconds);
}

std::string CTestRun::JudgeByConnection(CTestOutcome& outcome) {
  CConnection& connection = outcome.connection;
  connection.otherDownloadMbit = m_otherTraffic.Mbit(false);
  connection.otherUploadMbit = m_otherTraffic.Mbit(true);
  if (m_router) {
    const CHomeRouter::Traffic devices = m_router->OtherDevices();
    connection.householdDownloadMbit =
        Household(devices.downloadMbit, connection.otherDownloadMbit);
    connection.householdUploadMbit = Household(devices.uploadMbit, connection.otherUploadMbit);
    m_router.reset();
  }
  for (CLineDirection* line : {&outcome.lineDownload, &outcome.lineUpload}) {
    if (ConnectionBounds(connection.link, line->figure.kbitPerSecond)) {
      line->figure.lowerBound = true;
    }
  }
  return ConnectionText(connection, BestKbit(outcome.lineDownload, outcome.download),
                        BestKbit(outcome.lineUpload, outcome.upload));
}

std::string CTestRun::JudgeBySubscription(CTestOutcome& outcome) const {
  outcome.subscription = m_subscription;
  outcome.subscriptionDownload =
      ::JudgeBySubscription(m_subscription, false, BestKbit(outcome.lineDownload, outcome.download),
                            BestIsLowerBound(outcome.lineDownload));
  outcome.subscriptionUpload =
      ::JudgeBySubscription(m_subscription, true, BestKbit(outcome.lineUpload, outcome.upload),
                            BestIsLowerBound(outcome.lineUpload));
  return SubscriptionText(outcome.subscriptionDownload, outcome.subscriptionUpload);
}
