// Process set-up of the RTF tests: GDI+ for the size conversions, no crash dialogs.
#include "TavTestEnvironment.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);
}
