// Process set-up of the glyph and editor tests: GDI+ for measuring and painting, a module instance
// for windows, no crash dialogs.
#include "TavTestEnvironment.h"

namespace {
const auto* const environment = ::testing::AddGlobalTestEnvironment(new TavTestEnvironment);
}
