#include "ftp/environment.h"

#include "ftp/socket_api.h"
#include "kernel/clock.h"
#include "kernel/file_system.h"

const CEnvironment& SystemEnvironment() {
  static const CEnvironment system{SystemClock(), SystemSockets(), SystemFiles()};
  return system;
}
