// One speed test without a window: log-in, the attempts with their downloads and upload,
// the rates and tiers, the run's record and history, and the local test files. Any front
// end (the dialog, the command line, the accuracy lab) drives it and shows what it tells.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ftp/internet_session.h"
#include "ftp/progress_sink.h"
#include "kernel/home_router.h"
#include "kernel/private_folder.h"
#include "kernel/types.h"
#include "speedtest/connection.h"
#include "speedtest/latency.h"
#include "speedtest/line_direction.h"
#include "speedtest/rate_conversion.h"
#include "speedtest/subscription.h"

class CFtpClient;
class CRunRecord;

// The text a front end shows for a run that failed, whatever the failure.
extern const char kFailureText[];

enum class RunStage {
  kWaitForLine,  // another run holds the line; this one waits for it
  kLogIn,
  kNewAttempt,  // an attempt after the first
  kDownload,    // of the file named with it
  kUpload,
  kWholeLine,  // several sessions at once, `file` the direction: "download" or "upload"
};

// When a run measures the whole line after the test files: for each direction whose
// converted rate lies beyond its top tier (the test files cannot tell such a line), always
// (for support), or never.
enum class WholeLine { kBeyondTiers, kAlways, kNever };

// Who started a run, as its record names it: "window", "cli" or "schedule".
enum class RunOrigin { kWindow, kCli, kSchedule, kCampaign };
const char* OriginName(RunOrigin origin);

// What the run tells its front end: each stage, and what a transfer tells its sink (each
// chunk, the pumping, each slice of a wait, true to stop). The waits for the line and for
// the network ask the same ReportWaiting.
class CTestRunListener : public CProgressSink {
 public:
  // A stage begins. `file` is the file that moves (null for the others), `expectedBytes`
  // its size, `attempt` the attempt under way (0 during the log-in).
  virtual void OnStage(RunStage stage, const char* file, DWORD expectedBytes, int attempt) = 0;

 protected:
  ~CTestRunListener() = default;
};

// One direction's last measurement: its rates, and what it was measured on.
struct CMeasurement {
  CRateRecord rates;
  std::string file;
  DWORD bytes = 0;
  double seconds = 0.0;
};

// How a run ended.
struct CTestOutcome {
  bool finished = false;  // false: the failure path
  std::string time;       // the start, ISO 8601 UTC
  std::string server;     // "host:port"
  int attempts = 0;
  double rttMs = -1.0;  // the round trip to the server; negative when not measured
  CLatency latency;     // finished runs: idle, loaded and retransmissions
  CMeasurement download;
  CMeasurement upload;
  CLineDirection lineDownload;  // the whole line, where it was measured
  CLineDirection lineUpload;
  // The computer's own connection that carried the run, and its other traffic meanwhile.
  CConnection connection;
  // The customer's subscription, and what each direction's best figure says of it.
  CSubscription subscription;
  CSubscriptionVerdict subscriptionDownload;
  CSubscriptionVerdict subscriptionUpload;
  // The data the run moved each way: the test files and the whole line, handed over or not.
  unsigned long long bytesDownloaded = 0;
  unsigned long long bytesUploaded = 0;
  // Finished runs: the test files' result text, and a line for the whole line where it was
  // measured.
  std::string resultText;
  // The same as the status field shows it: within its lines, the notes that find no room
  // there left out.
  std::string fieldText;
  std::string historyLine;  // finished runs: the line the result history gained
  // Empty when the run log and, for a finished run, the history have the run; else why
  // not, and where a history line waits to be written.
  std::string recordProblem;
  // Failed runs: the CFTPException's code, the step it came in and its cause.
  int errorCode = -1;
  std::string errorStep;
  std::string errorCause;
};

class CTestRun : private CProgressSink {
 public:
  // A run against `server`:`port` that keeps its test files in `folder` (empty: no folder,
  // so the run fails without touching a file) and tells `listener` what happens; on the
  // clocks, sockets and files of `env`, which outlives it.
  CTestRun(std::string folder, std::string server, INTERNET_PORT port, CTestRunListener* listener,
           const CEnvironment& env = SystemEnvironment());

  // Performs the run, keeps its record (run log and history) and removes the local test
  // files; no error leaves it.
  CTestOutcome Run();
  // The process ends before Run can return (the session ends): the run under way is
  // recorded at once as failed with `cause`, its test files removed and the line freed.
  // Run, if it goes on, records nothing more. Nothing happens outside a run.
  void EndNow(const std::string& cause);
  // Whether Run also writes its log to standard error, as it does unless told otherwise.
  void EchoLog(bool echo) { m_bEchoLog = echo; }
  // Which of the server's addresses the run may use; any unless told.
  void SetIpVersion(IpVersion version) { m_ipVersion = version; }
  // Who started the run; the window unless told.
  void SetOrigin(RunOrigin origin) { m_origin = origin; }
  // When the run measures the whole line too; beyond the tiers unless told.
  void SetWholeLine(WholeLine when) { m_wholeLine = when; }
  // The customer's subscription, that each finished run is judged by.
  void SetSubscription(const CSubscription& subscription) { m_subscription = subscription; }

 private:
  // The transfers' sink: the listener's, with the last report kept and the remarks logged.
  bool ReportProgress(DWORD bytes, double seconds) override;
  void PumpMessages() override;
  bool ReportWaiting() override;
  void NoteTransfer(const std::string& note) override;
  // Makes sure the folder is private and takes the line from other runs, waiting for it
  // while one holds it; throws the failure path's CFTPException when it cannot.
  void TakeTheLine(CRunRecord& record);
  // The run's steps, in their order; each failure throws the failure path's exception.
  void LogIn(CFtpClient& client, CTestOutcome& outcome);
  // Up to kMaxAttempts attempts, each measuring the directions that matched no tier yet.
  void RunAttempts(CFtpClient& client, CTestOutcome& outcome);
  // The small file and, when it took under kLargeFileBelowSeconds, the large one; then the
  // download's tier.
  void MeasureDownload(CFtpClient& client, CTestOutcome& outcome);
  void MeasureUpload(CFtpClient& client, CTestOutcome& outcome);
  // A run that measured: its latency, record and result text.
  void Finish(CTestOutcome& outcome);
  // The computer's connection for the run's spans; then, each side of a span in which the
  // run moved `ownBytes` in the direction, its counters.
  void FindConnection(CFtpClient& client, CTestOutcome& outcome);
  void BeginSpan();
  void EndSpan(bool upload, unsigned long long ownBytes);
  // The connection's judgement of the whole line's figures, its line of the result text.
  std::string JudgeByConnection(CTestOutcome& outcome);
  // The subscription's judgement of each direction's best figure, its line of the result text.
  std::string JudgeBySubscription(CTestOutcome& outcome) const;
  // The whole line in each direction that `m_wholeLine` asks for, each logged.
  void MeasureWholeLine(CFtpClient& client, CTestOutcome& outcome);
  // Whether the whole line is measured in the direction: as `m_wholeLine` asks, and by
  // default only where the test file could not tell the line.
  bool WholeLineWanted(const CTestOutcome& outcome, bool upload) const;
  // Deletes what the whole line's uploads left on the server; `files` keeps what stays.
  void RemoveLeftFiles(CFtpClient& client, std::vector<std::string>& files);
  // One transfer of `file`, logged with its bytes and time, its path samples kept; throws
  // unless it moved the whole file (`bytes`).
  void Transfer(CFtpClient& client, RunStage stage, const char* file, DWORD bytes, int attempt,
                const std::function<void()>& move);
  // The last transfer into `measurement`.
  void Measured(CMeasurement& measurement, const char* file) const;
  // The failure path's outcome: `code` and `cause` as a front end shows them, `logged` as
  // the run log tells it, at the step under way.
  void Failed(int code, const std::string& cause, const std::string& logged, CTestOutcome& outcome);
  // Removes the test files while the run holds the line, keeps the record and frees the
  // line; once only. Returns what kept the run from its record.
  std::string Conclude();

  const CEnvironment& m_env;
  std::string m_folder;
  std::string m_server;
  INTERNET_PORT m_port;
  CTestRunListener* m_pListener;
  CRunRecord* m_pRecord = nullptr;  // the record of the run under way
  bool m_bConcluded = false;        // its record is kept, its test files gone
  // Held until the record is kept: two runs at once would each measure part of the line,
  // and one's clean-up would delete the other's test files.
  CFolderLock m_line{m_env.files};
  bool m_bEchoLog = true;
  IpVersion m_ipVersion = IpVersion::kAny;
  RunOrigin m_origin = RunOrigin::kWindow;
  WholeLine m_wholeLine = WholeLine::kBeyondTiers;
  CSubscription m_subscription;
  // While not 0, the waits go on until this time (the clock's NowMs), a close notwithstanding.
  long long m_cleanupUntilMs = 0;
  DWORD m_lastBytes = 0;
  double m_lastSeconds = 0.0;
  // The run's round trips: idle ones after the log-in, and each direction's under load.
  std::vector<double> m_idleRtts;
  std::vector<double> m_downloadRtts;
  std::vector<double> m_uploadRtts;
  unsigned long long m_bytesDownloaded = 0;  // every transfer's, the whole line's too
  unsigned long long m_bytesUploaded = 0;
  unsigned long long m_uploadBytesSent = 0;
  unsigned long long m_uploadBytesRetransmitted = 0;
  std::string m_interface;  // that carries the run; empty while unknown
  COtherTraffic m_otherTraffic{0};
  long long m_spanStartUs = 0;
  // The home router where one answers, asked while the run measures.
  std::unique_ptr<CHomeRouter> m_router;
};
