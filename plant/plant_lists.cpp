#include "plant/plant_lists.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <optional>
#include <streambuf>
#include <unordered_map>
#include <utility>

#include "input/field_reader.h"
#include "input/median.h"
#include "input/number_text.h"
#include "input/text_utf8.h"
#include "output/result_file.h"
#include "plant/parallel.h"

namespace voltrigg::plant {

namespace {

using Kind = PlantFault::Kind;

// A list larger than this is read in pieces of about this size.
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

// An istream over text held elsewhere, without a copy.
class ViewBuffer : public std::streambuf {
 public:
  explicit ViewBuffer(std::string_view text) {
    char* begin = const_cast<char*>(text.data());  // only ever read
    setg(begin, begin, begin + text.size());
  }
};

enum Field { kNumber, kSerial, kPmax, kVmp, kImp, kVoc, kIsc, kPallet, kFieldKinds };
constexpr std::array<const char*, kFieldKinds> kFieldNames = {"number", "serial", "pmax_w", "vmp_v",
                                                              "imp_a",  "voc_v",  "isc_a",  "pallet"};
// The measured values in the order they are checked and stored.
constexpr std::array<Field, 5> kValueFields = {kPmax, kVmp, kImp, kVoc, kIsc};

struct Columns {
  std::array<int, kFieldKinds> at = {-1, -1, -1, -1, -1, -1, -1, -1};  // each field's column, -1: none
  std::size_t count = 0;                                               // fields per line
  bool seven = false;                                                  // a module list (seven fields)
};

// One list, read and decoded, with its header understood.
struct ListText {
  std::string owned;      // the decoded text, or the file's bytes
  std::string_view text;  // what is read: `owned` or the request's own text
  Columns columns;
  std::size_t data_begin = 0;        // the first byte after the header line
  std::int64_t data_first_line = 1;  // the line it starts
  std::vector<PlantFault> faults;
};

struct Piece {
  int file = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::int64_t first_line = 1;
  bool with_header = false;  // a list holding a double quote is read in one piece, header and all
};

struct PieceRows {
  std::array<std::vector<float>, 5> values;  // by kValueFields
  std::vector<float> number;
  std::string serials;
  std::vector<std::uint32_t> serial_size;
  std::vector<std::uint32_t> pallet;  // into pallet_names
  std::vector<std::string> pallet_names;
  std::unordered_map<std::string, std::uint32_t> pallet_ids;
  std::vector<std::uint32_t> line;
  std::vector<PlantFault> faults;
  std::optional<Columns> header;  // a piece that began with the list's header
  std::size_t rows() const { return line.size(); }
};

PlantFault FileFault(Kind kind, int file, const std::string& name) {
  PlantFault f;
  f.kind = kind;
  f.file = file;
  f.file_name = name;
  return f;
}

PlantFault LineFault(Kind kind, int file, const std::string& name, std::int64_t line, std::string field = {},
                     std::string value = {}) {
  PlantFault f = FileFault(kind, file, name);
  f.line = line;
  f.field = std::move(field);
  f.value = std::move(value);
  return f;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Line ends as the field reader counts them: CR LF, LF and a lone CR. (The
// C library's memchr takes wide steps between them.)
std::int64_t CountLineEnds(std::string_view text) {
  const char* const end = text.data() + text.size();
  const auto next = [end](const char* from, char c) {
    return static_cast<const char*>(std::memchr(from, c, static_cast<std::size_t>(end - from)));
  };
  std::int64_t n = 0;
  for (const char* p = next(text.data(), '\n'); p != nullptr; p = next(p + 1, '\n')) ++n;
  for (const char* p = next(text.data(), '\r'); p != nullptr; p = next(p + 1, '\r')) {
    if (p + 1 == end || p[1] != '\n') ++n;
  }
  return n;
}

// True when every byte is ASCII (a UTF-8 text, and most lists are).
bool IsAscii(std::string_view text) {
  unsigned char any = 0;
  for (char c : text) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

Kind ReaderProblemKind(FieldReader::Problem problem) {
  switch (problem) {
    case FieldReader::Problem::UnclosedQuote:
      return Kind::UnclosedQuote;
    case FieldReader::Problem::TextAfterQuote:
      return Kind::TextAfterQuote;
    case FieldReader::Problem::TooLong:
      return Kind::FieldTooLong;
    case FieldReader::Problem::NulByte:
      return Kind::NotText;
    case FieldReader::Problem::EndOfInput:
    case FieldReader::Problem::ReadFailed:
    case FieldReader::Problem::None:
      break;
  }
  return Kind::FileUnreadable;
}

// One row's fields; false (with a fault) when the reader met a problem.
bool ReadRow(FieldReader& reader, std::vector<FieldReader::Field>& fields, std::int64_t& last_line) {
  fields.clear();
  for (;;) {
    std::optional<FieldReader::Field> f = reader.Next();
    if (!f) return false;
    last_line = f->line;
    const bool ends = f->ends_line;
    fields.push_back(std::move(*f));
    if (ends) return true;
  }
}

std::optional<Columns> HeaderColumns(const std::vector<FieldReader::Field>& header, ExtrasUse extras,
                                     PalletColumn pallets, int file, const std::string& name, std::int64_t line,
                                     std::vector<PlantFault>& faults) {
  Columns c;
  c.at.fill(-1);
  c.count = header.size();
  bool named = false;
  for (const FieldReader::Field& f : header) {
    const std::string lower = Lower(f.text);
    for (int k = kSerial; k < kFieldKinds; ++k) named = named || lower == kFieldNames[static_cast<std::size_t>(k)];
  }
  if (named) {
    for (std::size_t i = 0; i < header.size(); ++i) {
      const std::string lower = Lower(header[i].text);
      for (int k = kSerial; k < kFieldKinds; ++k) {
        if (lower != kFieldNames[static_cast<std::size_t>(k)]) continue;
        if (c.at[static_cast<std::size_t>(k)] >= 0) {
          faults.push_back(LineFault(Kind::RepeatedColumn, file, name, line, kFieldNames[static_cast<std::size_t>(k)]));
          return std::nullopt;
        }
        c.at[static_cast<std::size_t>(k)] = static_cast<int>(i);
      }
    }
    for (int k = kSerial; k <= kIsc; ++k) {
      if (c.at[static_cast<std::size_t>(k)] < 0) {
        faults.push_back(LineFault(Kind::MissingColumn, file, name, line, kFieldNames[static_cast<std::size_t>(k)]));
        return std::nullopt;
      }
    }
  } else if (header.size() == 7) {
    c.seven = true;
    c.at = {0, 1, 2, 3, 4, extras == ExtrasUse::IscVoc ? 6 : 5, extras == ExtrasUse::IscVoc ? 5 : 6, -1};
  } else {
    PlantFault f = LineFault(Kind::UnknownHeader, file, name, line);
    f.count = static_cast<std::int64_t>(header.size());
    faults.push_back(std::move(f));
    return std::nullopt;
  }
  if (pallets == PalletColumn::Required && c.at[kPallet] < 0) {
    faults.push_back(FileFault(Kind::NoPalletColumn, file, name));
    return std::nullopt;
  }
  return c;
}

// IsUtf8 of a large text, piece by piece at once: cut where a byte below
// 0x80 stands, which no multi-byte character holds.
bool IsUtf8InPieces(std::string_view text) {
  std::vector<std::size_t> cuts = {0};
  while (cuts.back() < text.size()) {
    std::size_t cut = std::min(text.size(), cuts.back() + 4 * kPieceBytes);
    while (cut < text.size() && static_cast<unsigned char>(text[cut]) >= 0x80) ++cut;
    cuts.push_back(cut);
  }
  std::vector<char> ok(cuts.size() - 1, 0);
  ParallelFor(0, ok.size(), 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      const std::string_view piece = text.substr(cuts[k], cuts[k + 1] - cuts[k]);
      ok[k] = IsAscii(piece) || IsUtf8(piece) ? 1 : 0;
    }
  });
  return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
}

// The list's text: the request's own, or the file's bytes; as UTF-8.
bool LoadList(const PlantSource& source, int file, ListText& list) {
  if (source.text) {
    list.text = *source.text;
  } else {
    std::error_code ec;
    if (std::filesystem::is_directory(source.path, ec)) {
      list.faults.push_back(FileFault(Kind::FileUnreadable, file, source.name));
      return false;
    }
    std::ifstream in(source.path, std::ios::binary);
    if (!in.is_open() || !in.seekg(0, std::ios::end)) {
      list.faults.push_back(FileFault(Kind::FileUnreadable, file, source.name));
      return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
      list.faults.push_back(FileFault(Kind::FileUnreadable, file, source.name));
      return false;
    }
    if (size > kMaxPlantFileBytes) {
      PlantFault f = FileFault(Kind::FileTooLarge, file, source.name);
      f.count = size;
      list.faults.push_back(std::move(f));
      return false;
    }
    list.owned.resize(static_cast<std::size_t>(size));
    in.seekg(0, std::ios::beg);
    in.read(list.owned.data(), size);
    if (in.gcount() != size) {
      list.faults.push_back(FileFault(Kind::FileUnreadable, file, source.name));
      return false;
    }
    list.text = list.owned;
  }
  if (static_cast<std::int64_t>(list.text.size()) > kMaxPlantFileBytes) {
    PlantFault f = FileFault(Kind::FileTooLarge, file, source.name);
    f.count = static_cast<std::int64_t>(list.text.size());
    list.faults.push_back(std::move(f));
    return false;
  }
  // Lists come from Japanese Windows machines as often as not: a text that
  // is not UTF-8 is Shift-JIS, decoded as a whole when it can be, else
  // character by character with what fits neither escaped.
  if (!IsUtf8InPieces(list.text)) {
    std::optional<std::string> decoded = DecodeCp932(list.text);
    std::string utf8 = decoded ? std::move(*decoded) : TextAsUtf8(list.text);
    list.owned = std::move(utf8);
    list.text = list.owned;
  }
  return true;
}

// Reads the rows of one piece. The reader stands after the header.
void ReadRows(FieldReader& reader, std::int64_t line_offset, const Columns& columns, PalletColumn pallets, int file,
              const std::string& name, PieceRows& out) {
  std::vector<FieldReader::Field> fields;
  std::int64_t last_line = 1;
  const auto at = [&](Field f) -> const std::string& {
    return fields[static_cast<std::size_t>(columns.at[static_cast<std::size_t>(f)])].text;
  };
  while (out.faults.size() < kMaxPlantFaults && out.rows() <= static_cast<std::size_t>(kMaxPlantModules)) {
    if (reader.AtEnd()) return;
    if (!ReadRow(reader, fields, last_line)) {
      if (reader.LastProblem() == FieldReader::Problem::EndOfInput) return;
      out.faults.push_back(LineFault(ReaderProblemKind(reader.LastProblem()), file, name, line_offset + last_line - 1));
      return;
    }
    const std::int64_t line = line_offset + fields.front().line - 1;
    if (fields.size() != columns.count) {
      PlantFault f = LineFault(Kind::FieldCount, file, name, line);
      f.count = static_cast<std::int64_t>(fields.size());
      f.needed = static_cast<std::int64_t>(columns.count);
      out.faults.push_back(std::move(f));
      continue;
    }
    const auto fault = [&](Kind kind, Field field) {
      out.faults.push_back(LineFault(kind, file, name, line, kFieldNames[static_cast<std::size_t>(field)], at(field)));
    };
    std::array<float, 5> v{};
    bool bad = false;
    for (std::size_t k = 0; k < kValueFields.size() && !bad; ++k) {
      if (!ParseNumberField(at(kValueFields[k]), v[k])) {
        fault(LooksLikeNumber(at(kValueFields[k])) ? Kind::NotFinite : Kind::NotANumber, kValueFields[k]);
        bad = true;
      }
    }
    float number = 0;
    if (!bad && columns.seven && !ParseNumberField(at(kNumber), number)) {
      fault(LooksLikeNumber(at(kNumber)) ? Kind::NotFinite : Kind::NotANumber, kNumber);
      bad = true;
    }
    if (bad) continue;
    if (at(kSerial).empty()) {
      fault(Kind::EmptySerial, kSerial);
      continue;
    }
    const bool has_pallet = columns.at[kPallet] >= 0;
    if (pallets == PalletColumn::Required && has_pallet && at(kPallet).empty()) {
      fault(Kind::EmptyPallet, kPallet);
      continue;
    }
    for (std::size_t k = 0; k < kValueFields.size() && !bad; ++k) {
      // Written so that NaN is refused as well.
      if (!(v[k] > 0)) {
        fault(Kind::NotPositive, kValueFields[k]);
        bad = true;
      }
    }
    if (bad) continue;
    const double pmax = v[0];
    const double vmp = v[1];
    const double imp = v[2];
    const double voc = v[3];
    const double isc = v[4];
    if (!(voc > vmp)) {
      fault(Kind::VocNotAboveVmp, kVoc);
      continue;
    }
    if (!(isc > imp)) {
      fault(Kind::IscNotAboveImp, kIsc);
      continue;
    }
    if (!(voc <= kMaxOpenToMppRatio * vmp)) {
      fault(Kind::ImplausibleRatio, kVoc);
      continue;
    }
    if (!(isc <= kMaxOpenToMppRatio * imp)) {
      fault(Kind::ImplausibleRatio, kIsc);
      continue;
    }
    if (!(std::fabs(pmax - vmp * imp) <= kPmaxMismatchShare * vmp * imp)) {
      fault(Kind::PmaxMismatch, kPmax);
      continue;
    }
    for (std::size_t k = 0; k < kValueFields.size(); ++k) out.values[k].push_back(v[k]);
    out.number.push_back(number);
    out.serials += at(kSerial);
    out.serial_size.push_back(static_cast<std::uint32_t>(at(kSerial).size()));
    // Rows of one pallet mostly follow each other.
    static const std::string kNone;
    const std::string& pallet = has_pallet ? at(kPallet) : kNone;
    if (out.pallet.empty() || pallet != out.pallet_names[out.pallet.back()]) {
      const auto [it, added] = out.pallet_ids.try_emplace(pallet, static_cast<std::uint32_t>(out.pallet_names.size()));
      if (added) out.pallet_names.push_back(pallet);
      out.pallet.push_back(it->second);
    } else {
      out.pallet.push_back(out.pallet.back());
    }
    out.line.push_back(static_cast<std::uint32_t>(line));
  }
}

// The header of a list, and where its data rows start; a list that holds a
// double quote anywhere is read in one piece, since a quoted field may span
// lines.
void ReadHeader(ListText& list, int file, const std::string& name, ExtrasUse extras, PalletColumn pallets,
                std::vector<Piece>& pieces) {
  const std::string_view text = list.text;
  if (text.find('"') != std::string_view::npos) {
    pieces.push_back(Piece{file, 0, text.size(), 1, true});
    return;
  }
  std::size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (pos < text.size() && IsBlankOrLineEnd(text[pos])) ++pos;
  if (pos == text.size()) {
    list.faults.push_back(FileFault(Kind::NoHeader, file, name));
    return;
  }
  std::size_t end = pos;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  if (end < text.size() && text[end] == '\r') ++end;
  if (end < text.size() && text[end] == '\n') ++end;
  ViewBuffer buffer(text.substr(0, end));
  std::istream in(&buffer);
  FieldReader reader(in);
  std::vector<FieldReader::Field> header;
  std::int64_t last_line = 1;
  if (!ReadRow(reader, header, last_line)) {
    list.faults.push_back(LineFault(ReaderProblemKind(reader.LastProblem()), file, name, last_line));
    return;
  }
  const std::optional<Columns> columns =
      HeaderColumns(header, extras, pallets, file, name, header.front().line, list.faults);
  if (!columns) return;
  list.columns = *columns;
  list.data_begin = end;
  list.data_first_line = 1 + CountLineEnds(text.substr(0, end));
  // Pieces end just after a line feed, never where the next piece would
  // start with a byte order mark (the reader skips one at its start).
  std::size_t begin = end;
  while (begin < text.size()) {
    std::size_t cut = std::min(text.size(), begin + kPieceBytes);
    while (cut < text.size() && !(text[cut - 1] == '\n' && text.substr(cut, 3) != "\xEF\xBB\xBF")) ++cut;
    pieces.push_back(Piece{file, begin, cut, 0, false});
    begin = cut;
  }
}

void ReadPiece(const ListText& list, const Piece& piece, const std::string& name, ExtrasUse extras,
               PalletColumn pallets, PieceRows& out) {
  ViewBuffer buffer(list.text.substr(piece.begin, piece.end - piece.begin));
  std::istream in(&buffer);
  FieldReader reader(in);
  if (!piece.with_header) {
    ReadRows(reader, 1, list.columns, pallets, piece.file, name, out);
    return;
  }
  if (reader.AtEnd()) {
    out.faults.push_back(FileFault(Kind::NoHeader, piece.file, name));
    return;
  }
  std::vector<FieldReader::Field> header;
  std::int64_t last_line = 1;
  if (!ReadRow(reader, header, last_line)) {
    out.faults.push_back(LineFault(ReaderProblemKind(reader.LastProblem()), piece.file, name, last_line));
    return;
  }
  const std::optional<Columns> columns =
      HeaderColumns(header, extras, pallets, piece.file, name, header.front().line, out.faults);
  if (!columns) return;
  out.header = columns;
  ReadRows(reader, 1, *columns, pallets, piece.file, name, out);
}

// FNV-1a: serials are compared by their hash first.
std::uint64_t Hash(std::string_view text) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

void RepeatedSerials(const PlantLot& lot, const std::vector<PlantSource>& lists, std::vector<PlantFault>& faults) {
  const std::size_t n = lot.size();
  std::vector<std::uint64_t> hashes(n);
  ParallelFor(0, n, 4096, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) hashes[k] = Hash(lot.Serial(k));
  });
  std::size_t capacity = 16;
  while (capacity < 2 * n) capacity *= 2;
  constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
  std::vector<std::uint32_t> table(capacity, kEmpty);
  for (std::size_t k = 0; k < n && faults.size() < kMaxPlantFaults; ++k) {
    std::size_t slot = hashes[k] & (capacity - 1);
    for (;; slot = (slot + 1) & (capacity - 1)) {
      const std::uint32_t j = table[slot];
      if (j == kEmpty) {
        table[slot] = static_cast<std::uint32_t>(k);
        break;
      }
      if (hashes[j] == hashes[k] && lot.Serial(j) == lot.Serial(k)) {
        PlantFault f = LineFault(Kind::RepeatedSerial, static_cast<int>(lot.file[k]), lists[lot.file[k]].name,
                                 lot.line[k], kFieldNames[kSerial], std::string(lot.Serial(k)));
        f.first = lot.Place(j);
        f.first_file_name = lists[lot.file[j]].name;
        faults.push_back(std::move(f));
        break;
      }
    }
  }
}

// The warnings a planning run gives for its list, over the plant: module
// numbers used twice within one module list, and values far from the lot's
// median. (Values at or below 0 and repeated serials are refused here.)
std::vector<PlantWarning> LotWarnings(const PlantLot& lot, const std::vector<float>& numbers,
                                      const std::vector<bool>& seven_field) {
  std::vector<PlantWarning> out;
  std::vector<std::pair<float, std::uint32_t>> by_number;
  std::size_t k = 0;
  while (k < lot.size()) {
    const std::uint32_t file = lot.file[k];
    std::size_t end = k;
    while (end < lot.size() && lot.file[end] == file) ++end;
    if (seven_field[file]) {
      by_number.clear();
      for (std::size_t j = k; j < end; ++j) {
        // An empty number field reads as 0: nothing to mix up.
        if (numbers[j] != 0) by_number.emplace_back(numbers[j], static_cast<std::uint32_t>(j));
      }
      std::sort(by_number.begin(), by_number.end());
      std::vector<PlantWarning> twice;
      for (std::size_t a = 0; a < by_number.size();) {
        std::size_t b = a;
        while (b < by_number.size() && by_number[b].first == by_number[a].first) ++b;
        if (b - a >= 2) {
          PlantWarning w;
          w.kind = ListWarning::Kind::DuplicateNumber;
          w.name = "モジュール番号";
          w.value = FormatFloat(by_number[a].first);
          for (std::size_t i = a; i < b; ++i) w.places.push_back(lot.Place(by_number[i].second));
          twice.push_back(std::move(w));
        }
        a = b;
      }
      std::sort(twice.begin(), twice.end(), [](const PlantWarning& x, const PlantWarning& y) {
        return x.places.front().line < y.places.front().line;
      });
      for (PlantWarning& w : twice) out.push_back(std::move(w));
    }
    k = end;
  }
  const struct {
    const std::vector<float>& values;
    const char* name;
    const char* unit;
  } columns[] = {{lot.pmax_w, "Pmax", "W"},
                 {lot.vmp_v, "Vpm", "V"},
                 {lot.imp_a, "Ipm", "A"},
                 {lot.voc_v, "Voc", "V"},
                 {lot.isc_a, "Isc", "A"}};
  constexpr std::size_t kColumns = sizeof columns / sizeof columns[0];
  std::array<PlantWarning, kColumns> far;
  ParallelFor(0, kColumns, 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k < last; ++k) {
      PlantWarning& w = far[k];
      w.kind = ListWarning::Kind::FarFromMedian;
      w.name = columns[k].name;
      w.unit = columns[k].unit;
      w.median = Median(columns[k].values);
      const std::vector<float>& values = columns[k].values;
      for (std::size_t j = 0; j < values.size(); ++j) {
        const float v = values[j];
        if (!(std::fabs(static_cast<double>(v) - w.median) <= kFarFromMedianShare * std::fabs(w.median))) {
          w.places.push_back(lot.Place(j));
          w.values.push_back(v);
        }
      }
    }
  });
  for (PlantWarning& w : far) {
    if (!w.places.empty()) out.push_back(std::move(w));
  }
  return out;
}

}  // namespace

LotReading ReadPlantLists(const std::vector<PlantSource>& lists, ExtrasUse extras, PalletColumn pallets) {
  LotReading out;
  if (lists.empty()) {
    out.faults.push_back(FileFault(Kind::NoLists, -1, ""));
    return out;
  }
  if (extras == ExtrasUse::None) {
    out.faults.push_back(FileFault(Kind::BadExtras, -1, ""));
    return out;
  }
  // Each list read, decoded and its header understood, at once.
  std::vector<ListText> texts(lists.size());
  std::vector<std::vector<Piece>> file_pieces(lists.size());
  ParallelFor(0, lists.size(), 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t f = first; f < last; ++f) {
      const int file = static_cast<int>(f);
      if (LoadList(lists[f], file, texts[f]))
        ReadHeader(texts[f], file, lists[f].name, extras, pallets, file_pieces[f]);
    }
  });
  std::vector<Piece> pieces;
  for (std::size_t f = 0; f < lists.size(); ++f) {
    for (PlantFault& fault : texts[f].faults) out.faults.push_back(std::move(fault));
    pieces.insert(pieces.end(), file_pieces[f].begin(), file_pieces[f].end());
  }
  if (!out.faults.empty()) {
    if (out.faults.size() > kMaxPlantFaults) out.faults.resize(kMaxPlantFaults);
    return out;
  }
  // Every piece read at once, its lines counted from its start; then each
  // piece's first line from the line ends of the pieces before it.
  std::vector<std::int64_t> line_ends(pieces.size());
  std::vector<PieceRows> rows(pieces.size());
  ParallelFor(0, pieces.size(), 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t p = first; p < last; ++p) {
      const Piece& piece = pieces[p];
      const std::size_t f = static_cast<std::size_t>(piece.file);
      ReadPiece(texts[f], piece, lists[f].name, extras, pallets, rows[p]);
      line_ends[p] = CountLineEnds(texts[f].text.substr(piece.begin, piece.end - piece.begin));
    }
  });
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    if (pieces[p].with_header) continue;
    const bool first_of_file = p == 0 || pieces[p - 1].file != pieces[p].file;
    pieces[p].first_line = first_of_file ? texts[static_cast<std::size_t>(pieces[p].file)].data_first_line
                                         : pieces[p - 1].first_line + line_ends[p - 1];
    const std::int64_t shift = pieces[p].first_line - 1;
    for (PlantFault& fault : rows[p].faults) {
      if (fault.line > 0) fault.line += shift;
    }
  }
  std::vector<bool> seven_field(lists.size(), false);
  out.lot.file_has_pallet.assign(lists.size(), false);
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    if (rows[p].header) texts[static_cast<std::size_t>(pieces[p].file)].columns = *rows[p].header;
  }
  for (std::size_t f = 0; f < lists.size(); ++f) {
    seven_field[f] = texts[f].columns.seven;
    out.lot.file_has_pallet[f] = texts[f].columns.at[kPallet] >= 0;
  }
  std::int64_t total = 0;
  for (const PieceRows& r : rows) {
    for (const PlantFault& fault : r.faults) {
      if (out.faults.size() < kMaxPlantFaults) out.faults.push_back(fault);
    }
    total += static_cast<std::int64_t>(r.rows());
  }
  if (!out.faults.empty()) return out;
  if (total > kMaxPlantModules) {
    PlantFault f = FileFault(Kind::TooManyRows, -1, "");
    f.count = total;
    f.needed = kMaxPlantModules;
    out.faults.push_back(std::move(f));
    return out;
  }
  // The pieces one after the other, pallets ranked in order of first
  // appearance; each piece copied to its place at once.
  texts.clear();
  PlantLot& lot = out.lot;
  const std::size_t n = static_cast<std::size_t>(total);
  std::vector<float> numbers(n);
  std::array<std::vector<float>*, 5> columns = {&lot.pmax_w, &lot.vmp_v, &lot.imp_a, &lot.voc_v, &lot.isc_a};
  for (std::vector<float>* c : columns) c->resize(n);
  lot.serial_end.resize(n);
  lot.pallet.resize(n);
  lot.file.resize(n);
  lot.line.resize(n);
  std::vector<std::size_t> first_row(pieces.size() + 1, 0);
  std::vector<std::size_t> first_byte(pieces.size() + 1, 0);
  std::unordered_map<std::string, std::uint32_t> ranks;
  std::vector<std::vector<std::uint32_t>> rank_of(pieces.size());
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    first_row[p + 1] = first_row[p] + rows[p].rows();
    first_byte[p + 1] = first_byte[p] + rows[p].serials.size();
    for (const std::string& name : rows[p].pallet_names) {
      const auto [it, added] = ranks.try_emplace(name, static_cast<std::uint32_t>(lot.pallet_names.size()));
      if (added) lot.pallet_names.push_back(name);
      rank_of[p].push_back(it->second);
    }
  }
  lot.serial_text.resize(first_byte.back());
  ParallelFor(0, pieces.size(), 1, [&](std::size_t first, std::size_t last) {
    for (std::size_t p = first; p < last; ++p) {
      PieceRows& r = rows[p];
      const std::size_t at = first_row[p];
      for (std::size_t k = 0; k < columns.size(); ++k)
        std::copy(r.values[k].begin(), r.values[k].end(), columns[k]->begin() + static_cast<std::ptrdiff_t>(at));
      std::copy(r.number.begin(), r.number.end(), numbers.begin() + static_cast<std::ptrdiff_t>(at));
      std::copy(r.serials.begin(), r.serials.end(),
                lot.serial_text.begin() + static_cast<std::ptrdiff_t>(first_byte[p]));
      std::uint64_t end = first_byte[p];
      for (std::size_t k = 0; k < r.rows(); ++k) {
        lot.serial_end[at + k] = end += r.serial_size[k];
        lot.pallet[at + k] = rank_of[p][r.pallet[k]];
        lot.file[at + k] = static_cast<std::uint32_t>(pieces[p].file);
        lot.line[at + k] = static_cast<std::uint32_t>(r.line[k] + pieces[p].first_line - 1);
      }
      r = PieceRows();
    }
  });
  // Repeated serials and the warnings at once; the warnings only count
  // when no serial is repeated.
  ParallelInvoke([&] { RepeatedSerials(lot, lists, out.faults); },
                 [&] { out.warnings = LotWarnings(lot, numbers, seven_field); });
  if (!out.faults.empty()) out.warnings.clear();
  return out;
}

}  // namespace voltrigg::plant
