#pragma once
// A data module of its own on a fresh store that is the program directory's default store.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "datamodule/rdm_imp_exp_kds.h"
#include "rtl/program_dir.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace dmtest {

class DataModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
    dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
  }
  void TearDown() override {
    dm_.reset();
    rtl::SetProgramDirectory("");
  }

  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
};

}  // namespace dmtest
