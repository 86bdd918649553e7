#pragma once
// The note-styled push button: a flat face in the accent color (settings().borderMenuColor)
// with either a text label or a picture of the resource folder ("close.png"). The behaviour -
// hot, pressed, the hand cursor and the click notification - is TavWndBt's.
#include "TavWndBt.h"

#include <string>

class TavNoteBt : public TavWndBt {
public:
    explicit TavNoteBt(std::wstring label = std::wstring(), std::wstring image = std::wstring());

    TavMemDC renderSelf() override;
    // The image depends on the size, the state, the accent colour, the label and the picture only.
    uint64_t keptImageKey() const override;

    // Creates the button as a visible child of the parent; the control id is its object id,
    // which the click notification (10009) carries.
    bool createChild(HWND parent, int controlId, const RECT& rect);

    const std::wstring& label() const { return label_; }
    void setLabel(const std::wstring& label) { label_ = label; }
    const std::wstring& image() const { return image_; }
    void setImage(const std::wstring& image) { image_ = image; }

    // Face, frame and ink colors of a state (ARGB).
    struct Look {
        uint32_t face;
        uint32_t frame;
        uint32_t ink;
    };
    static Look lookFor(bool hot, bool pressed, uint32_t accent, bool picture);

private:
    std::wstring label_;
    std::wstring image_;
};
