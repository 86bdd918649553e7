// Process set-up: crash dialogs off, the module instance and GDI+ (the size limits use the default
// font's line height).
#include "TavTestEnvironment.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);
}
