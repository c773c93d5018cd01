#include "app/shared/picked_files.h"

#include <exception>
#include <filesystem>

#include "commission/measurement_file.h"
#include "input/text_utf8.h"
#include "output/result_reader.h"

namespace voltrigg {

std::string PickedFileName(const std::string& name, const std::string& fallback) {
  std::string file = std::filesystem::path(name).filename().string();
  if (file.empty() || file == "." || file == "..") file = fallback;
  return file;
}

std::string ResultFileNameOf(const std::string& output_name) {
  const std::size_t cut = output_name.find_last_of("/\\");
  return (cut == std::string::npos ? output_name : output_name.substr(cut + 1)) + ".csv";
}

FilesApart TellFilesApart(const std::vector<PickedFile>& files) {
  FilesApart out;
  int results = 0;
  int others = 0;
  int measurements = 0;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const int index = static_cast<int>(k);
    if (NamesMeasurementColumns(files[k].path)) {
      out.measurements = index;
      ++measurements;
      continue;
    }
    try {
      (void)ReadResultFile(files[k].path);
      out.result = index;
      ++results;
    } catch (const std::exception& e) {
      out.list = index;
      ++others;
      out.reasons.push_back(TextAsUtf8(files[k].name) + ": " + e.what());
    }
  }
  if (results == 0) {
    out.refusal = FilesApart::Refusal::NoResult;
  } else if (results > 1) {
    out.refusal = FilesApart::Refusal::TwoResults;
  } else if (others > 1) {
    out.refusal = FilesApart::Refusal::TwoLists;
  } else if (measurements > 1) {
    out.refusal = FilesApart::Refusal::TwoMeasurements;
  }
  return out;
}

}  // namespace voltrigg
