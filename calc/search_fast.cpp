// The arrangement search without building candidates.
//
// The plain pass copies the whole arrangement for every candidate and adds up
// every sum of the estimate again. Most of that work repeats sums that the
// move does not touch. For the visited string j, position k1 and a module
// taken from slot k2 of string s2 > j, the candidate differs from the current
// arrangement as follows:
//
//   strings 1..j-1     unchanged
//   string j           slot k1 holds the module from k2
//   string j+1 .. s2   shifted up by one slot: slot S*j+1 holds the module
//                      from k1, every other slot m up to k2 holds the module
//                      from m-1 (string s2 only up to k2, the rest unchanged)
//   strings s2+1..P    unchanged
//
// A string's `StringVpm` is a running sum over its own slots only, so an
// unchanged string keeps its sum bit for bit, and a wholly shifted string t
// has the same sum for every k2 beyond it. The array Ipm is a running sum over
// the first slots in string order: up to string j it is the current prefix;
// strings j+1..s2 get first slots that depend on k1 and s2 only; from s2+1 on
// the current first slots are added again, in order, starting from the exact
// running value reached at s2. So every candidate of one (k1, s2) shares one
// Ipm, and only the strings j and s2 need a sum of their own per candidate.
// The minimum over strings does not depend on the order it is taken in (all
// values are finite and no string sum can be -0, since each starts at +0), so
// it is the minimum of prefix, shifted, changed and suffix minima.
//
// Every sum is still formed exactly as the estimate forms it, one float
// addition after another in slot order from the same start value; nothing is
// updated by subtracting and adding. Float errors: a running sum of finite
// values that leaves the float range stays non-finite, so testing a sum's final
// value is the same as testing after each addition. A candidate whose estimate
// would leave the range raises the same error as in the plain pass, and so
// does a d that leaves it, whether or not its move would have been tried.
//
// When the module values are small enough that no sum, difference or product
// of the pass can leave the float range ("tame" lists: every real flash-test
// list), two shortcuts apply that cannot change a result:
//   - a position whose deviation is not above zero tries no move (d >= 0), so
//     its d values need not be formed;
//   - with Ipm >= 0 the candidate's Pmax is at most Ipm x (the minimum over the
//     strings whose sums are already known), rounding being monotonic; when
//     that bound is below the best Pmax the candidate is rejected without
//     forming the sums of strings j and s2.
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "calc/float_check.h"
#include "calc/search.h"

namespace voltrigg {

namespace {

constexpr const char* kEstimated = kEstimatedArrayFigure;

bool IsTame(const ModuleTable& table, int N) {
  // Bounds in double. Any float running sum of at most 2001 of these values
  // stays within (1 + 2^-24)^2001 < 1.001 times the sum of magnitudes, so
  // below these limits no sum, mean, deviation, d or Pmax of the pass can
  // come near the float maximum.
  double sum_vpm = 0;
  double sum_ipm = 0;
  for (int k = 1; k <= N; ++k) {
    sum_vpm += std::fabs(static_cast<double>(table.records[k].vpm));
    sum_ipm += std::fabs(static_cast<double>(table.records[k].ipm));
  }
  constexpr double kLimit = 1e36;  // far below the float maximum of 3.4e38
  const double voltage_bound = std::max(sum_vpm, 1000.0);
  return sum_vpm <= kLimit && sum_ipm <= kLimit && sum_ipm * voltage_bound <= kLimit;
}

// Working tables of one pass, allocated once at its start.
class FastPass {
 public:
  FastPass(const ModuleTable& table, int N, int S, int P, bool AcceptTies)
      : N_(N), S_(S), P_(P), accept_ties_(AcceptTies), tame_(IsTame(table, N)) {
    current_ = BuildInitialArrangement(table, N);
    vpm_.assign(N + 2, 0.0f);
    ipm_.assign(N + 2, 0.0f);
    for (int k = 1; k <= N; ++k) {
      vpm_[k] = current_[k].vpm;
      ipm_[k] = current_[k].ipm;
    }
    string_vpm_.assign(P + 2, 0.0f);
    first_ipm_sum_.assign(P + 2, 0.0f);
    suffix_min_.assign(P + 2, kVpmCeiling);
    shifted_part_.assign(N + 2, 0.0f);
    shifted_min_before_.assign(P + 2, kVpmCeiling);
    shifted_bad_before_.assign(P + 2, 0);
    ipm_for_.assign(P + 2, 0.0f);
    tried_.reserve(N + 1);
    RefreshStrings(1);
  }

  PassResult Run();

 private:
  int FirstSlot(int t) const { return S_ * (t - 1) + 1; }
  int StringOf(int k) const { return (k - 1) / S_ + 1; }

  // The current arrangement's string sums, first-slot running sums and suffix
  // minima from string `from` on (the strings before it are unchanged).
  void RefreshStrings(int from);
  // The sums a position shares among its candidates, for strings j+1..last.
  void PreparePosition(int j, int k1, int last);
  void ApplyMove(int j, int k1, int k2);

  const int N_, S_, P_;
  const bool accept_ties_;
  const bool tame_;

  ArrayMatrix current_;
  std::vector<float> vpm_, ipm_;  // of the current arrangement, by slot
  std::vector<float> string_vpm_;     // `StringVpm` of each current string
  std::vector<float> first_ipm_sum_;  // running Ipm sum through string t (index 0: start value)
  std::vector<float> suffix_min_;     // min(ceiling, string_vpm_[t..P])

  // For the position being visited:
  std::vector<float> shifted_part_;      // running sum within its string of the shifted slots, by slot
  std::vector<float> shifted_min_before_;  // min(ceiling, shifted sums of strings j+1..t-1)
  std::vector<char> shifted_bad_before_;   // a shifted sum among strings j+1..t-1 is out of range
  std::vector<float> ipm_for_;             // array Ipm of every candidate taking from string t
  std::vector<int> tried_;                 // slots k2 whose d passed the test
};

void FastPass::RefreshStrings(int from) {
  for (int t = from; t <= P_; ++t) {
    float sum = 0;
    for (int k = FirstSlot(t); k <= S_ * t; ++k) sum = sum + vpm_[k];
    string_vpm_[t] = sum;
  }
  float ipm = first_ipm_sum_[from - 1];
  for (int t = from; t <= P_; ++t) {
    ipm = ipm + ipm_[FirstSlot(t)];
    first_ipm_sum_[t] = ipm;
  }
  suffix_min_[P_ + 1] = kVpmCeiling;
  for (int t = P_; t >= 1; --t) suffix_min_[t] = std::min(suffix_min_[t + 1], string_vpm_[t]);
}

void FastPass::PreparePosition(int j, int k1, int last) {
  // Shifted slot values: slot S*j+1 holds the module from k1, slot m > S*j+1
  // the module from m-1. Running sums within each string, in slot order.
  shifted_min_before_[j + 1] = kVpmCeiling;
  shifted_bad_before_[j + 1] = 0;
  for (int t = j + 1; t <= last; ++t) {
    const int first = FirstSlot(t);
    // From +0 as every string sum starts, so a -0 value gives +0 here too.
    float sum = 0.0f + (t == j + 1 ? vpm_[k1] : vpm_[first - 1]);
    shifted_part_[first] = sum;
    for (int m = first + 1; m <= S_ * t; ++m) {
      sum = sum + vpm_[m - 1];
      shifted_part_[m] = sum;
    }
    if (t < last) {
      shifted_min_before_[t + 1] = std::min(shifted_min_before_[t], sum);
      shifted_bad_before_[t + 1] = shifted_bad_before_[t] | static_cast<char>(!std::isfinite(sum));
    }
  }

  // Array Ipm per source string s2: the current prefix through string j, then
  // the shifted first slots of strings j+1..s2 (the module from k1, then the
  // last module of each previous string), then the current first slots of
  // strings s2+1..P, each addition in string order. All s2 advance together,
  // one later string at a time: the additions are independent across s2.
  float reach = first_ipm_sum_[j];
  for (int t = j + 1; t <= P_; ++t) {
    const float first = ipm_[FirstSlot(t)];
    const int open = std::min(t - 1, last);
    for (int s2 = j + 1; s2 <= open; ++s2) ipm_for_[s2] = ipm_for_[s2] + first;
    if (t <= last) {
      reach = reach + (t == j + 1 ? ipm_[k1] : ipm_[FirstSlot(t) - 1]);
      ipm_for_[t] = reach;
    }
  }
}

void FastPass::ApplyMove(int j, int k1, int k2) {
  const int next_first = S_ * j + 1;
  const MatrixSlot saved = current_[k1];
  current_[k1] = current_[k2];
  std::move_backward(current_.begin() + next_first, current_.begin() + k2, current_.begin() + k2 + 1);
  current_[next_first] = saved;
  for (int k = k1; k <= k2; ++k) {
    vpm_[k] = current_[k].vpm;
    ipm_[k] = current_[k].ipm;
  }
  RefreshStrings(j);
}

PassResult FastPass::Run() {
  const OperatingPoint InitialPoint = EstimateOperatingPoint(current_, N_, S_, P_, "Initial Array");
  std::int64_t ImprovementCount = 0;
  OperatingPoint best = InitialPoint;
  float min_before_j = kVpmCeiling;  // min(ceiling, sums of the final strings 1..j-1)

  for (int j = 1; j <= P_; ++j) {
    if (j >= 2) min_before_j = std::min(min_before_j, string_vpm_[j - 1]);

    float remaining = 0;
    for (int k = FirstSlot(j); k <= N_; ++k) remaining = Checked(remaining + vpm_[k], kEstimated);
    const float MeanRemainingVpm = Checked(remaining / static_cast<float>(P_ - j + 1), kEstimated);

    for (int k1 = S_ * j; k1 >= FirstSlot(j) + 1; --k1) {
      float own = 0;
      for (int k = FirstSlot(j); k <= S_ * j; ++k) own = Checked(own + vpm_[k], kEstimated);
      const float StringDeviation = Checked(own - MeanRemainingVpm, kEstimated);
      if (tame_ && !(StringDeviation > 0)) continue;

      // The deviation test for every later slot, against the current arrangement.
      tried_.clear();
      const float out = vpm_[k1];
      bool d_out_of_range = false;
      for (int k2 = S_ * j + 1; k2 <= N_; ++k2) {
        const float d = UncheckedDeviationAfterMove(vpm_[k2], StringDeviation, out);
        d_out_of_range |= !std::isfinite(d);
        if (d < StringDeviation) tried_.push_back(k2);
      }
      // The plain pass reaches every k2 of the position, so it raises this
      // error at the latest there, whatever its candidates do before.
      if (d_out_of_range) ThrowFloatError(kEstimated);
      if (tried_.empty()) continue;

      const int last = StringOf(tried_.back());
      PreparePosition(j, k1, last);

      // String j with slot k1 replaced: running sum up to k1-1 is shared.
      float own_head = 0;
      for (int k = FirstSlot(j); k < k1; ++k) own_head = own_head + vpm_[k];

      int accepted_k2 = 0;
      for (const int k2 : tried_) {
        const int s2 = StringOf(k2);
        const float Ipm = ipm_for_[s2];
        const float known_min =
            std::min(std::min(min_before_j, shifted_min_before_[s2]), suffix_min_[s2 + 1]);
        if (tame_ && Ipm >= 0 && Ipm * known_min < best.Pmax) continue;

        float own_sum = own_head + vpm_[k2];
        for (int k = k1 + 1; k <= S_ * j; ++k) own_sum = own_sum + vpm_[k];
        const float own_min = std::min(known_min, own_sum);
        if (tame_ && Ipm >= 0 && Ipm * own_min < best.Pmax) continue;

        float source_sum = shifted_part_[k2];
        for (int k = k2 + 1; k <= S_ * s2; ++k) source_sum = source_sum + vpm_[k];

        // A string sum beyond the range upwards would hide behind the minimum;
        // any other non-finite sum, and a non-finite Ipm, shows in the product.
        if (!std::isfinite(own_sum) || !std::isfinite(source_sum) || shifted_bad_before_[s2] != 0) {
          ThrowFloatError(kEstimated);
        }
        OperatingPoint point;
        point.Ipm = Ipm;
        point.Vpm = std::min(own_min, source_sum);
        point.Pmax = Checked(Ipm * point.Vpm, kEstimated);
        const bool accept = accept_ties_ ? point.Pmax >= best.Pmax : point.Pmax > best.Pmax;
        if (accept) {
          ++ImprovementCount;
          best = point;
          accepted_k2 = k2;
        }
      }
      if (accepted_k2 != 0) ApplyMove(j, k1, accepted_k2);
    }
  }

  PassResult result;
  result.matrix = std::move(current_);
  result.InitialPoint = InitialPoint;
  result.ImprovementCount = ImprovementCount;
  const OperatingPoint& source = ImprovementCount != 0 ? best : InitialPoint;
  result.point.Ipm = source.Ipm;
  result.point.Vpm = source.Vpm;
  result.point.Pmax = Checked(source.Ipm * source.Vpm, kEstimated);
  return result;
}

}  // namespace

PassResult SearchPassFast(const ModuleTable& table, int N, int S, int P, bool AcceptTies) {
  // Counts outside the shape the search is built for (possible only through
  // a zero or negative S or P whose product still equals N) take the plain
  // path; it visits nothing or next to nothing for them.
  if (S < 1 || P < 1 || N != S * P || N > kModuleSlots) return SearchPassPlain(table, N, S, P, AcceptTies);
  FastPass pass(table, N, S, P, AcceptTies);
  return pass.Run();
}

}  // namespace voltrigg
