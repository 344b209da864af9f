// Golden cases: every vector is computed and compared byte for byte with
// the plan an independent implementation produced, and every task file that
// a saving program wrote loads and saves back unchanged.
#include <gtest/gtest.h>

#include <tuple>

#include "CalcPlan.h"
#include "SearchTeam.h"
#include "support/TestData.h"

namespace {

using testdata::TCase;

// A vector and the number of threads that compute it: the plan is the same
// for every number.
using TVectorRun = std::tuple<TCase, std::int32_t>;

std::string CaseName(const ::testing::TestParamInfo<TVectorRun>& Info) {
  return std::get<0>(Info.param).Name + "_threads" + std::to_string(std::get<1>(Info.param));
}

class VectorTest : public ::testing::TestWithParam<TVectorRun> {};

TEST_P(VectorTest, ComputesTheExpectedPlanOrFailsWithItsMessage) {
  const auto& [C, Threads] = GetParam();
  auto Task = testdata::NewTask();
  Task->RigidFlag = C.Rigid;
  if (!C.Error.empty()) {
    auto Before = PlanToText(*Task);
    try {
      LoadPlan(*Task, C.Input);
      FAIL() << "loading succeeded";
    } catch (const EPlanError& E) {
      EXPECT_EQ(E.what(), C.Error);
    }
    EXPECT_EQ(PlanToText(*Task), Before) << "a failed load changed the task";
    return;
  }
  LoadPlan(*Task, C.Input);
  std::string Message;
  TNullProgressLink Link;
  MakePlan(*Task, Message, Link, nullptr, Threads);
  EXPECT_EQ(Message, "");
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_EQ(PlanToText(*Task), testdata::ReadBytes(C.Expected));
}

INSTANTIATE_TEST_SUITE_P(Vectors, VectorTest,
                         ::testing::Combine(::testing::ValuesIn(testdata::Cases(TAVIK_VECTORS_DIR)),
                                            ::testing::Values(1, 2, 3)),
                         CaseName);

// The window keeps one team of threads for all its calculations: nothing of
// one calculation may reach the next.
TEST(VectorsWithAKeptTeam, EveryVectorInARowGivesItsPlan) {
  TSearchTeam Team(3);
  int Computed = 0;
  for (const TCase& C : testdata::Cases(TAVIK_VECTORS_DIR)) {
    if (!C.Error.empty()) continue;
    auto Task = testdata::NewTask();
    Task->RigidFlag = C.Rigid;
    LoadPlan(*Task, C.Input);
    std::string Message;
    TNullProgressLink Link;
    MakePlan(*Task, Message, Link, nullptr, Team);
    EXPECT_EQ(PlanToText(*Task), testdata::ReadBytes(C.Expected)) << C.Name;
    ++Computed;
  }
  EXPECT_GT(Computed, 10);
}

class SavedFileTest : public ::testing::TestWithParam<std::string> {};

TEST_P(SavedFileTest, LoadsAndSavesBackByteIdentical) {
  const std::string Bytes = testdata::ReadBytes(GetParam());
  auto Task = testdata::NewTask();
  PlanFromText(*Task, Bytes);
  EXPECT_EQ(PlanToText(*Task), Bytes);
  testdata::TTempDir Dir;
  SavePlan(*Task, Dir.File("copy.tsk"));
  EXPECT_EQ(testdata::ReadBytes(Dir.File("copy.tsk")), Bytes);
}

std::vector<std::string> AllSavedFiles() {
  auto Files = testdata::SavedTaskFiles(TAVIK_VECTORS_DIR);
  auto Bench = testdata::SavedTaskFiles(TAVIK_BENCH_TASKS_DIR);
  Files.insert(Files.end(), Bench.begin(), Bench.end());
  return Files;
}

std::string FileCaseName(const ::testing::TestParamInfo<std::string>& Info) {
  std::string Name = Info.param.substr(Info.param.find_last_of('/') + 1);
  if (Info.param.find("/bench/") != std::string::npos) Name = "bench_" + Name;
  for (char& C : Name)
    if (!isalnum(static_cast<unsigned char>(C))) C = '_';
  return Name;
}

INSTANTIATE_TEST_SUITE_P(TaskFiles, SavedFileTest, ::testing::ValuesIn(AllSavedFiles()), FileCaseName);

}  // namespace
