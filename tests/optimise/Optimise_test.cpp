// The optimiser on the golden tasks: every plan it hands back is a valid
// plan of the task and never worse than the exact one.
#include <gtest/gtest.h>

#include <memory>

#include "CalcPlan.h"
#include "Optimise.h"
#include "support/TestData.h"

namespace {

class OptimiseVectors : public testing::TestWithParam<testdata::TCase> {};

TEST_P(OptimiseVectors, ValidAndNeverWorseThanTheExactPlan) {
  const testdata::TCase& Case = GetParam();
  if (!Case.Error.empty()) GTEST_SKIP() << "the task does not load";
  auto Task = std::make_unique<TPlan>();
  LoadPlan(*Task, Case.Input);
  Task->RigidFlag = Case.Rigid;
  auto Exact = std::make_unique<TPlan>(*Task);
  ClearJobs(*Exact);
  std::string Message;
  TNullProgressLink Link;
  MakePlan(*Exact, Message, Link);

  Optimise::TOptimiseOutput Output;
  Optimise::OptimisePlan(*Task, Optimise::TOptimiseParams{}, Link, Output);
  EXPECT_EQ(CheckPlan(*Task), "");
  EXPECT_FALSE(Optimise::Better(Optimise::PlanCost(*Exact), Output.Optimised));
  EXPECT_FALSE(Optimise::Better(Output.Optimised, Optimise::PlanCost(*Task)) ||
               Optimise::Better(Optimise::PlanCost(*Task), Output.Optimised))
      << "the output's cost is the cost of the plan in the task";
  EXPECT_EQ(Output.Exact.Sheets, Optimise::PlanCost(*Exact).Sheets);
}

INSTANTIATE_TEST_SUITE_P(Vectors, OptimiseVectors, testing::ValuesIn(testdata::Cases(TAVIK_VECTORS_DIR)),
                         [](const testing::TestParamInfo<testdata::TCase>& Info) { return Info.param.Name; });

}  // namespace
