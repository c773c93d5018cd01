// voltrigg-view's command line from the one option table: its help shows
// every condition with the same default and range as voltrigg-cli's, and a
// bad value is refused with voltrigg-cli's fault, in the same words.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <cmath>
#include <string>

#include "app/shared/option_table.h"
#include "app/shared/text_catalogue.h"
#include "viewer_support.h"

namespace voltrigg::testing {
namespace {

// voltrigg-cli in Japanese, the viewer's language, with `arguments`.
Process RunCliInJapanese(const QStringList& arguments) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("LANG"));
  env.remove(QStringLiteral("LC_MESSAGES"));
  env.insert(QStringLiteral("LC_ALL"), QStringLiteral("ja_JP.UTF-8"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VOLTRIGG_CLI), arguments);
  Process r;
  if (!p.waitForFinished(60000)) return r;
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

// The help as one line without blanks: each program wraps it its own way.
QString Unwrapped(const QString& help) {
  QString out = help;
  out.remove(QRegularExpression(QStringLiteral("\\s")));
  return out;
}

TEST(ViewerOptions, TheHelpShowsEveryConditionWithTheSameDefaultAndRangeAsVoltriggCli) {
  const Process view = RunViewer({QStringLiteral("--help")});
  ASSERT_EQ(view.status, 0) << view.err.toStdString();
  const Process cli = RunCliInJapanese({QStringLiteral("--help")});
  const Process commission = RunCliInJapanese({QStringLiteral("commission"), QStringLiteral("--help")});
  ASSERT_EQ(cli.status, 0);
  ASSERT_EQ(commission.status, 0);
  for (const OptionEntry& entry : OptionTable()) {
    const QString name = QString::fromStdString(OptionName(entry));
    const QString help = Unwrapped(QString::fromStdString(OptionHelp(entry, Language::Japanese)));
    EXPECT_TRUE(Unwrapped(view.out).contains(name + QStringLiteral("<") + QString::fromLatin1(entry.value_name) +
                                             QStringLiteral(">") + help))
        << entry.key << "\n"
        << view.out.toStdString();
    if (TakesOption(entry, OptionUse::Assessment)) {
      EXPECT_TRUE(Unwrapped(cli.out).contains(help)) << entry.key << "\n" << cli.out.toStdString();
    }
    if (TakesOption(entry, OptionUse::Commissioning)) {
      EXPECT_TRUE(Unwrapped(commission.out).contains(help)) << entry.key << "\n" << commission.out.toStdString();
    }
  }
}

TEST(ViewerOptions, ABadValueIsRefusedWithVoltriggClisFault) {
  TempDir dir{"voltrigg-view-options"};
  MakeRunResult(dir, 4, 3, 5);
  const QString result = QString::fromStdString(dir / "result.csv");
  const QString list = QString::fromStdString(dir / "list.csv");
  const QString pdf = QString::fromStdString(dir / "plan.pdf");
  for (const OptionEntry& entry : OptionTable()) {
    if (entry.kind != OptionKind::Number) continue;
    const QString name = QString::fromStdString(OptionName(entry));
    for (const std::string& bad : {std::string("abc"), std::string("nan"), std::to_string(entry.limit->high + 1)}) {
      const auto fault = SetOption(entry, bad, nullptr, nullptr);
      ASSERT_TRUE(fault) << entry.key << " " << bad;
      const QString words = QString::fromStdString(ConditionFaultText(*fault, Language::Japanese));
      const QString value = QString::fromStdString(bad);
      const Process view = RunViewer({result, name, value, QStringLiteral("--pdf"), pdf});
      EXPECT_EQ(view.status, 64) << entry.key << " " << bad;
      // (Qt may say a word of its own before, on a machine without a runtime folder.)
      EXPECT_TRUE(view.err.endsWith(QStringLiteral("voltrigg-view: ") + words + QStringLiteral("\n")))
          << view.err.toStdString() << words.toStdString();
      const QStringList cli_arguments = TakesOption(entry, OptionUse::Assessment)
                                            ? QStringList{QStringLiteral("-s"),
                                                          QStringLiteral("4"),
                                                          QStringLiteral("-p"),
                                                          QStringLiteral("3"),
                                                          QStringLiteral("-o"),
                                                          QString::fromStdString(dir / "r"),
                                                          QStringLiteral("--assess"),
                                                          name,
                                                          value,
                                                          list}
                                            : QStringList{QStringLiteral("commission"), name, value, result, list};
      const Process cli = RunCliInJapanese(cli_arguments);
      EXPECT_EQ(cli.status, 64) << entry.key << " " << bad;
      EXPECT_EQ(cli.err.toStdString(), "voltrigg-cli: " + words.toStdString() + "\n");
    }
  }
  // A profile that gives no limit is refused here too, saying so.
  WriteFile(dir / "empty.json", R"({"name": "only a name"})");
  const Process empty = RunViewer(
      {result, QStringLiteral("--inverter"), QString::fromStdString(dir / "empty.json"), QStringLiteral("--pdf"), pdf});
  EXPECT_EQ(empty.status, 64);
  EXPECT_TRUE(empty.err.contains(QStringLiteral("パワコンのプロファイルを使えません: パワコンのプロファイル ")))
      << empty.err.toStdString();
  EXPECT_TRUE(empty.err.contains(QStringLiteral("限度が 1 つもありません"))) << empty.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(pdf));
}

}  // namespace
}  // namespace voltrigg::testing
