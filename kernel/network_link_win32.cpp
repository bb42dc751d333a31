// In this order: the adapter list's header needs the socket headers before it.
#include <objbase.h>
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format off
#include <iphlpapi.h>
#include <netioapi.h>
#include <wlanapi.h>
// clang-format on

#include <string>
#include <vector>

#include "kernel/network_link.h"
#include "kernel/utf16_win32.h"

namespace {

// The adapter list, or empty where the system gives none.
std::vector<unsigned char> AdapterList() {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  for (int tries = 0; tries < 3; ++tries) {
    buffer.resize(size);
    const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    const ULONG result = ::GetAdaptersAddresses(
        AF_UNSPEC, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    if (result == NO_ERROR) return buffer;
    if (result != ERROR_BUFFER_OVERFLOW) break;
  }
  return std::vector<unsigned char>();
}

bool HoldsAddress(const IP_ADAPTER_ADDRESSES& adapter, const std::string& address) {
  for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter.FirstUnicastAddress; unicast;
       unicast = unicast->Next) {
    const sockaddr* held = unicast->Address.lpSockaddr;
    char text[INET6_ADDRSTRLEN] = "";
    if (held->sa_family == AF_INET) {
      ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(held)->sin_addr, text,
                  sizeof text);
      if (address == "::ffff:" + std::string(text)) return true;
    } else if (held->sa_family == AF_INET6) {
      ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(held)->sin6_addr, text,
                  sizeof text);
    }
    if (address == text) return true;
  }
  return false;
}

// The adapter that `match` picks from the list, or null.
template <typename Match>
const IP_ADAPTER_ADDRESSES* FindAdapter(const std::vector<unsigned char>& list, Match match) {
  if (list.empty()) return nullptr;
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(list.data()); adapter;
       adapter = adapter->Next) {
    if (match(*adapter)) return adapter;
  }
  return nullptr;
}

// A WLAN interface's transmit rate and signal, where the WLAN service knows the adapter
// `guid` names ("{...}", the adapter's name) and it is connected.
void QueryWifiRadio(const char* guid, CNetworkLink* link) {
  GUID wanted{};
  if (::CLSIDFromString(Widen(guid).c_str(), &wanted) != NOERROR) return;
  DWORD version = 0;
  HANDLE client = nullptr;
  if (::WlanOpenHandle(2, nullptr, &version, &client) != ERROR_SUCCESS) return;
  DWORD size = 0;
  WLAN_CONNECTION_ATTRIBUTES* connection = nullptr;
  if (::WlanQueryInterface(client, &wanted, wlan_intf_opcode_current_connection, nullptr, &size,
                           reinterpret_cast<void**>(&connection), nullptr) == ERROR_SUCCESS &&
      connection) {
    const WLAN_ASSOCIATION_ATTRIBUTES& association = connection->wlanAssociationAttributes;
    if (association.ulTxRate > 0) link->speedMbit = association.ulTxRate / 1000.0;
    link->signalDbm = WindowsSignalDbm(association.wlanSignalQuality);
    ::WlanFreeMemory(connection);
  }
  ::WlanCloseHandle(client, nullptr);
}

}  // namespace

CNetworkLink FindNetworkLink(const std::string& localAddress) {
  CNetworkLink link;
  const std::vector<unsigned char> list = AdapterList();
  const IP_ADAPTER_ADDRESSES* adapter = FindAdapter(
      list, [&](const IP_ADAPTER_ADDRESSES& a) { return HoldsAddress(a, localAddress); });
  if (!adapter) return link;
  link.name = Narrow(adapter->FriendlyName ? adapter->FriendlyName : L"");
  link.kind = WindowsLinkKind(adapter->IfType);
  link.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
  if (link.kind == LinkKind::kCable) {
    link.speedMbit = WindowsLinkSpeedMbit(adapter->TransmitLinkSpeed, adapter->ReceiveLinkSpeed);
  } else if (link.kind == LinkKind::kWifi && adapter->AdapterName) {
    QueryWifiRadio(adapter->AdapterName, &link);
  }
  return link;
}

CLinkCounters ReadLinkCounters(const std::string& name) {
  CLinkCounters counters;
  const std::vector<unsigned char> list = AdapterList();
  const IP_ADAPTER_ADDRESSES* adapter = FindAdapter(list, [&](const IP_ADAPTER_ADDRESSES& a) {
    return !name.empty() && a.FriendlyName && Narrow(a.FriendlyName) == name;
  });
  if (!adapter) return counters;
  MIB_IF_ROW2 row{};
  row.InterfaceLuid = adapter->Luid;
  if (::GetIfEntry2(&row) != NO_ERROR) return counters;
  counters.known = true;
  counters.receivedBytes = row.InOctets;
  counters.receivedPackets = row.InUcastPkts + row.InNUcastPkts;
  counters.sentBytes = row.OutOctets;
  counters.sentPackets = row.OutUcastPkts + row.OutNUcastPkts;
  return counters;
}
