// How a pass tells the host whether it was idle.
#include "worker/worker_control.h"

#include <gtest/gtest.h>

#include "worker/worker_status.h"

namespace {

using Cli_Qam00417::WorkerControl;

TEST(WorkerControlTest, APassIsIdleOnlyWhenItChangedNothing) {
  WorkerControl& control = WorkerControl::Instance();
  ASSERT_TRUE(control.TryClaim());
  const long passes = control.Passes();
  std::string statuses;
  const auto pass = [&](int pending, int changed) {
    for (int i = 0; i < changed; ++i) control.NoteChange();
    control.EndPass(pending, changed);
    statuses += std::to_string(control.Status()) + " ";
  };
  pass(0, 0);
  pass(3, 0);
  pass(3, 2);
  EXPECT_EQ("3 4 5 ", statuses);  // idle, idle with orders left pending, changed the store
  EXPECT_EQ(2, control.Changes());
  EXPECT_EQ(3, control.Passes() - passes);  // the host records the time of each
  control.AbandonClaim();
}

}  // namespace
