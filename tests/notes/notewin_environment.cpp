// GDI+, the module instance for the dialog host, and an application folder per test.
#include "TavTestEnvironment.h"
#include "AppPaths.h"
#include "XmlDocument.h"
#include "notewin_support.h"

namespace notewin {

namespace {

class Environment : public TavTestEnvironment {
public:
    Environment() : TavTestEnvironment(L"notewin", Folder::Plain) {}
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

} // namespace

std::wstring installationFolder() { return TavTestEnvironment::installationFolder(); }

TavNoteStore prepareNote(const std::wstring& unique, int id, RECT rect, const std::wstring& group) {
    std::wstring base = group.empty() ? std::wstring() : noteItems2Directory() + group + L"\\";
    TavNoteStore note(unique, base, id);
    note.setGroupInMemory(group);
    EXPECT_TRUE(note.createNoteFile());
    EXPECT_TRUE(note.SaveGeometry(rect).has_value());
    return note;
}

std::wstring noteElement(const TavNoteStore& note, const wchar_t* name) {
    XmlDocument doc;
    if (!doc.loadFile(note.GetFilePath()) || !doc.findElement(L"TavNoteItem") || !doc.intoElement())
        return L"";
    return doc.findElement(name) ? doc.getData() : L"";
}

void NoteWindowTest::SetUp() {
    static int counter = 0;
    app_ = TavTestEnvironment::freshFolder(L"app" + std::to_wstring(++counter));
    ASSERT_TRUE(pathExists(app_));
    copyTree(installationFolder() + L"sysres\\", app_ + L"sysres\\");
    setAppDirectoryOverride(app_);
}

void NoteWindowTest::TearDown() {
    pump();
    setAppDirectoryOverride(L"");
    removeTree(app_);
}

} // namespace notewin
