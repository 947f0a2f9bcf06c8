// Runs every scenario of the table on each backend.

#include <gtest/gtest.h>

#include "harness.h"
#include "scenario.h"

namespace e2e {
namespace {

class ScenarioTest : public testing::TestWithParam<size_t> {
 protected:
  void Check(Backend* backend, bool notApplicable) {
    const Scenario& scenario = AllScenarios()[GetParam()];
    if (notApplicable) GTEST_SKIP() << "not applicable to the " << backend->Name() << " backend: " << scenario.Skip.Why;

    const Drives drives = backend->Prepare(scenario);
    LayOut(scenario, drives);
    backend->Adopt(drives);
    const Snapshot before = Take(drives);
    RunResult run;
    for (int i = 0; i < scenario.Runs; ++i) {
      run = backend->Run(scenario);
      const std::string which = scenario.Runs > 1 ? "run " + std::to_string(i + 1) + ": " : "";
      EXPECT_EQ(run.Problem, "") << which;
      EXPECT_EQ(run.ExitStatus, 0) << which;
      const std::string steps = CompareSteps(scenario.Steps, run.Steps);
      EXPECT_TRUE(steps.empty()) << which << steps;
    }
    const Snapshot after = Take(drives);
    const std::string files = Compare(scenario, before, after);
    EXPECT_TRUE(files.empty()) << files;
    if (scenario.NativeWrites && backend == NativeBackend()) {
      EXPECT_EQ(run.Writes, *scenario.NativeWrites) << "the sizes of the file writes";
    }
    if (HasFailure()) std::cout << "--- what the run printed ---\n" << run.Transcript << "---\n";
    backend->CleanUp(HasFailure());
  }
};

TEST_P(ScenarioTest, Native) { Check(NativeBackend(), AllScenarios()[GetParam()].Skip.Native); }

#ifdef LEXORIN_WINE_SCENARIOS
TEST_P(ScenarioTest, Wine) { Check(WineBackend(), AllScenarios()[GetParam()].Skip.Wine); }
#endif

std::vector<size_t> Rows() {
  std::vector<size_t> rows;
  for (size_t i = 0; i < AllScenarios().size(); ++i) rows.push_back(i);
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Table, ScenarioTest, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<size_t>& info) { return AllScenarios()[info.param].Name; });

}  // namespace

std::string NativeBuildDir() { return LEXORIN_NATIVE_BUILD_DIR; }
std::string WindowsBuildDir() { return LEXORIN_WINDOWS_BUILD_DIR; }

std::string InstallerPath(const std::string& installer, bool windows) {
  const std::string dir = windows ? WindowsBuildDir() : NativeBuildDir();
  const std::string suffix = windows ? ".exe" : "";
  if (installer == "lexorin-setup") return dir + "/lexorin-setup" + suffix;
  return dir + "/test-installers/" + installer + suffix;
}

}  // namespace e2e
