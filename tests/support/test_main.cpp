#include <gtest/gtest.h>

#ifdef VYR_TEST_KEEPS_FISCAL_SETTINGS
#include "fiscal/kept_settings.h"
#include "support/temp_store.h"
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
#ifdef VYR_TEST_KEEPS_FISCAL_SETTINGS
  // The fiscal package keeps the store's settings a while; a test's change to the store is seen
  // at once, as a support person's is once the time is up.
  vyrtest::TempStore::SetAfterExec(&VyrFiscal::EsqueceGuardadas);
#endif
  return RUN_ALL_TESTS();
}
