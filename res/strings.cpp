#include "res/strings.h"

#include "res/resource.h"

std::string LoadResourceString(int id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About Lumvik Hastighed...";
    case IDS_HISTORY:
      return "Historik...";
    case IDP_SOCKETS_INIT_FAILED:
      return "Windows sockets initialization failed.";
    default:
      return std::string();
  }
}
