// Files picked together told apart by what they hold (app/shared/picked_files.h):
// the result, its list and a measurement file in any order, the refusals
// with the reader's reasons, and names that cannot reach outside a folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shared/picked_files.h"
#include "support/known_result.h"

namespace voltrigg {
namespace {

using testing::kKnownList;
using testing::kKnownResult;
using testing::TempDir;
using testing::WriteFile;

constexpr const char kMeasurements[] =
    "string,voc_v,isc_a,irradiance_w_m2,module_temperature_c\r\n1,110,8.5,900,40\r\n";

class PickedFiles : public ::testing::Test {
 protected:
  PickedFile File(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ / ("file-" + std::to_string(count_++) + ".csv");
    WriteFile(path, bytes);
    return {path, name};
  }
  TempDir dir_{"voltrigg-picked"};
  int count_ = 0;
};

TEST_F(PickedFiles, TellsEachFileByWhatItHoldsInAnyOrder) {
  const FilesApart three =
      TellFilesApart({File("m.csv", kMeasurements), File("list.csv", kKnownList), File("r.csv", kKnownResult)});
  EXPECT_EQ(three.refusal, FilesApart::Refusal::None);
  EXPECT_EQ(three.measurements, 0);
  EXPECT_EQ(three.list, 1);
  EXPECT_EQ(three.result, 2);

  const FilesApart alone = TellFilesApart({File("r.csv", kKnownResult)});
  EXPECT_EQ(alone.refusal, FilesApart::Refusal::None);
  EXPECT_EQ(alone.result, 0);
  EXPECT_EQ(alone.list, -1);
  EXPECT_EQ(alone.measurements, -1);
}

TEST_F(PickedFiles, RefusesWhatCannotBeToldApartWithTheReadersReasons) {
  const FilesApart no_result = TellFilesApart({File("一覧.csv", kKnownList), File("m.csv", kMeasurements)});
  EXPECT_EQ(no_result.refusal, FilesApart::Refusal::NoResult);
  ASSERT_EQ(no_result.reasons.size(), 1u);
  EXPECT_EQ(no_result.reasons[0].rfind("一覧.csv: ", 0), 0u) << no_result.reasons[0];
  EXPECT_GT(no_result.reasons[0].size(), std::string("一覧.csv: ").size()) << "the reader says why";

  // A Shift-JIS name ("一覧" in Shift-JIS) is named decoded.
  const FilesApart sjis = TellFilesApart({File("\x88\xea\x97\x97.csv", kKnownList)});
  ASSERT_EQ(sjis.reasons.size(), 1u);
  EXPECT_EQ(sjis.reasons[0].rfind("一覧.csv: ", 0), 0u) << sjis.reasons[0];

  EXPECT_EQ(TellFilesApart({File("a.csv", kKnownResult), File("b.csv", kKnownResult)}).refusal,
            FilesApart::Refusal::TwoResults);
  const FilesApart two_lists =
      TellFilesApart({File("r.csv", kKnownResult), File("a.csv", kKnownList), File("b.csv", kKnownList)});
  EXPECT_EQ(two_lists.refusal, FilesApart::Refusal::TwoLists);
  EXPECT_EQ(two_lists.reasons.size(), 2u);
  EXPECT_EQ(TellFilesApart({}).refusal, FilesApart::Refusal::NoResult);
  // Two measurement files: which one to check is the user's to say, so neither is taken.
  EXPECT_EQ(TellFilesApart({File("r.csv", kKnownResult), File("m1.csv", kMeasurements), File("m2.csv", kMeasurements)})
                .refusal,
            FilesApart::Refusal::TwoMeasurements);
}

TEST(PickedFileNames, OnlyTheLastPartAndTheResultNameOfAnOutput) {
  EXPECT_EQ(PickedFileName("../../etc/passwd", "modules.csv"), "passwd");
  EXPECT_EQ(PickedFileName("/tmp/lists/a.csv", "modules.csv"), "a.csv");
  for (const char* none : {"", ".", "..", "lists/..", "/"}) {
    EXPECT_EQ(PickedFileName(none, "profile.json"), "profile.json") << none;
  }
  EXPECT_EQ(ResultFileNameOf("plan-1"), "plan-1.csv");
  EXPECT_EQ(ResultFileNameOf("out/plan-1"), "plan-1.csv");
  EXPECT_EQ(ResultFileNameOf("C:\\work\\plan-1"), "plan-1.csv");
}

}  // namespace
}  // namespace voltrigg
