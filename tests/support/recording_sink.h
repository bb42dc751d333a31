// A transfer owner for tests: records every progress report and answers with a flag.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ftp/progress_sink.h"

class RecordingSink : public CProgressSink {
 public:
  bool ReportProgress(DWORD bytes, double seconds) override {
    reports.emplace_back(bytes, seconds);
    return abort;
  }

  std::vector<DWORD> Bytes() const {
    std::vector<DWORD> bytes;
    for (const auto& report : reports) bytes.push_back(report.first);
    return bytes;
  }

  void NoteTransfer(const std::string& note) override { notes.push_back(note); }

  bool abort = false;
  std::vector<std::string> notes;
  std::vector<std::pair<DWORD, double>> reports;
};
