// The result a front end keeps for the commissioning check
// (app/shared/kept_result.h): the check started on it with the extras the
// user chose, its refusals in their order, and a session that never outlives
// the result it was made from.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/shared/kept_result.h"
#include "support/known_result.h"

namespace voltrigg {
namespace {

using testing::TempDir;

class KeptResults : public ::testing::Test {
 protected:
  void SetUp() override { testing::MakeRunResult(dir_, 5, 4, 11); }
  OpenedResult Opened() const { return OpenResult(dir_ / "result.csv", "", AssessOptions{}); }
  std::optional<std::string> Start(const std::string& options_fault = "", bool isc_first = false) {
    return StartKeptCommission(kept_, CommissionOptions{}, options_fault, isc_first, dir_ / "result.csv",
                               dir_ / "list.csv", "m.csv");
  }
  TempDir dir_{"voltrigg-kept"};
  KeptResult kept_;
};

TEST_F(KeptResults, RefusalsComeInOrderAndEndTheSessionBefore) {
  EXPECT_EQ(Start("the options' fault"), "結果ファイルが開かれていません") << "no result comes first";
  EXPECT_EQ(KeptCheckRefusal(kept_, ""), "試運転検査が始まっていません");

  KeepResult(kept_, Opened());
  ASSERT_EQ(Start(), std::nullopt);
  ASSERT_TRUE(kept_.session);
  EXPECT_EQ(kept_.session->form.size(), 4u);
  EXPECT_EQ(KeptCheckRefusal(kept_, ""), std::nullopt);
  EXPECT_EQ(KeptCheckRefusal(kept_, "fault"), "fault") << "the options' fault before the session";

  // A start refused by the options ends the session before it.
  EXPECT_EQ(Start("fault"), "fault");
  EXPECT_FALSE(kept_.session);

  // Another result kept: the session of the one before goes with it.
  ASSERT_EQ(Start(), std::nullopt);
  KeepResult(kept_, Opened());
  EXPECT_FALSE(kept_.session);
  EXPECT_EQ(KeptCheckRefusal(kept_, ""), "試運転検査が始まっていません");
}

TEST_F(KeptResults, TheChosenExtrasDecideTheModulesOfTheCheck) {
  const OpenedResult opened = Opened();
  KeepResult(kept_, opened);
  // Isc first: the list's columns 6 and 7 read the other way round. The
  // generated modules' Isc is far below their Vpm, so no curve fits.
  const std::optional<std::string> refused = Start("", true);
  ASSERT_TRUE(kept_.result);
  EXPECT_TRUE(kept_.result->options.isc_first);
  EXPECT_EQ(kept_.result->modules[0].voc_v, opened.modules[0].isc_a);
  EXPECT_EQ(kept_.result->modules[0].isc_a, opened.modules[0].voc_v);
  ASSERT_TRUE(refused);
  EXPECT_FALSE(kept_.session);

  // Back to Voc first: the same modules as opened, and the check starts.
  EXPECT_EQ(Start("", false), std::nullopt);
  EXPECT_EQ(kept_.result->modules[0].voc_v, opened.modules[0].voc_v);
  EXPECT_TRUE(kept_.session);

  // A result without its list has no modules to read again.
  OpenedResult no_list = opened;
  no_list.list.clear();
  no_list.modules.clear();
  UseExtrasOrder(no_list, true);
  EXPECT_FALSE(no_list.options.isc_first);
  EXPECT_TRUE(no_list.modules.empty());
}

}  // namespace
}  // namespace voltrigg
