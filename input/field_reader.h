#pragma once
#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace voltrigg {

// Reads comma-separated text as a stream of fields, not of lines: a field ends
// at a comma or a line end, spaces before a field are skipped, a field in
// double quotes may hold commas and line ends and a doubled quote stands for
// one quote. Bytes pass through unchanged (any 8-bit encoding).
class FieldReader {
 public:
  static constexpr std::size_t kMaxFieldBytes = std::size_t{64} * 1024;

  struct Field {
    std::string text;
    bool quoted = false;
    int line = 0;            // the line of the input where the field starts, from 1
    bool ends_line = false;  // the last field of its line (a line end or the end of input follows)
  };

  enum class Problem { None, EndOfInput, UnclosedQuote, TextAfterQuote, TooLong, NulByte, ReadFailed };

  explicit FieldReader(std::istream& in);

  // True when nothing but blanks and line ends is left.
  bool AtEnd();

  // The next field, or nothing with Problem() telling why.
  std::optional<Field> Next();
  Problem LastProblem() const { return problem_; }

 private:
  int Peek();
  int Get();
  void SkipBlanks();
  void SkipBlanksAndLineEnds();
  void EndField();

  std::istream& in_;
  char buffer_[64 * 1024]{};
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool started_ = false;
  bool pending_empty_field_ = false;  // a comma just before a line end or the end
  Problem problem_ = Problem::None;
  int line_ = 1;  // for messages: fields are counted, not lines
};

}  // namespace voltrigg
