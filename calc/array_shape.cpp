#include "calc/array_shape.h"

#include <cstdint>
#include <string>

#include "input/run_error.h"

namespace voltrigg {

namespace {

[[noreturn]] void Refuse(const ArrayShape& shape, const std::string& reason) {
  throw RunError("計算できないアレイ構成です (モジュール数 " + std::to_string(shape.modules) + "、直列モジュール数 " +
                 std::to_string(shape.series) + "、並列ストリング数 " + std::to_string(shape.parallel) + ": " +
                 reason + ")");
}

}  // namespace

void CheckArrayShape(const ArrayShape& shape) {
  // In 64 bits, so that no pair of int counts can overflow the product.
  const std::int64_t product = static_cast<std::int64_t>(shape.series) * shape.parallel;
  if (product != shape.modules) Refuse(shape, "モジュール数が直列モジュール数と並列ストリング数の積と違います");
  if (shape.modules < 0 || shape.modules > kModuleSlots) {
    Refuse(shape, "モジュール数は 0～" + std::to_string(kModuleSlots) + " です");
  }
  if (shape.series > kSeriesPositions) {
    Refuse(shape, "直列モジュール数は " + std::to_string(kSeriesPositions) + " までです");
  }
  if (shape.parallel > kModuleSlots) {
    Refuse(shape, "並列ストリング数は " + std::to_string(kModuleSlots) + " までです");
  }
}

void CheckTableSlots(std::size_t slots, const ArrayShape& shape) {
  if (shape.modules >= 0 && static_cast<std::size_t>(shape.modules) < slots) return;
  Refuse(shape, "表の大きさが足りません: " + std::to_string(slots) + " 項目");
}

}  // namespace voltrigg
