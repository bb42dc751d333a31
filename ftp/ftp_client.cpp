#include "ftp/ftp_client.h"

#include "ftp/ftp_connection.h"
#include "ftp/ftp_exception.h"
#include "ftp/internet_exception.h"
#include "ftp/transfer_run.h"

CFtpClient::CFtpClient(CProgressSink* owner, const CEnvironment& env)
    : m_session(env), m_pOwner(owner) {
  m_session.SetWaitSink(owner);
}

CFtpClient::~CFtpClient() {
  Logoff();
}

void CFtpClient::Connect(const std::string& server, const std::string& user,
                         const std::string& password, bool passive, INTERNET_PORT port) {
  if (m_pConnection) {
    throw new CFTPException(CFTPException::kAlreadyConnected, ftp_message::kAlreadyConnected);
  }
  try {
    m_pConnection = m_session.GetFtpConnection(server, user, password, port, passive);
    m_pConnection->GetCurrentDirectory(m_strCurrentDir);
  } catch (CInternetException* e) {
    std::string cause = std::move(e->m_strDetail);
    const bool stopped = e->m_dwError == ERROR_INTERNET_OPERATION_CANCELLED;
    e->Delete();
    // A connection that failed after logging in is closed, not left open behind a null.
    delete m_pConnection;
    m_pConnection = nullptr;
    m_strCurrentDir.clear();
    if (stopped) throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted, cause);
    throw new CFTPException(CFTPException::kLoginFailed, ftp_message::kLoginFailed + server,
                            std::move(cause));
  }
}

double CFtpClient::RoundTripMs() const {
  return m_pConnection ? m_pConnection->RoundTripMs() : -1.0;
}

sockaddr_storage CFtpClient::ServerAddress() const {
  return ConnectionAddress(&CFtpConnection::ServerAddress);
}

sockaddr_storage CFtpClient::LocalAddress() const {
  return ConnectionAddress(&CFtpConnection::LocalAddress);
}

sockaddr_storage CFtpClient::ConnectionAddress(sockaddr_storage (CFtpConnection::*end)()
                                                   const) const {
  if (!m_pConnection) {
    throw new CFTPException(CFTPException::kNotConnected, ftp_message::kNotConnected);
  }
  sockaddr_storage address{};
  RunConvertingFailures([&] { address = (m_pConnection->*end)(); });
  return address;
}

std::vector<double> CFtpClient::MeasureIdleRoundTrips(int count, int budgetMs) {
  if (!m_pConnection) {
    throw new CFTPException(CFTPException::kNotConnected, ftp_message::kNotConnected);
  }
  std::vector<double> samples;
  RunConvertingFailures([&] {
    double spent = 0.0;
    while (static_cast<int>(samples.size()) < count && (samples.size() < 2 || spent < budgetMs)) {
      samples.push_back(m_pConnection->NoopRoundTrip());
      spent += samples.back();
    }
  });
  return samples;
}

bool CFtpClient::Remove(const std::string& remotePath) {
  if (!m_pConnection) {
    throw new CFTPException(CFTPException::kNotConnected, ftp_message::kNotConnected);
  }
  bool removed = false;
  RunConvertingFailures([&] { removed = m_pConnection->Remove(remotePath); });
  return removed;
}

void CFtpClient::Logoff() {
  if (!m_pConnection) return;
  m_pConnection->Close();
  delete m_pConnection;
  m_pConnection = nullptr;
  m_strCurrentDir.clear();
}

void CFtpClient::Download(const std::string& remoteDir, const std::string& remoteFile,
                          const std::string& localPath) {
  if (!m_pConnection) {
    throw new CFTPException(CFTPException::kNotConnected, ftp_message::kNotConnected);
  }
  m_lastPath = CPathSamples();
  CFtpDownload download(this);
  download.m_strRemoteDir = remoteDir;
  download.m_strRemoteFile = remoteFile;
  download.m_strLocalFile = localPath;
  download.m_pOwner = m_pOwner;
  download.Run();
}

void CFtpClient::Upload(const std::string& localPath, const std::string& remoteDir,
                        const std::string& remoteFile) {
  if (!m_pConnection) {
    throw new CFTPException(CFTPException::kNotConnected, ftp_message::kNotConnected);
  }
  m_lastPath = CPathSamples();
  CFtpUpload upload(this);
  upload.m_strLocalFile = localPath;
  upload.m_strRemoteDir = remoteDir;
  upload.m_strRemoteFile = remoteFile;
  upload.m_pOwner = m_pOwner;
  upload.Run();
}
