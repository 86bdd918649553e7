#pragma once
// The manager's list of notes (and, with other entries, of templates): thumbnails in rows under
// section headers, a check mark on each selected entry, scrolling by the wheel and the bar at its
// right edge. A click selects or deselects an entry; a click on a header selects or deselects its
// whole section. A double click posts kManagerMsgOpenEntry (wParam = entry index) to the parent.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ManagerNoteList.h"
#include "TavWnd.h"

class TavNMiNList : public TavWnd {
public:
    static constexpr int kBarWidth = 10;

    TavNMiNList();

    bool createChild(HWND parent, int id, const RECT& rect);

    // The entries of a context (the group shown); the selection of each context is kept, so a
    // list read again keeps its check marks.
    void setEntries(std::vector<ManagerNoteEntry> entries, const std::wstring& context);
    const std::vector<ManagerNoteEntry>& entries() const { return entries_; }
    void setView(ManagerView view);
    ManagerView view() const { return view_; }
    const ManagerListLayout& layout() const { return layout_; }
    // Replaces one entry (after it was edited) and drops its picture from the cache.
    void updateEntry(size_t index, ManagerNoteEntry entry);

    // Selection, over the listed entries.
    bool isSelected(size_t index) const;
    void setSelected(size_t index, bool on);
    std::vector<size_t> selectedIndexes() const;
    void selectAll();
    void invertSelection();
    void clearSelection();
    bool headerChecked(const std::wstring& key) const;
    // A click on the header of `key`: its mark flips and the section follows it.
    void toggleHeader(const std::wstring& key);

    // The entry or header under a client point (scrolled): -1 for none.
    int tileAt(int x, int y) const;
    const ManagerListItem* headerAt(int x, int y) const;
    // Where an entry is drawn in client coordinates now.
    RECT tileRect(size_t index) const;
    int scrollOffset() const { return offset_; }
    void scrollTo(int offset);
    int maxOffset() const;

    void onClick(WPARAM keys, int x, int y) override;
    void onLeftDoubleClick(WPARAM keys, int x, int y) override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    void onSized(WPARAM flag, int width, int height) override;
    TavMemDC renderSelf() override;

    // Draws the tiles' texts; entries without a picture show this instead of one.
    void setEmptyText(std::wstring text) { emptyText_ = std::move(text); }
    void repaint();

private:
    // Folder and name: a search lists notes of several folders, names alike in two of them.
    std::wstring key(const ManagerNoteEntry& e) const { return context_ + L"\n" + e.folder + e.unique; }
    std::wstring headerKey(const std::wstring& section) const;
    void relayout();
    static std::wstring thumbnailKey(const ManagerNoteEntry& e) {
        // An open note without a snapshot is drawn from its window: made again with each list.
        return e.folder + e.unique + L"\n" + (e.snapshot.empty() ? std::wstring(L"live") : e.snapshot);
    }
    // The picture of an entry at the thumbnail size, made once.
    const TavMemDC* thumbnail(const ManagerNoteEntry& entry, SIZE size);
    void drawTile(HDC dc, const ManagerNoteEntry& entry, const RECT& tile, bool selected);

    std::vector<ManagerNoteEntry> entries_;
    std::wstring context_;
    ManagerView view_ = ManagerView::ByDate;
    ManagerListLayout layout_;
    std::set<std::wstring> selected_;
    std::set<std::wstring> headerChecks_;
    std::map<std::wstring, TavMemDC> thumbnails_;
    std::wstring emptyText_;
    int offset_ = 0;
    int width_ = 0;
    int height_ = 0;
};
