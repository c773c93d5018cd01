#pragma once
// The plant's parallel loops: oneTBB when the build found it, a plain loop
// otherwise (the browser page, a build without it). Every loop body writes
// only what belongs to its own indices and every sum is formed afterwards in
// index order, so the results are the same bytes whatever the thread count.
#include <algorithm>
#include <cstddef>
#include <memory>

#if defined(VOLTRIGG_PLANT_TBB)
#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/global_control.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/parallel_invoke.h>
#include <oneapi/tbb/parallel_sort.h>
#endif

namespace voltrigg::plant {

// Calls body(first, last) on consecutive pieces of [begin, end) of at least
// `grain` indices each (the last may be shorter), possibly at once on
// several threads.
template <class Body>
void ParallelFor(std::size_t begin, std::size_t end, std::size_t grain, const Body& body) {
  if (begin >= end) return;
  grain = std::max<std::size_t>(grain, 1);
#if defined(VOLTRIGG_PLANT_TBB)
  oneapi::tbb::parallel_for(oneapi::tbb::blocked_range<std::size_t>(begin, end, grain),
                            [&](const oneapi::tbb::blocked_range<std::size_t>& r) { body(r.begin(), r.end()); });
#else
  for (std::size_t first = begin; first < end; first += grain) body(first, std::min(end, first + grain));
#endif
}

// Calls every one of `tasks`, possibly at once on several threads.
template <class... Tasks>
void ParallelInvoke(const Tasks&... tasks) {
#if defined(VOLTRIGG_PLANT_TBB)
  oneapi::tbb::parallel_invoke(tasks...);
#else
  (tasks(), ...);
#endif
}

// Sorts [first, last) by `less`, possibly on several threads. The order
// must be total (no two elements equivalent), so that every way of sorting
// gives the same sequence.
template <class Iterator, class Less>
void ParallelSort(Iterator first, Iterator last, const Less& less) {
#if defined(VOLTRIGG_PLANT_TBB)
  oneapi::tbb::parallel_sort(first, last, less);
#else
  std::sort(first, last, less);
#endif
}

// While it lives, at most `threads` threads run the loops above (0: as many
// as the machine has).
class ThreadLimit {
 public:
  explicit ThreadLimit(int threads) {
#if defined(VOLTRIGG_PLANT_TBB)
    if (threads > 0) {
      control_ = std::make_unique<oneapi::tbb::global_control>(oneapi::tbb::global_control::max_allowed_parallelism,
                                                               static_cast<std::size_t>(threads));
    }
#else
    (void)threads;
#endif
  }

 private:
#if defined(VOLTRIGG_PLANT_TBB)
  std::unique_ptr<oneapi::tbb::global_control> control_;
#endif
};

}  // namespace voltrigg::plant
