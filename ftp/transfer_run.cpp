#include "ftp/transfer_run.h"

#include <string>

#include "ftp/ftp_exception.h"
#include "ftp/internet_exception.h"
#include "kernel/local_file.h"

void RunConvertingFailures(const std::function<void()>& transfer) {
  try {
    transfer();
  } catch (CFTPException*) {
    throw;
  } catch (CFileException* e) {
    std::string message = "File Error - Filename = \"" + e->m_strFileName +
                          "\", Error Code: " + std::to_string(e->m_cause);
    std::string cause = FileErrorText(e->m_cause);
    e->Delete();
    throw new CFTPException(CFTPException::kLocalFileError, std::move(message), std::move(cause));
  } catch (CInternetException* e) {
    std::string cause = std::move(e->m_strDetail);
    const bool stopped = e->m_dwError == ERROR_INTERNET_OPERATION_CANCELLED;
    e->Delete();
    if (stopped) {
      throw new CFTPException(CFTPException::kAborted, ftp_message::kAborted, std::move(cause));
    }
    throw new CFTPException(CFTPException::kUnknown, ftp_message::kUnknown, std::move(cause));
  } catch (CException* e) {
    e->Delete();
    throw new CFTPException(CFTPException::kUnknown, ftp_message::kUnknown);
  } catch (...) {
    throw new CFTPException(CFTPException::kUnknown, ftp_message::kUnknown);
  }
}
