#pragma once
// What the manager remembers in "sysconfig.xml" under `manager`: the group selected last
// (`lastsel`) and the view chosen per group (`grouptab`, an `item` per group whose text is the
// group and whose `tab` attribute is the view's text); the template page keeps the same two under
// `tpllastsel` and `tpltab`. Every other element of the file is kept.
// A damaged file is kept as "sysconfig.xml.bad" before a new one is started; a file that exists
// but cannot be read is never written.
#include <map>
#include <string>

struct ManagerState {
    std::wstring lastSelected;
    std::map<std::wstring, std::wstring> groupViews; // group name -> view tab text
};

// The element names under `manager` of one page's state.
struct ManagerStateKeys {
    const wchar_t* lastSelected;
    const wchar_t* groupViews;
};
inline constexpr ManagerStateKeys kNotePageStateKeys{L"lastsel", L"grouptab"};
inline constexpr ManagerStateKeys kTemplatePageStateKeys{L"tpllastsel", L"tpltab"};

ManagerState loadManagerState(const std::wstring& path, const ManagerStateKeys& keys = kNotePageStateKeys);
bool saveManagerState(const std::wstring& path, const ManagerState& state,
                      const ManagerStateKeys& keys = kNotePageStateKeys);
// Drops the group's `item` from the page's view list (names compared ignoring case); saved only
// when one was removed.
bool removeGroupView(const std::wstring& path, const std::wstring& group,
                     const ManagerStateKeys& keys = kNotePageStateKeys);
