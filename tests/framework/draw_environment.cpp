// Process set-up of the drawing tests, with an application folder of their own (resource images).
#include "TavTestEnvironment.h"
#include "draw_support.h"

std::wstring drawTestFolder(const std::wstring& name) { return TavTestEnvironment::freshFolder(name); }

namespace {

class DrawEnvironment : public TavTestEnvironment {
public:
    DrawEnvironment() : TavTestEnvironment(L"draw", Folder::Plain) {}
    void SetUp() override {
        TavTestEnvironment::SetUp();
        setAppDirectoryOverride(drawTestFolder(L"app"));
    }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new DrawEnvironment);

} // namespace
