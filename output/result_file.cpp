#include "output/result_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "input/run_error.h"

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

std::string FormatFloat(float value) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  (void)ec;  // 64 bytes always hold a float
  return std::string(buf, end);
}

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

void WriteFileAtomically(const std::string& path, const std::string& bytes, const WriteFailureHook& fail) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw RunError("結果ファイルと同じ名前のフォルダがあります: " + path);

  // A hidden temporary beside the target, so the final rename stays on one file system.
  std::random_device rd;
  std::string temp;
  std::FILE* f = nullptr;
  int open_error = 0;
  for (int attempt = 0; attempt < 16 && f == nullptr; ++attempt) {
    char suffix[32];
    (void)std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));  // always fits
    temp = (folder / ("." + target.filename().string() + suffix)).string();
    errno = 0;
    f = std::fopen(temp.c_str(), "wbx");
    open_error = errno;
    if (f == nullptr && open_error != EEXIST) break;
  }
  if (f == nullptr) throw RunError("結果ファイルを作成できません: " + path + " (" + Reason(open_error) + ")");

  int error = 0;
  bool ok = true;
  constexpr std::size_t kChunk = 4096;
  for (std::size_t at = 0; ok && at < bytes.size(); at += kChunk) {
    const std::size_t n = std::min(kChunk, bytes.size() - at);
    errno = 0;
    if ((fail && fail(at)) || std::fwrite(bytes.data() + at, 1, n, f) != n) {
      ok = false;
      error = errno;
    }
  }
  if (ok && std::fflush(f) != 0) ok = false, error = errno;
#if defined(__unix__) || defined(__APPLE__)
  if (ok && ::fsync(fileno(f)) != 0) ok = false, error = errno;
#endif
  if (std::fclose(f) != 0 && ok) ok = false, error = errno;
  if (ok) {
    fs::rename(temp, target, ec);
    if (ec) ok = false, error = ec.value();
  }
  if (!ok) {
    fs::remove(temp, ec);
    throw RunError("結果ファイルを書き込めません: " + path + " (" + Reason(error) + ")");
  }
}

void WriteResultFile(const std::string& OutputBase, const ResultFileContent& content, const WriteFailureHook& fail) {
  const char last = OutputBase.empty() ? '/' : OutputBase.back();
  if (last == '/' || last == '\\') throw RunError("出力データファイル名を入力してください");
  WriteFileAtomically(OutputBase + ".csv", FormatResultFile(content), fail);
}

}  // namespace voltrigg
