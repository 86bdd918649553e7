// Process set-up: crash dialogs off, the module instance and GDI+.
#include "TavTestEnvironment.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);
}
