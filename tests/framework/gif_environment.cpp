// Process set-up of the GIF tests: an application folder of their own, so that "tempgif\" is made
// there, and a folder for the pictures.
#include "TavTestEnvironment.h"
#include "gif_support.h"

namespace giftest {

std::wstring testRoot() { return TavTestEnvironment::folder(); }

} // namespace giftest

namespace {

class GifEnvironment : public TavTestEnvironment {
public:
    GifEnvironment() : TavTestEnvironment(L"gif", Folder::Plain) {}
    void SetUp() override {
        TavTestEnvironment::SetUp();
        freshFolder(L"pictures");
        setAppDirectoryOverride(freshFolder(L"app"));
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GifEnvironment);

} // namespace
