#pragma once
// Files a user picks or drops together (a result, its module list, a
// measurement file), told apart by what they hold rather than by their names,
// as the viewer tells a dropped file apart.
#include <string>
#include <vector>

namespace voltrigg {

// A picked file's name as a name in a folder of its own: its last part, or
// `fallback` when it has none ("", ".", ".."), so that no name reaches outside.
std::string PickedFileName(const std::string& name, const std::string& fallback);

// The result file a run with the output name `output_name` writes, by its
// last part: "OUTPUT.csv", as the page saves the result.
std::string ResultFileNameOf(const std::string& output_name);

struct PickedFile {
  std::string path;  // where it can be read
  std::string name;  // the name the user knows it by (bytes), in the reasons
};

// Which picked file is which: a file whose header names string, voc_v and
// isc_a is a measurement file; one the result reader reads is the result; the
// other is its module list.
struct FilesApart {
  enum class Refusal { None, NoResult, TwoResults, TwoLists, TwoMeasurements };
  Refusal refusal = Refusal::None;
  int result = -1;  // indices into the files, -1 for none
  int list = -1;
  int measurements = -1;
  // Every file that is no result: its name (as UTF-8) and the reader's words.
  std::vector<std::string> reasons;
};

// Refused when there is no result, more than one, more than one other file,
// or more than one measurement file (no file is passed over unsaid).
FilesApart TellFilesApart(const std::vector<PickedFile>& files);

}  // namespace voltrigg
