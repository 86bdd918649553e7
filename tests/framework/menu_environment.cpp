// Process set-up of the pop-up menu tests.
#include "menu_support.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new menutest::Environment);
}
