#include "input/field_reader.h"

namespace voltrigg {

namespace {
constexpr int kEnd = -1;
bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }
}  // namespace

FieldReader::FieldReader(std::istream& in) : in_(in) {}

int FieldReader::Peek() {
  if (pos_ == len_) {
    if (problem_ != Problem::None || !in_.good()) return kEnd;
    in_.read(buffer_, sizeof buffer_);
    len_ = static_cast<std::size_t>(in_.gcount());
    pos_ = 0;
    if (in_.bad()) problem_ = Problem::ReadFailed;
    if (len_ == 0) return kEnd;
  }
  if (!started_) {
    started_ = true;
    // A UTF-8 byte order mark at the very start is not part of the first field.
    if (len_ >= 3 && buffer_[0] == '\xEF' && buffer_[1] == '\xBB' && buffer_[2] == '\xBF') pos_ = 3;
    if (pos_ == len_) return Peek();
  }
  const unsigned char c = static_cast<unsigned char>(buffer_[pos_]);
  if (c == 0) {
    problem_ = Problem::NulByte;
    pos_ = len_ = 0;
    return kEnd;
  }
  return c;
}

int FieldReader::Get() {
  const int c = Peek();
  if (c != kEnd) ++pos_;
  // CR LF, LF and a lone CR each end one line.
  if (c == '\n' || (c == '\r' && Peek() != '\n')) ++line_;
  return c;
}

void FieldReader::SkipBlanks() {
  while (IsBlank(Peek())) Get();
}

void FieldReader::SkipBlanksAndLineEnds() {
  for (int c = Peek(); IsBlank(c) || IsLineEnd(c); c = Peek()) Get();
}

// Consumes the delimiter after a field: a comma, or one line end (CR, LF or CR LF).
void FieldReader::EndField() {
  const int c = Get();
  pending_empty_field_ = false;
  if (c == ',') {
    const int next = (SkipBlanks(), Peek());
    pending_empty_field_ = (next == kEnd || IsLineEnd(next));
  } else if (c == '\r' && Peek() == '\n') {
    Get();
  }
}

bool FieldReader::AtEnd() {
  if (pending_empty_field_) return false;
  SkipBlanksAndLineEnds();
  // A NUL byte or a failed read is not the end of the file: Next() reports it.
  return Peek() == kEnd && problem_ == Problem::None;
}

std::optional<FieldReader::Field> FieldReader::Next() {
  Field field;
  field.line = line_;
  if (pending_empty_field_) {
    // "a,<line end>": the comma opened a last, empty field of the line.
    SkipBlanks();
    EndField();
    field.ends_line = true;  // such a field is always followed by a line end or the end
    return problem_ == Problem::None ? std::optional<Field>(field) : std::nullopt;
  }
  // Blank lines between fields carry no fields.
  SkipBlanksAndLineEnds();
  int c = Peek();
  field.line = line_;
  if (c == kEnd) {
    if (problem_ == Problem::None) problem_ = Problem::EndOfInput;
    return std::nullopt;
  }
  if (c == '"') {
    Get();
    field.quoted = true;
    for (;;) {
      c = Get();
      if (c == kEnd) {
        if (problem_ == Problem::None) problem_ = Problem::UnclosedQuote;
        return std::nullopt;
      }
      if (c == '"') {
        if (Peek() != '"') break;
        Get();
      }
      if (field.text.size() >= kMaxFieldBytes) {
        problem_ = Problem::TooLong;
        return std::nullopt;
      }
      field.text.push_back(static_cast<char>(c));
    }
    SkipBlanks();
    c = Peek();
    if (c != ',' && !IsLineEnd(c) && c != kEnd) {
      problem_ = Problem::TextAfterQuote;
      return std::nullopt;
    }
  } else {
    // Byte by byte as Peek() and Get() would take them, but the run of the
    // field within the buffer at once: a plant's lists hold millions of fields.
    for (c = Peek(); c != ',' && !IsLineEnd(c) && c != kEnd; c = Peek()) {
      std::size_t end = pos_ + 1;  // Peek() has seen the byte at pos_
      while (end < len_ && buffer_[end] != ',' && buffer_[end] != '\r' && buffer_[end] != '\n' &&
             buffer_[end] != '\0') {
        ++end;
      }
      if (field.text.size() + (end - pos_) > kMaxFieldBytes) {
        problem_ = Problem::TooLong;
        return std::nullopt;
      }
      field.text.append(buffer_ + pos_, end - pos_);
      pos_ = end;
    }
    while (!field.text.empty() && IsBlank(static_cast<unsigned char>(field.text.back()))) field.text.pop_back();
  }
  if (problem_ != Problem::None) return std::nullopt;
  field.ends_line = Peek() != ',';
  EndField();
  if (problem_ != Problem::None) return std::nullopt;
  return field;
}

}  // namespace voltrigg
