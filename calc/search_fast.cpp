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
// (t > j+1) has the same sum whatever k1 and k2 are, as long as it lies
// between them. The array Ipm is a running sum over the first slots in string
// order: up to string j it is the current running sum; strings j+1..s2 get
// first slots that depend on k1 and s2 only; from s2+1 on the current first
// slots are added again, in order, starting from the exact running value
// reached at s2. So all candidates taken from one string s2 share one Ipm and
// one minimum over the other strings, and only the strings j and s2 need a sum
// of their own per candidate. The minimum over strings does not depend on the
// order it is taken in (all values are finite and no string sum is -0, since
// each starts at +0), so it is put together from the minima of its parts.
//
// Every sum is still formed exactly as the estimate forms it, one float
// addition after another in slot order from the same start value; nothing is
// updated by subtracting and adding. Float errors: a running sum of finite
// values that leaves the float range stays non-finite, so testing a sum's
// final value is the same as testing after each addition. A candidate whose
// estimate would leave the range, and a d that leaves it, raise the error as
// in the plain pass (its message does not depend on which step failed).
//
// Ordinary module lists allow shortcuts that cannot change a result. When
// the values are small enough that no sum, difference or product of the pass
// can leave the float range ("tame" lists; every real flash-test list), a
// position whose deviation is not above zero tries no move (d >= 0), so its d
// values need not be formed. When, in addition, no current is negative (so
// every array Ipm is >= 0), a candidate's Pmax is at most Ipm x (the minimum
// of the `StringVpm`s that do not depend on k2), rounding being monotonic;
// when that is below the best Pmax, no candidate taken from s2 can be
// accepted and none is tested. The Ipm of s2 is first bounded from above
// without being formed (see OutOfReach); only the strings that the bound
// leaves in question have their Ipm formed exactly, and are judged again.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "calc/float_check.h"
#include "calc/search.h"

namespace voltrigg {

namespace {

constexpr const char* kEstimated = kEstimatedArrayFigure;
// The next float above a finite x >= 0 (either zero gives the smallest above zero).
float NextUp(float x) {
  if (x == 0) return std::numeric_limits<float>::denorm_min();
  return std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) + 1u);
}

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

bool NoNegativeCurrent(const ModuleTable& table, int N) {
  for (int k = 1; k <= N; ++k) {
    if (!(table.records[k].ipm >= 0)) return false;
  }
  return true;
}

// One pass: the current arrangement, the sums derived from it, and the best
// point so far. All tables are allocated at the start.
class FastPass {
 public:
  FastPass(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties)
      : shape_(shape),
        N_(shape.modules),
        S_(shape.series),
        P_(shape.parallel),
        accept_ties_(accept_ties == AcceptTies::Yes),
        tame_(IsTame(table, N_)),
        bound_(tame_ && NoNegativeCurrent(table, N_)),
        current_(BuildInitialArrangement(table, shape)),
        vpm_(N_ + 2, 0.0f),
        ipm_(N_ + 2, 0.0f),
        string_vpm_(P_ + 2, 0.0f),
        shifted_vpm_(P_ + 2, 0.0f),
        suffix_min_(P_ + 2, kVpmCeiling),
        first_ipm_sum_(P_ + 2, 0.0f),
        first_ipm_rest_(P_ + 2, 0.0),
        group_s2_(P_ + 2, 0),
        group_ipm_(P_ + 2, 0.0f),
        group_known_min_(P_ + 2, 0.0f),
        group_shifted_out_of_range_(P_ + 2, 0) {
    for (int k = 1; k <= N_; ++k) {
      vpm_[k] = current_[k].vpm;
      ipm_[k] = current_[k].ipm;
    }
    RefreshStrings(1);
  }

  PassResult Run();

 private:
  int FirstSlot(int t) const { return S_ * (t - 1) + 1; }

  // The sums of the current arrangement from string `from` on (the strings
  // before it are unchanged).
  void RefreshStrings(int from);
  // Tries every move into position k1 of string j; returns the k2 of the last
  // accepted candidate, or 0.
  int VisitPosition(int j, int k1, float StringDeviation, float min_before_j);
  // True when no candidate whose Ipm starts string s2 + 1 from `reach` can
  // reach the best Pmax, given that its `StringVpm`s are at most `known_min`.
  bool OutOfReach(float reach, int s2, float known_min) const;
  void ApplyMove(int j, int k1, int k2);

  const ArrayShape shape_;
  const int N_, S_, P_;
  const bool accept_ties_;
  const bool tame_;   // no step of the pass can leave the float range
  const bool bound_;  // tame, and no current below zero

  ArrayMatrix current_;
  std::vector<float> vpm_, ipm_;  // of the current arrangement, by slot
  std::vector<float> string_vpm_;   // `StringVpm` of string t
  std::vector<float> shifted_vpm_;  // sum of string t shifted up by one slot (t >= 2)
  std::vector<float> suffix_min_;   // min(ceiling, string_vpm_[t..P])
  std::vector<float> first_ipm_sum_;    // running Ipm through string t; [0] is the start value
  std::vector<double> first_ipm_rest_;  // real sum of the first-slot currents of strings t..P
  double ipm_spacing_ = 0;              // float spacing just above the current Ipm

  // The source strings still in question at the position being visited.
  std::vector<int> group_s2_;
  std::vector<float> group_ipm_;        // running Ipm, then the candidates' array Ipm
  std::vector<float> group_known_min_;  // min(ceiling, strings other than j and s2)
  std::vector<char> group_shifted_out_of_range_;

  OperatingPoint best_;
  std::int64_t ImprovementCount_ = 0;
};

void FastPass::RefreshStrings(int from) {
  for (int t = from; t <= P_; ++t) {
    float sum = 0;
    for (int k = FirstSlot(t); k <= S_ * t; ++k) sum = sum + vpm_[k];
    string_vpm_[t] = sum;
  }
  for (int t = std::max(from, 2); t <= P_; ++t) {
    // From +0 as every string sum starts, so a -0 value gives +0 here too.
    float sum = 0.0f + vpm_[FirstSlot(t) - 1];
    for (int k = FirstSlot(t); k < S_ * t; ++k) sum = sum + vpm_[k];
    shifted_vpm_[t] = sum;
  }
  float ipm = first_ipm_sum_[from - 1];
  for (int t = from; t <= P_; ++t) {
    ipm = ipm + ipm_[FirstSlot(t)];
    first_ipm_sum_[t] = ipm;
  }
  if (bound_) ipm_spacing_ = static_cast<double>(NextUp(first_ipm_sum_[P_])) - first_ipm_sum_[P_];
  suffix_min_[P_ + 1] = kVpmCeiling;
  first_ipm_rest_[P_ + 1] = 0;
  for (int t = P_; t >= 1; --t) {
    suffix_min_[t] = std::min(suffix_min_[t + 1], string_vpm_[t]);
    first_ipm_rest_[t] = first_ipm_rest_[t + 1] + static_cast<double>(ipm_[FirstSlot(t)]);
  }
}

bool FastPass::OutOfReach(float reach, int s2, float known_min) const {
  // An upper bound of the candidates' array Ipm, in real arithmetic.
  const int n = P_ - s2;  // additions still to come
  const float current_ipm = first_ipm_sum_[P_];
  double ipm_bound;
  if (reach <= first_ipm_sum_[s2]) {
    // The candidates' running sum and the current one go on over the same n
    // currents. A float addition is monotonic in its operands, so the
    // candidates' Ipm is at most the current one. And each addition is off by
    // at most half the float spacing at its result, no result exceeding the
    // current Ipm: so the candidates' Ipm lies below the current one by the
    // gap between the two start values less at most n such spacings. (The
    // last term covers the double arithmetic here.)
    const double gap = static_cast<double>(first_ipm_sum_[s2]) - static_cast<double>(reach);
    ipm_bound = std::min<double>(current_ipm, current_ipm - gap + n * ipm_spacing_ + current_ipm * 0x1p-40);
  } else {
    // A float running sum of n non-negative additions exceeds the real sum by
    // a factor of at most (1 + 2^-24)^n (sums below the normal range are
    // exact). The factor used here also covers the double arithmetic.
    ipm_bound = (static_cast<double>(reach) + first_ipm_rest_[s2 + 1]) * (1.0 + (n + 4) * 0x1p-23);
  }
  // The float at or above the bound; Pmax cannot exceed its product with
  // known_min, rounding being monotonic.
  float ipm_high = static_cast<float>(ipm_bound);
  if (static_cast<double>(ipm_high) < ipm_bound) ipm_high = NextUp(ipm_high);
  return ipm_high * known_min < best_.Pmax;
}

int FastPass::VisitPosition(int j, int k1, float StringDeviation, float min_before_j) {
  const float out = vpm_[k1];
  const int next_first = S_ * j + 1;

  // String j+1 shifted, the module from k1 in its first slot.
  float shifted_next = 0.0f + out;
  for (int k = next_first; k < S_ * (j + 1) && k <= N_; ++k) shifted_next = shifted_next + vpm_[k];

  // First the source strings s2 whose candidates might be accepted: for each,
  // the running Ipm through s2 and the minimum of the `StringVpm`s that do not
  // depend on k2. The best Pmax can only rise while the position is visited,
  // so a string ruled out against its value now stays ruled out.
  int groups = 0;
  float reach = first_ipm_sum_[j];  // running Ipm through string s2
  float shifted_min = kVpmCeiling;  // min(ceiling, shifted strings j+1..s2-1)
  bool shifted_out_of_range = false;
  for (int s2 = j + 1; s2 <= P_; ++s2) {
    if (s2 == j + 1) {
      reach = reach + ipm_[k1];
    } else {
      reach = reach + ipm_[FirstSlot(s2) - 1];
      const float passed = s2 - 1 == j + 1 ? shifted_next : shifted_vpm_[s2 - 1];
      shifted_min = std::min(shifted_min, passed);
      shifted_out_of_range |= !std::isfinite(passed);
    }
    const float known_min = std::min(std::min(min_before_j, shifted_min), suffix_min_[s2 + 1]);
    if (bound_ && known_min >= 0 && OutOfReach(reach, s2, known_min)) continue;
    group_s2_[groups] = s2;
    group_ipm_[groups] = reach;
    group_known_min_[groups] = known_min;
    group_shifted_out_of_range_[groups] = shifted_out_of_range ? 1 : 0;
    ++groups;
  }
  if (groups == 0) return 0;

  // Their array Ipm: each running sum continues over the current first slots
  // of the strings after its s2, in order. All advance together, one string
  // at a time; the additions are independent of each other.
  int open = 0;  // groups whose s2 lies before string t
  for (int t = group_s2_[0] + 1; t <= P_; ++t) {
    while (open < groups && group_s2_[open] < t) ++open;
    const float first = ipm_[FirstSlot(t)];
    for (int g = 0; g < open; ++g) group_ipm_[g] = group_ipm_[g] + first;
  }

  // String j up to slot k1 - 1, shared by all its candidates.
  float own_head = 0;
  for (int k = FirstSlot(j); k < k1; ++k) own_head = own_head + vpm_[k];

  int accepted_k2 = 0;
  for (int g = 0; g < groups; ++g) {
    const int s2 = group_s2_[g];
    const float Ipm = group_ipm_[g];
    const float known_min = group_known_min_[g];
    // The Ipm is >= 0 here, so Pmax <= Ipm x known_min.
    if (bound_ && Ipm * known_min < best_.Pmax) continue;

    for (int k2 = FirstSlot(s2); k2 <= S_ * s2; ++k2) {
      const float d = UncheckedDeviationAfterMove(vpm_[k2], StringDeviation, out);
      if (!std::isfinite(d)) ThrowFloatError(kEstimated);
      if (!(d < StringDeviation)) continue;

      float own_sum = own_head + vpm_[k2];
      for (int k = k1 + 1; k <= S_ * j; ++k) own_sum = own_sum + vpm_[k];
      const float own_min = std::min(known_min, own_sum);
      if (bound_ && Ipm * own_min < best_.Pmax) continue;

      // String s2: shifted up to k2, unchanged after it.
      float source_sum = 0.0f + (s2 == j + 1 ? out : vpm_[FirstSlot(s2) - 1]);
      for (int k = FirstSlot(s2); k < k2; ++k) source_sum = source_sum + vpm_[k];
      for (int k = k2 + 1; k <= S_ * s2; ++k) source_sum = source_sum + vpm_[k];

      // A string sum beyond the range upwards would hide behind the minimum;
      // any other non-finite sum, and a non-finite Ipm, shows in the product.
      if (!std::isfinite(own_sum) || !std::isfinite(source_sum) || group_shifted_out_of_range_[g]) {
        ThrowFloatError(kEstimated);
      }
      OperatingPoint point;
      point.Ipm = Ipm;
      point.Vpm = std::min(own_min, source_sum);
      point.Pmax = Checked(Ipm * point.Vpm, kEstimated);
      if (accept_ties_ ? point.Pmax >= best_.Pmax : point.Pmax > best_.Pmax) {
        ++ImprovementCount_;
        best_ = point;
        accepted_k2 = k2;
      }
    }
  }
  return accepted_k2;
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
  const OperatingPoint InitialPoint = EstimateOperatingPoint(current_, shape_, "Initial Array");
  best_ = InitialPoint;
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

      // Every candidate of the position is judged against the same current
      // arrangement; the last one accepted becomes the current arrangement.
      const int accepted_k2 = VisitPosition(j, k1, StringDeviation, min_before_j);
      if (accepted_k2 != 0) ApplyMove(j, k1, accepted_k2);
    }
  }

  return FinishPass(std::move(current_), InitialPoint, best_, ImprovementCount_);
}

}  // namespace

PassResult SearchPassFast(const ModuleTable& table, const ArrayShape& shape, AcceptTies accept_ties) {
  CheckArrayShape(shape);
  CheckTableSlots(table.records.size(), shape);
  // Counts below one (the shape check lets them pass when their product is
  // the module count) take the plain path; it visits nothing for them.
  if (shape.series < 1 || shape.parallel < 1) return SearchPassPlain(table, shape, accept_ties);
  FastPass pass(table, shape, accept_ties);
  return pass.Run();
}

}  // namespace voltrigg
