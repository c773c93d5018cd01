#pragma once
// What the run and catalogue tests share: a front end that records what a run
// asks of it, a temporary folder, and whole-file reads and writes.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "run/calculation_run.h"

namespace voltrigg::testing {

class RecordingFrontEnd : public RunFrontEnd {
 public:
  explicit RecordingFrontEnd(std::string series_text = "", std::string parallel_text = "")
      : series(std::move(series_text)), parallel(std::move(parallel_text)) {}

  std::string series;
  std::string parallel;
  std::vector<std::string> events;

  std::string SeriesText() override { return series; }
  std::string ParallelText() override { return parallel; }
  void Hide() override { events.push_back("hide"); }
  void Show() override { events.push_back("show"); }
  void Message(const std::string& text) override { events.push_back("message:" + text); }
  void RefreshFileList() override { events.push_back("refresh"); }
};

// A fresh folder, removed with everything in it. `in_memory` puts it on
// /dev/shm where there is one: a completed run syncs its result file to disk,
// which is slow on a real disk a thousand times over.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "voltrigg-test", bool in_memory = false) {
    namespace fs = std::filesystem;
    std::random_device rd;
    const fs::path base = in_memory && fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    path_ = base / (prefix + "-" + std::to_string(rd()));
    fs::create_directories(path_);
  }
  ~TempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace voltrigg::testing
