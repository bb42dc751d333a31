#include "ftp/internet_session.h"

#include <algorithm>
#include <memory>

#include "ftp/ftp_connection.h"
#include "ftp/internet_exception.h"

namespace {

int Bounded(int ms) {
  return std::clamp(ms, 1, InternetTimeouts::kLongest);
}

}  // namespace

CInternetSession::CInternetSession(const char*, DWORD, DWORD, const char*, const char*, DWORD)
    : m_env(SystemEnvironment()) {}

CInternetSession::~CInternetSession() {
  Close();
}

CFtpConnection* CInternetSession::GetFtpConnection(const std::string& server,
                                                   const std::string& user,
                                                   const std::string& password, INTERNET_PORT port,
                                                   bool passive) {
  if (passive) {
    throw new CInternetException(ERROR_INTERNET_INVALID_OPERATION, "passive mode is not offered");
  }
  const int family = m_ipVersion == IpVersion::k4   ? AF_INET
                     : m_ipVersion == IpVersion::k6 ? AF_INET6
                                                    : AF_UNSPEC;
  TcpSocket control =
      TcpSocket::Connect(m_env, server, port, family, m_timeouts.connectMs, m_pWaitSink);
  std::unique_ptr<CFtpConnection> connection(new CFtpConnection(std::move(control), m_timeouts));
  connection->Login(user, password);
  return connection.release();
}

void CInternetSession::SetTimeouts(const InternetTimeouts& timeouts) {
  m_timeouts.connectMs = Bounded(timeouts.connectMs);
  m_timeouts.replyMs = Bounded(timeouts.replyMs);
  m_timeouts.dataAcceptMs = Bounded(timeouts.dataAcceptMs);
  m_timeouts.dataIoMs = Bounded(timeouts.dataIoMs);
}
