#include "app/shared/curve_problems.h"

#include <cstdio>

#include "input/text_utf8.h"

namespace voltrigg {

namespace {

std::string NumberText(double number) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.9g", number);
  return text;
}

const char* FitProblemTextJa(FitProblem problem) {
  switch (problem) {
    case FitProblem::NotPositive:
      return "Vpm、Ipm、Voc、Isc のどれかが正の数ではありません";
    case FitProblem::VocNotAboveVpm:
      return "Voc が Vpm より大きくありません";
    case FitProblem::IscNotAboveIpm:
      return "Isc が Ipm より大きくありません";
    case FitProblem::NoRoot:
      return "測定点を通り最大電力点で傾きが 0 になる曲線が求まりません";
    case FitProblem::CurveNotFalling:
      return "求めた曲線の電流が電圧とともに単調に下がりません";
    case FitProblem::I0Underflow:
      return "曲線が角張りすぎて飽和電流が倍精度の最小値を下回ります (Isc が Ipm に近すぎます)";
    case FitProblem::None:
      break;
  }
  return "";
}

bool Missing(const ModuleData& m) { return m.voc_v == 0 || m.isc_a == 0; }

}  // namespace

std::string ConditionFaultText(const ConditionFault& fault, Language language) {
  if (language == Language::English) return DescribeConditionFault(fault);
  const ConditionLimit& l = fault.limit;
  char text[160];
  // A unitless limit (the short-circuit factor) without a stray blank.
  const std::string unit = *l.unit == '\0' ? std::string() : std::string(" ") + l.unit;
  if (l.low_excluded) {
    (void)std::snprintf(text, sizeof text, "%s には %g より大きく %g%s 以下の数値を指定してください: %g", l.option,
                        l.low, l.high, unit.c_str(), fault.value);
  } else {
    (void)std::snprintf(text, sizeof text, "%s には %g から %g%s の数値を指定してください: %g", l.option, l.low, l.high,
                        unit.c_str(), fault.value);
  }
  return text;
}

std::string ModuleName(const ModuleData& m, std::size_t index, Language language) {
  if (language == Language::Japanese) {
    return "モジュール番号 " + NumberText(m.number) + " (シリアル番号 " + TextAsUtf8(m.serial) + "、リスト " +
           std::to_string(index + 1) + " 行目)";
  }
  return "module " + NumberText(m.number) + " (S/N " + TextAsUtf8(m.serial) + ", row " + std::to_string(index + 1) +
         " of the list)";
}

std::vector<std::string> CurveProblemTexts(const std::vector<ModuleProblem>& problems,
                                           const std::vector<ModuleData>& modules, Language language) {
  std::vector<std::string> out;
  out.reserve(problems.size());
  const bool ja = language == Language::Japanese;
  for (const ModuleProblem& p : problems) {
    if (p.index < 0 || static_cast<std::size_t>(p.index) >= modules.size()) continue;
    const ModuleData& m = modules[static_cast<std::size_t>(p.index)];
    std::string text = ModuleName(m, static_cast<std::size_t>(p.index), language) + ": ";
    if (Missing(m)) {
      const char* which = m.voc_v == 0 ? "Voc" : "Isc";
      text += ja ? std::string(which) + " がないか 0 です" : std::string(which) + " is missing or zero";
    } else {
      text += ja ? FitProblemTextJa(p.problem) : FitProblemText(p.problem);
    }
    out.push_back(std::move(text));
  }
  return out;
}

bool SuggestsColumns(const std::vector<ModuleProblem>& problems, const std::vector<ModuleData>& modules) {
  for (const ModuleProblem& p : problems) {
    if (p.index < 0 || static_cast<std::size_t>(p.index) >= modules.size()) continue;
    if (Missing(modules[static_cast<std::size_t>(p.index)]) || p.problem == FitProblem::VocNotAboveVpm ||
        p.problem == FitProblem::IscNotAboveIpm)
      return true;
  }
  return false;
}

std::string ColumnsHint(Language language) {
  if (language == Language::Japanese) {
    return "物理評価には、モジュールリストの 6 列目に Voc [V]、7 列目に Isc [A] が必要です (逆の順なら --extras "
           "isc,voc)";
  }
  return "the assessment needs Voc [V] in column 6 and Isc [A] in column 7 of the module list "
         "(--extras isc,voc when the list has them the other way round)";
}

std::vector<std::string> AssessmentProblemLines(const PlanAssessment& a, Language language) {
  const bool english = language == Language::English;
  switch (a.failure) {
    case PlanAssessment::Failure::None:
      return {};
    case PlanAssessment::Failure::Error:
      return {a.detail};
    case PlanAssessment::Failure::OutOfMemory:
      return {"not enough memory for the assessment"};
    case PlanAssessment::Failure::Unexpected:
      return {"the assessment failed: " + a.detail};
    case PlanAssessment::Failure::ModulesWithoutCurve:
      break;
  }
  std::vector<std::string> lines = CurveProblemTexts(a.problems, a.modules, language);
  // A whole lot without Voc would name every module: ten, then a count.
  constexpr std::size_t kNamed = 10;
  if (lines.size() > kNamed) {
    const std::string more = std::to_string(lines.size() - kNamed);
    lines.resize(kNamed);
    lines.push_back(english ? "and " + more + " more modules whose values give no curve"
                            : "ほか " + more + " 枚のモジュールの値から曲線が得られません");
  }
  if (SuggestsColumns(a.problems, a.modules)) lines.push_back(ColumnsHint(language));
  return lines;
}

}  // namespace voltrigg
