#pragma once
// The labels of a reminder as chips, flowing left to right and wrapping. Under the mouse a chip
// shows a delete area at its right end; a click in it removes the label from the reminder file and
// posts 50014 to the parent, which reloads.
#include "PromptFile.h"
#include "TavWnd.h"

#include <vector>

class TavNoteListMPL : public TavWnd {
public:
    static constexpr int kChipHeight = 22;
    static constexpr int kGap = 4;

    TavNoteListMPL();

    // The reminder file whose labels are shown; `objectId` is written into a file made anew.
    void setPromptPath(const std::wstring& path, int objectId);
    // Reads the labels from the file again and lays them out.
    void reload();
    void setDeletable(bool on) { deletable_ = on; }

    // The chips in drawing order with their rectangles (client coordinates).
    const std::vector<ReminderLabel>& chips() const { return chips_; }
    const std::vector<RECT>& chipRects() const { return rects_; }
    RECT deleteArea(size_t index) const;
    const ReminderLabelSet& labels() const { return labels_; }

    void onMouseMove(WPARAM keys, int x, int y) override;
    void onMouseLeave() override;
    void onClick(WPARAM keys, int x, int y) override;
    void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY) override;
    void onSized(WPARAM flag, int width, int height) override;
    TavMemDC renderSelf() override;

private:
    void layout();
    int chipAt(int x, int y) const;

    std::wstring path_;
    int objectId_ = 0;
    ReminderLabelSet labels_;
    std::vector<ReminderLabel> chips_;
    std::vector<RECT> rects_;
    int hover_ = -1;
    int offset_ = 0;
    int contentHeight_ = 0;
    bool deletable_ = true;
};
