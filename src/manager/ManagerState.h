#pragma once
// What the manager remembers in "sysconfig.xml" under `manager`: the group selected last
// (`lastsel`) and the view chosen per group (`grouptab`, an `item` per group whose text is the
// group and whose `tab` attribute is the view's text). Every other element of the file is kept.
// A damaged file is kept as "sysconfig.xml.bad" before a new one is started; a file that exists
// but cannot be read is never written.
#include <map>
#include <string>

struct ManagerState {
    std::wstring lastSelected;
    std::map<std::wstring, std::wstring> groupViews; // group name -> view tab text
};

ManagerState loadManagerState(const std::wstring& path);
bool saveManagerState(const std::wstring& path, const ManagerState& state);
// Drops the group's `item` from `grouptab` (names compared ignoring case); saved only when one
// was removed.
bool removeGroupView(const std::wstring& path, const std::wstring& group);
