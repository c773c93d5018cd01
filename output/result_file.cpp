#include "output/result_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "input/run_error.h"
#include "output/interrupt_cleanup.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace voltrigg {

namespace {

constexpr const char* kEol = "\r\n";

void Text(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void Number(std::string& out, float value) { out += FormatFloat(value); }

void PointLine(std::string& out, const char* name, const OperatingPoint& p, const char* vpm_label) {
  Text(out, name);
  out += ',';
  Text(out, "Array Pmax [W]=");
  out += ',';
  Number(out, p.Pmax);
  out += ',';
  Text(out, vpm_label);
  out += ',';
  Number(out, p.Vpm);
  out += ',';
  Text(out, "Array Ipm [A]=");
  out += ',';
  Number(out, p.Ipm);
  out += kEol;
}

std::string Reason(int error) { return error != 0 ? std::strerror(error) : "書き込みに失敗しました"; }

}  // namespace

std::string FormatResultFile(const ResultFileContent& c) {
  const FinalMatrixResult& f = c.final;
  const std::vector<std::string>& serials = c.table.SerialTable;
  const std::size_t rows = c.N > 0 ? static_cast<std::size_t>(c.N) : 0;
  if (rows >= f.FinalMatrix.size() || rows >= f.StringNumbers.size()) {
    throw RunError("結果ファイルの行数が表の大きさを超えています: " + std::to_string(c.N));
  }
  for (std::size_t i = 1; i <= rows; ++i) {
    const std::int32_t serial = f.FinalMatrix[i].serial;
    if (serial < 0 || static_cast<std::size_t>(serial) >= serials.size()) {
      throw RunError("結果ファイルのシリアル番号の参照が表の外を指しています: " + std::to_string(serial));
    }
  }
  std::string out;
  out.reserve(512 + rows * 64);
  Text(out, "Input Filename=");
  out += ',';
  Text(out, c.InputName);
  out += kEol;
  Text(out, "Simple Sum of Module Pmax [W]=");
  out += ',';
  Number(out, c.SimplePmaxSum);
  out += kEol;
  PointLine(out, "Minimum", c.MinimumPoint, "Array Vpm [V]=");
  PointLine(out, "Initial", c.InitialPoint, "Array Vpm [V]=");
  PointLine(out, "Estimated", f.EstimatedPoint, "Array Vpm= [V]");
  Text(out, "Obtained Array Matrix as as follows:");
  out += kEol;
  for (int h = 1; h <= 5; ++h) {
    if (h > 1) out += ',';
    Text(out, f.MatrixHeadings[h]);
  }
  out += kEol;
  for (std::size_t i = 1; i <= rows; ++i) {
    const MatrixSlot& s = f.FinalMatrix[i];
    out += std::to_string(f.StringNumbers[i]);
    out += ',';
    Number(out, s.moduleNo);
    out += ',';
    Text(out, serials[static_cast<std::size_t>(s.serial)]);
    out += ',';
    Number(out, s.vpm);
    out += ',';
    Number(out, s.ipm);
    out += kEol;
  }
  return out;
}

namespace {

// The temporary file a result is written to before it replaces the target:
// a short hidden name of its own in the target's folder (so the final rename
// stays on one file system, and a target name as long as the file system
// allows leaves room for it), created exclusively so that it never takes over
// an existing file. Every exit path closes it, and removes it unless it has
// been renamed over the target.
class TemporaryFile {
 public:
  // Throws RunError naming `target` when no temporary file can be created.
  explicit TemporaryFile(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::random_device random;
    int open_error = 0;
    for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
      char name[32];
      (void)std::snprintf(name, sizeof name, ".voltrigg-%08x.tmp", static_cast<unsigned>(random()));  // always fits
      path_ = folder / name;
      errno = 0;
      file_ = std::fopen(path_.c_str(), "wbx");
      open_error = errno;
      if (file_ == nullptr && open_error != EEXIST) break;
    }
    if (file_ == nullptr) {
      throw FileWriteError("結果ファイルを作成できません: " + target.string() + " (" + Reason(open_error) + ")",
                           FileWriteError::Step::Create, target.string(), Reason(open_error));
    }
    std::error_code ec;
    remembered_ = std::filesystem::absolute(path_, ec).string();
    if (ec || !RememberTemporaryFile(remembered_)) remembered_.clear();
  }

  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  ~TemporaryFile() {
    if (file_ != nullptr) (void)std::fclose(file_);
    if (!renamed_) {
      std::error_code ec;
      std::filesystem::remove(path_, ec);
    }
    if (!remembered_.empty()) ForgetTemporaryFile(remembered_);
  }

  std::FILE* file() const { return file_; }

  // Closes the file; false with `error` set when that fails.
  bool Close(int& error) {
    std::FILE* f = std::exchange(file_, nullptr);
    errno = 0;
    if (std::fclose(f) == 0) return true;
    error = errno;
    return false;
  }

  // Renames the closed file over `target`; the error number, or 0.
  int RenameOver(const std::filesystem::path& target) {
    std::error_code ec;
    std::filesystem::rename(path_, target, ec);
    renamed_ = !ec;
    return ec.value();
  }

 private:
  std::filesystem::path path_;
  std::string remembered_;  // for an interruption's cleanup; empty when not remembered
  std::FILE* file_ = nullptr;
  bool renamed_ = false;
};

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& bytes, const WriteFailureHook& fail,
                         const std::function<void()>& before_replace) {
  const std::filesystem::path target(path);
  std::error_code ec;
  if (std::filesystem::is_directory(target, ec)) {
    throw FileWriteError("結果ファイルと同じ名前のフォルダがあります: " + path, FileWriteError::Step::FolderOfThatName,
                         path, "");
  }

  TemporaryFile temp(target);
  int error = 0;
  bool ok = true;
  constexpr std::size_t kChunk = 4096;
  for (std::size_t at = 0; ok && at < bytes.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, bytes.size() - at);
    errno = 0;
    if ((fail && fail(at)) || std::fwrite(bytes.data() + at, 1, n, temp.file()) != n) {
      ok = false;
      error = errno;
    }
  }
  if (ok && std::fflush(temp.file()) != 0) ok = false, error = errno;
#if defined(__unix__) || defined(__APPLE__)
  if (ok && ::fsync(fileno(temp.file())) != 0) ok = false, error = errno;
#endif
  if (ok) ok = temp.Close(error);
  if (ok && before_replace) before_replace();
  if (ok) {
    error = temp.RenameOver(target);
    ok = error == 0;
  }
  if (!ok) {
    throw FileWriteError("結果ファイルを書き込めません: " + path + " (" + Reason(error) + ")",
                         FileWriteError::Step::Write, path, Reason(error));
  }
}

void WriteResultFile(const std::string& OutputBase, const ResultFileContent& content, const WriteFailureHook& fail,
                     const std::function<void()>& before_replace) {
  const char last = OutputBase.empty() ? '/' : OutputBase.back();
  if (last == '/' || last == '\\') throw RunError("出力データファイル名を入力してください");
  WriteFileAtomically(OutputBase + ".csv", FormatResultFile(content), fail, before_replace);
}

}  // namespace voltrigg
