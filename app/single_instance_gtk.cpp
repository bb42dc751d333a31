#include <gio/gio.h>
#include <gio/gunixsocketaddress.h>
#include <unistd.h>

#include <string>

#include "app/single_instance.h"
#include "kernel/directories.h"

// The first copy listens on a socket in the user's private folder; a later copy that finds
// it running connects, and the connection alone is the ask.

namespace {

constexpr char kCheckerName[] = "window.instance";
constexpr char kSocketName[] = "window.socket";
// A first copy that has just started may not listen yet.
constexpr int kAskTries = 30;
constexpr gulong kAskPauseUs = 100000;

std::string SocketPath() {
  const std::string folder = PrivateCacheDirectory();
  return folder.empty() ? folder : folder + "/" + kSocketName;
}

bool Ask(const std::string& path) {
  GSocketClient* client = g_socket_client_new();
  GSocketAddress* address = g_unix_socket_address_new(path.c_str());
  GSocketConnection* connection =
      g_socket_client_connect(client, G_SOCKET_CONNECTABLE(address), nullptr, nullptr);
  g_object_unref(address);
  g_object_unref(client);
  if (!connection) return false;
  g_io_stream_close(G_IO_STREAM(connection), nullptr, nullptr);
  g_object_unref(connection);
  return true;
}

gboolean OnAsk(GSocketService*, GSocketConnection*, GObject*, gpointer dialog) {
  BringToFront(static_cast<wxTopLevelWindow*>(dialog));
  return FALSE;  // the connection closes
}

}  // namespace

bool CSingleInstance::RaisedAnother() {
  const std::string folder = PrivateCacheDirectory();
  // Without the private folder there is nowhere to meet: each copy runs on its own.
  if (folder.empty()) return false;
  m_checker = std::make_unique<wxSingleInstanceChecker>();
  if (!m_checker->Create(kCheckerName, wxString::FromUTF8(folder)) ||
      !m_checker->IsAnotherRunning()) {
    return false;
  }
  for (int i = 0; i < kAskTries && !Ask(SocketPath()); ++i) g_usleep(kAskPauseUs);
  // Even a first copy that does not answer runs: a second dialog would measure beside it.
  return true;
}

void CSingleInstance::ServeRaises(wxTopLevelWindow* dialog) {
  const std::string path = SocketPath();
  if (path.empty()) return;
  // This copy holds the instance lock: a socket left there is a dead copy's.
  ::unlink(path.c_str());
  GSocketService* service = g_socket_service_new();
  GSocketAddress* address = g_unix_socket_address_new(path.c_str());
  const bool listening =
      g_socket_listener_add_address(G_SOCKET_LISTENER(service), address, G_SOCKET_TYPE_STREAM,
                                    G_SOCKET_PROTOCOL_DEFAULT, nullptr, nullptr, nullptr);
  g_object_unref(address);
  if (!listening) {
    g_object_unref(service);
    return;
  }
  g_signal_connect(service, "incoming", G_CALLBACK(OnAsk), dialog);
  g_socket_service_start(service);
  m_pServer = service;
}

CSingleInstance::~CSingleInstance() {
  if (!m_pServer) return;
  auto* service = static_cast<GSocketService*>(m_pServer);
  g_socket_service_stop(service);
  g_socket_listener_close(G_SOCKET_LISTENER(service));
  g_object_unref(service);
  const std::string path = SocketPath();
  if (!path.empty()) ::unlink(path.c_str());
}
