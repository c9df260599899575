// A PC whose first disk wears out, replayed from the drive dumps it gave at four saves a week
// apart: the history file and the failure logs are compared with what the administrator should find.
#include <gtest/gtest.h>

#include "DiskFixture.h"

using namespace mrv;
using namespace mrv::test;

namespace {
const fs::path kData = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading";
}

TEST(HistoryReplay, ADegradingDiskThroughFourSaves) {
  DiskPc pc;
  pc.system.computerName = "KEIRI-PC03";
  const LocalTime when[] = {{2006, 10, 2, 8, 31, 12}, {2006, 10, 9, 8, 29, 58}, {2006, 10, 16, 8, 40, 3},
                            {2006, 10, 23, 8, 33, 47}};
  const char* stages[] = {"1-healthy", "2-warning", "3-worse", "4-failing"};
  std::vector<std::vector<std::string>> shown;
  for (int i = 0; i < 4; ++i) {
    pc.system.now = when[i];
    pc.setDrivesFrom(kData / stages[i]);
    pc.dialogs.shown.clear();
    ASSERT_TRUE(pc.save().rowWritten) << stages[i];
    shown.push_back(pc.dialogs.shown);
  }
  EXPECT_EQ(testsupport::slurpFile(pc.historyPath()), testsupport::slurpFile(kData / "expected-history.csv"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kHddFailLog)), testsupport::slurpFile(kData / "expected_hddfail.txt"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kFailedLog)), testsupport::slurpFile(kData / "expected_failed.txt"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kFailPlusWarningLog)), testsupport::slurpFile(kData / "expected_fail_plus_warning.txt"));
  // the warning at the second save is only logged; the third save warns of a worsening disk, the
  // fourth of a failed one
  EXPECT_TRUE(shown[0].empty());
  EXPECT_TRUE(shown[1].empty());
  EXPECT_EQ(shown[2], std::vector<std::string>{"情報|" + std::string(kDiskWorseningAlert)});
  EXPECT_EQ(shown[3], std::vector<std::string>{"警告|" + std::string(kDiskFailedAlert)});
  if (HasFailure() && std::getenv("MERVANA_KEEP_REPLAY")) {
    for (const auto& e : fs::directory_iterator(pc.historyPath().parent_path()))
      fs::copy_file(e.path(), fs::path(std::getenv("MERVANA_KEEP_REPLAY")) / e.path().filename(),
                    fs::copy_options::overwrite_existing);
  }
}
