#include "web/binding/page.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/shared/picked_files.h"

namespace voltrigg::web {

void FreshFolder(const char* folder) {
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  std::filesystem::current_path(folder, ec);
}

void RemoveFolder(const char* folder) {
  std::error_code ec;
  std::filesystem::current_path("/", ec);
  std::filesystem::remove_all(folder, ec);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

PageFile FileOf(const emscripten::val& file, const std::string& fallback) {
  const emscripten::val name = file["name"];
  return {PickedFileName(name.isString() ? name.as<std::string>() : "", fallback), file["bytes"].as<std::string>()};
}

KeptResult& Kept() {
  static KeptResult kept;
  return kept;
}

bool KeepsResult(const emscripten::val& options) { return options["keep"].isTrue(); }

}  // namespace voltrigg::web
