// voltrigg-view --pdf as a process without a display: exit status 0 with
// the plan written, 2 with a message naming what could not be read or
// written (and no file changed), 64 for wrong usage; the module list read
// once by each program that writes from it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/shared/planned_array.h"
#include "commission/expected_string.h"
#include "file_names.h"
#include "support/module_generator.h"
#include "viewer_support.h"

using namespace voltrigg::testing;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// How often `program` with `arguments` opens `file` (by its name), as the
// system's trace of the process and its threads shows it.
int Opens(const std::string& dir, const QString& program, const QStringList& arguments, const std::string& file) {
  const QString log = Q(dir + "/opens.log");
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // The leak checker of a sanitized build stops a traced process; leaks are
  // the other tests' business.
  const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
  env.insert(QStringLiteral("ASAN_OPTIONS"), asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("detect_leaks=0"));
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(Q(dir));
  p.start(QStringLiteral(STRACE), QStringList{"-f", "-e", "trace=openat", "-o", log, program} + arguments);
  EXPECT_TRUE(p.waitForFinished(120000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  int opens = 0;
  const std::string trace = ReadFile(dir + "/opens.log");
  for (std::size_t at = trace.find(file + "\""); at != std::string::npos; at = trace.find(file + "\"", at + 1)) ++opens;
  return opens;
}

}  // namespace

TEST(ViewerProgram, EachProgramReadsTheModuleListOnce) {
  TempDir dir{"voltrigg-view-opens"};
  WriteFile(dir / "lot.csv", FormatModuleList(GenerateModules(60, 41)));
  EXPECT_EQ(Opens(dir.path(), QStringLiteral(VOLTRIGG_CLI),
                  {"--assess", "-s", "10", "-p", "6", "-o", "result", "lot.csv"}, "lot.csv"),
            1);
  EXPECT_EQ(Opens(dir.path(), QStringLiteral(VOLTRIGG_VIEW), {"result.csv", "--json", "view.json"}, "lot.csv"), 1);
  EXPECT_EQ(ReadFile(dir / "view.json"), ReadFile(dir / "result.assessment.json"));
  // The commissioning report: the expected values come from the same reading.
  const voltrigg::PlannedArray plan = voltrigg::LoadPlannedArray(dir / "result.csv", "", false);
  std::string measured = "string,voc_v,isc_a\n";
  for (std::size_t j = 0; j < plan.wiring.size(); ++j) {
    const voltrigg::ExpectedString e = voltrigg::ExpectedStringAt(plan.modules, plan.curves, plan.wiring[j], {}, {});
    measured += std::to_string(j + 1) + "," + std::to_string(e.voc_v) + "," + std::to_string(e.isc_a) + "\n";
  }
  WriteFile(dir / "m.csv", measured);
  EXPECT_EQ(Opens(dir.path(), QStringLiteral(VOLTRIGG_VIEW),
                  {"result.csv", "--measurements", "m.csv", "--irradiance", "1000", "--module-temperature", "25",
                   "--pdf", "report.pdf"},
                  "lot.csv"),
            1);
  EXPECT_TRUE(PdfText(Q(dir / "report.pdf")).contains(QStringLiteral("全 6 ストリング合格")));
}

TEST(ViewerProgram, WritesThePlanWithoutADisplay) {
  TempDir dir{"voltrigg-view-cli"};
  MakeRunResult(dir, 10, 6, 3);
  const FileStamp before = Stamp(dir / "result.csv");
  const Process p = RunViewer({Q(dir / "result.csv"), QStringLiteral("--pdf"), Q(dir / "plan.pdf")});
  EXPECT_EQ(p.status, 0) << p.err.toStdString();
  EXPECT_TRUE(QFileInfo(Q(dir / "plan.pdf")).size() > 1000);
  EXPECT_TRUE(PdfText(Q(dir / "plan.pdf")).contains(QStringLiteral("配線計画: result.csv")));
  EXPECT_EQ(Stamp(dir / "result.csv"), before);
  // Nothing but the plan was left in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 3);  // list, result, plan
}

TEST(ViewerProgram, BadInputGivesItsMessageAndChangesNothing) {
  TempDir dir{"voltrigg-view-bad"};
  MakeRunResult(dir, 4, 3, 5);
  const std::string good = ReadFile(dir / "result.csv");
  WriteFile(dir / "truncated.csv", good.substr(0, good.size() - 20));
  WriteFile(dir / "short.csv", good.substr(0, good.rfind('\n', good.size() - 2) + 1));
  WriteFile(dir / "binary.csv", std::string("\x7f"
                                            "ELF\x02\x01\x01\0\0\0",
                                            10));
  WriteFile(dir / "huge.csv", "");
  std::filesystem::resize_file(dir / "huge.csv", std::uintmax_t{1} << 30);
  WriteFile(dir / "old.pdf", "an older plan");
  WriteFile(dir / "inverter.json", R"({"mppt_min_v": -100})");
  struct Case {
    std::string name;
    QStringList args;
    int status;
    QString words;
  };
  const QString out = Q(dir / "out.pdf");
  const std::vector<Case> cases = {
      {"module list", {Q(dir / "list.csv"), "--pdf", out}, 2, "1 行目"},
      {"cut inside a row", {Q(dir / "truncated.csv"), "--pdf", out}, 2, "19 行目"},
      {"last row missing", {Q(dir / "short.csv"), "--pdf", out}, 2, "18 行目"},
      {"binary", {Q(dir / "binary.csv"), "--pdf", out}, 2, "NUL 文字"},
      {"1 GiB", {Q(dir / "huge.csv"), "--pdf", out}, 2, "1 行目"},
      {"missing", {Q(dir / "none.csv"), "--pdf", out}, 2, "結果ファイルがありません"},
      {"named list missing",
       {Q(dir / "result.csv"), "--modules", Q(dir / "nolist.csv"), "--pdf", out},
       2,
       "nolist.csv"},
      {"plan over the result", {Q(dir / "result.csv"), "--pdf", Q(dir / "result.csv")}, 2, "読み込んだファイル"},
      {"plan over the list", {Q(dir / "result.csv"), "--pdf", Q(dir / "list.csv")}, 2, "読み込んだファイル"},
      {"plan in a missing folder", {Q(dir / "result.csv"), "--pdf", Q(dir / "no/such/plan.pdf")}, 2, "PDF ファイル"},
      {"plan onto a folder", {Q(dir / "result.csv"), "--pdf", Q(dir.path().string())}, 2, "PDF ファイル"},
      {"no result", {"--pdf", out}, 64, "--pdf"},
      {"bad option value", {Q(dir / "result.csv"), "--tmin", "cold", "--pdf", out}, 64, "--tmin"},
      {"bad extras", {Q(dir / "result.csv"), "--extras", "voc", "--pdf", out}, 64, "--extras"},
      {"bad inverter profile",
       {Q(dir / "result.csv"), "--inverter", Q(dir / "inverter.json"), "--pdf", out},
       64,
       "\"mppt_min_v\""},
      {"hot below cold", {Q(dir / "result.csv"), "--t-hot", "10", "--pdf", out}, 64, "--t-cold-operating"},
      {"isc factor", {Q(dir / "result.csv"), "--isc-factor", "nan", "--pdf", out}, 64, "--isc-factor"},
  };
  std::vector<std::pair<std::string, FileStamp>> stamps;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    if (e.is_regular_file() && e.path().filename() != "huge.csv") stamps.emplace_back(e.path(), Stamp(e.path()));
  }
  for (const Case& c : cases) {
    const Process p = RunViewer(c.args);
    EXPECT_EQ(p.status, c.status) << c.name << ": " << p.err.toStdString();
    EXPECT_TRUE(p.err.contains(c.words)) << c.name << ": " << p.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out)) << c.name;
  }
  for (const auto& [path, stamp] : stamps) EXPECT_EQ(Stamp(path), stamp) << path;
  EXPECT_EQ(std::filesystem::file_size(dir / "huge.csv"), std::uintmax_t{1} << 30);

  // A plan written over an older one replaces it whole.
  const Process p = RunViewer({Q(dir / "result.csv"), "--pdf", Q(dir / "old.pdf")});
  EXPECT_EQ(p.status, 0) << p.err.toStdString();
  EXPECT_TRUE(ReadFile(dir / "old.pdf").starts_with("%PDF"));
}

TEST(ViewerProgram, WithoutADisplaySaysWhatToUseInOneLine) {
  TempDir dir{"voltrigg-view-nodisplay"};
  MakeRunResult(dir, 4, 2, 3);
  const Process p = RunViewer({Q(dir / "result.csv")});
  EXPECT_EQ(p.status, 2) << p.err.toStdString();
  EXPECT_EQ(p.err.count('\n'), 1) << p.err.toStdString();
  EXPECT_TRUE(p.err.startsWith(QStringLiteral("voltrigg-view: "))) << p.err.toStdString();
  EXPECT_TRUE(p.err.contains(QStringLiteral("voltrigg-cli")));
  EXPECT_TRUE(p.err.contains(QStringLiteral("voltrigg-view --pdf")));
  // A display that is named but cannot be reached: the same line alone.
  const std::string command = "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:97 " + std::string(VOLTRIGG_VIEW) +
                              " '" + (dir / "result.csv") + "' 2>" + (dir / "err");
  const int raw = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  const std::string err = ReadFile(dir / "err");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(err.rfind("voltrigg-view: ", 0), 0u) << err;
}

TEST(ViewerProgram, ShiftJisNamesOpenByTheirOwnBytes) {
  TempDir dir{"voltrigg-view-sjis"};
  const std::string list = dir / "\x83\x82\x83\x57\x83\x85\x81\x5B\x83\x8B.csv";  // モジュール.csv
  const std::string result = dir / "\x8C\x8B\x89\xCA";                            // 結果
  WriteFile(list, voltrigg::testing::FormatModuleList(GenerateModules(12, 4)));
  const auto run = [&](const std::string& command) {
    const int raw = std::system((command + " >" + (dir / "out") + " 2>" + (dir / "err")).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  ASSERT_EQ(run(std::string(VOLTRIGG_CLI) + " -s 4 -p 3 -o '" + result + "' '" + list + "'"), 0);
  // The result names its list in Shift-JIS; both are found and shown decoded.
  const std::string pdf = dir / "plan.pdf";
  EXPECT_EQ(run("env -u DISPLAY -u QT_QPA_PLATFORM " + std::string(VOLTRIGG_VIEW) + " '" + result + ".csv' --pdf '" +
                pdf + "'"),
            0)
      << ReadFile(dir / "err");
  const QString text = PdfText(Q(pdf));
  EXPECT_TRUE(text.contains(QStringLiteral("配線計画: 結果.csv"))) << text.toStdString();
  EXPECT_TRUE(
      text.contains(QStringLiteral("モジュールリスト モジュール.csv (12 モジュール) は結果ファイルと一致しています")))
      << text.toStdString();
  // --modules by its bytes too.
  EXPECT_EQ(run("env -u DISPLAY -u QT_QPA_PLATFORM " + std::string(VOLTRIGG_VIEW) + " '" + result +
                ".csv' --modules '" + list + "' --pdf '" + pdf + "'"),
            0)
      << ReadFile(dir / "err");

  // What Qt makes of such a name (a dialog, a recent file) finds the bytes again.
  const QString lossy = QFile::decodeName(QByteArray::fromStdString(list));
  ASSERT_TRUE(lossy.contains(QChar::ReplacementCharacter));
  EXPECT_EQ(voltrigg::viewer::PathBytes(lossy), list);
  EXPECT_EQ(voltrigg::viewer::PathBytes(Q(dir / "none.csv")), dir / "none.csv");
  // And a command line gives back each argument's bytes, after "=" as well.
  std::string program = "voltrigg-view";
  std::string modules_option = "--modules=" + list;
  std::string utf8 = "結果.csv";
  char* argv[] = {program.data(), modules_option.data(), utf8.data()};
  const voltrigg::viewer::CommandLine line = voltrigg::viewer::ReadCommandLine(3, argv);
  EXPECT_EQ(voltrigg::viewer::ArgumentBytes(line, line.arguments[1].mid(10)), list);
  EXPECT_EQ(voltrigg::viewer::ArgumentBytes(line, line.arguments[2]), utf8);
}
