#include "calc/array_shape.h"

#include <cstdint>
#include <string>

#include "input/module_list.h"
#include "input/run_error.h"

namespace voltrigg {

namespace {

[[noreturn]] void Refuse(const ArrayShape& shape, RunFaultKind what, std::int64_t limit = 0) {
  throw RunError(MakeFault(what, shape.modules, shape.series, shape.parallel, limit));
}

}  // namespace

void CheckArrayShape(const ArrayShape& shape) {
  // In 64 bits, so that no pair of int counts can overflow the product.
  const std::int64_t product = static_cast<std::int64_t>(shape.series) * shape.parallel;
  if (product != shape.modules) Refuse(shape, RunFaultKind::ShapeNotProduct);
  if (shape.modules < 0 || shape.modules > kModuleSlots) Refuse(shape, RunFaultKind::ShapeModules, kModuleSlots);
  if (shape.series > kSeriesPositions) Refuse(shape, RunFaultKind::ShapeSeries, kSeriesPositions);
  if (shape.parallel > kModuleSlots) Refuse(shape, RunFaultKind::ShapeParallel, kModuleSlots);
}

void CheckTableSlots(std::size_t slots, const ArrayShape& shape) {
  if (shape.modules >= 0 && static_cast<std::size_t>(shape.modules) < slots) return;
  Refuse(shape, RunFaultKind::ShapeTableSlots, static_cast<std::int64_t>(slots));
}

}  // namespace voltrigg
