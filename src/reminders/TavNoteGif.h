#pragma once
// The preview of a reminder's GIF, animated. A delete area of 24 x 24 pixels in the top-right
// corner (2 pixels smaller on each side for hitting) stops the animation and posts 50016 to the
// parent.
#include "TavGif.h"
#include "TavWnd.h"

class TavNoteGif : public TavWnd {
public:
    static constexpr int kDeleteSide = 24;

    TavNoteGif();
    ~TavNoteGif() override;

    // Shows the picture at the full path ("" or a missing file: an empty preview).
    void showPicture(const std::wstring& path);
    void stop();
    const std::wstring& picturePath() const { return path_; }
    bool isPlaying() const { return gif_.animationCount() + gif_.plainCount() > 0; }
    void setDeletable(bool on) { deletable_ = on; }
    RECT deleteHitArea() const;

    void onMouseMove(WPARAM keys, int x, int y) override;
    void onMouseLeave() override;
    void onClick(WPARAM keys, int x, int y) override;
    TavMemDC renderSelf() override;

private:
    TavGif gif_;
    std::wstring path_;
    std::wstring name_;
    bool deletable_ = true;
    bool deleteHot_ = false;
};
