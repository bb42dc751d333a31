// A Wi-Fi interface's radio as nl80211 tells it: the station it is associated with, its
// transmit rate and signal.
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include "kernel/network_link.h"

namespace {

int OnStation(nl_msg* message, void* link) {
  nlattr* attributes[NL80211_ATTR_MAX + 1] = {};
  auto* header = static_cast<genlmsghdr*>(nlmsg_data(nlmsg_hdr(message)));
  if (nla_parse(attributes, NL80211_ATTR_MAX, genlmsg_attrdata(header, 0),
                genlmsg_attrlen(header, 0), nullptr) == 0 &&
      attributes[NL80211_ATTR_STA_INFO]) {
    ReadStationInfo(attributes[NL80211_ATTR_STA_INFO], static_cast<CNetworkLink*>(link));
  }
  return NL_SKIP;
}

}  // namespace

void ReadStationInfo(const void* stationInfo, CNetworkLink* link) {
  nlattr* info[NL80211_STA_INFO_MAX + 1] = {};
  if (nla_parse_nested(info, NL80211_STA_INFO_MAX,
                       static_cast<nlattr*>(const_cast<void*>(stationInfo)), nullptr) != 0) {
    return;
  }
  if (info[NL80211_STA_INFO_SIGNAL]) {
    const auto dbm = static_cast<signed char>(nla_get_u8(info[NL80211_STA_INFO_SIGNAL]));
    if (dbm < 0) link->signalDbm = dbm;
  }
  nlattr* rate[NL80211_RATE_INFO_MAX + 1] = {};
  if (!info[NL80211_STA_INFO_TX_BITRATE] ||
      nla_parse_nested(rate, NL80211_RATE_INFO_MAX, info[NL80211_STA_INFO_TX_BITRATE], nullptr) !=
          0) {
    return;
  }
  // In units of 100 kbit/s; the 16-bit field for radios that give no 32-bit one.
  unsigned long units = 0;
  if (rate[NL80211_RATE_INFO_BITRATE32]) {
    units = nla_get_u32(rate[NL80211_RATE_INFO_BITRATE32]);
  } else if (rate[NL80211_RATE_INFO_BITRATE]) {
    units = nla_get_u16(rate[NL80211_RATE_INFO_BITRATE]);
  }
  if (units > 0) link->speedMbit = static_cast<double>(units) / 10.0;
}

void QueryWifiRadio(const std::string& name, CNetworkLink* link) {
  const unsigned index = if_nametoindex(name.c_str());
  nl_sock* socket = index == 0 ? nullptr : nl_socket_alloc();
  if (!socket) return;
  // The kernel answers at once; a second is a bound, not a wait.
  const timeval bound{1, 0};
  nl_msg* message = nullptr;
  const int family = genl_connect(socket) == 0 ? genl_ctrl_resolve(socket, "nl80211") : -1;
  if (family >= 0 &&
      setsockopt(nl_socket_get_fd(socket), SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound) == 0) {
    message = nlmsg_alloc();
  }
  if (message &&
      genlmsg_put(message, NL_AUTO_PORT, NL_AUTO_SEQ, family, 0, NLM_F_DUMP,
                  NL80211_CMD_GET_STATION, 0) &&
      nla_put_u32(message, NL80211_ATTR_IFINDEX, index) == 0 &&
      nl_socket_modify_cb(socket, NL_CB_VALID, NL_CB_CUSTOM, OnStation, link) == 0 &&
      nl_send_auto(socket, message) >= 0) {
    nl_recvmsgs_default(socket);
  }
  nlmsg_free(message);
  nl_socket_free(socket);
}
