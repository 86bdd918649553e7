// Process set-up of the button, scroll bar and slider tests.
#include "menu_support.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new menutest::Environment);
}
