#pragma once
// The framework window: an object bound to a platform window that draws itself into a memory DC,
// is composed with its child windows into the back buffer of its root window and is presented
// with one layered-window update. Routing, focus, hit testing and modal runs live here too.
//
// Everything here runs on the GUI thread. Other threads ask for a redraw with
// postRedrawRequest(), which only posts a message.
#include "GdiOwners.h"
#include "Messages.h"
#include "TavObject.h"

#include <map>
#include <set>
#include <vector>

class TavWnd;
using TavWndSet = std::set<const TavWnd*>;

// Cursor kinds of setCursorKind; 1 means moving, 2-5 resizing.
enum TavCursorKind : int {
    kCursorArrow = 0,
    kCursorSizeAll = 1,
    kCursorSizeWE = 2,
    kCursorSizeNS = 3,
    kCursorSizeNWSE = 4,
    kCursorSizeNESW = 5,
    kCursorHand = 6,
    kCursorText = 7,
};

// Bits of interactionFlags().
enum : unsigned { kWndHot = 1u, kWndPressed = 2u };

class TavWnd : public TavObjectSub {
public:
    TavWnd();
    ~TavWnd() override;

    // --- operations of the object and window classes ---
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void attach(int id, HWND window) override;
    void modalStart() override;
    bool create(int id, const wchar_t* name, DWORD exStyle, DWORD style, int x, int y, int width, int height,
                HWND parent) override;

    // --- operations added by the window, in slot order ---
    virtual void refresh();
    virtual void onMouseMove(WPARAM keys, int x, int y);
    virtual void onMoved(int x, int y);
    virtual void onRightButtonDown(WPARAM keys, int x, int y);
    virtual void onLeftButtonDown(WPARAM keys, int x, int y);
    virtual void onLeftButtonUp(WPARAM keys, int x, int y);
    virtual void onHover(WPARAM keys, int x, int y);
    virtual void onLeftDoubleClick(WPARAM keys, int x, int y);
    virtual void onClick(WPARAM keys, int x, int y);
    virtual void onMouseLeave();
    virtual void onFocusGained(TavWnd* previous);
    virtual void onTimer(UINT_PTR timerId);
    virtual void onTrayNotify(WPARAM wParam, LPARAM lParam);
    virtual void onKeyUp(WPARAM virtualKey, LPARAM flags);
    virtual void onSized(WPARAM flag, int width, int height);
    virtual void onDestroyed();
    virtual void setCursorKind(int kind);
    virtual void onContextMenu(WPARAM window, int screenX, int screenY);
    virtual void onMouseActivate(WPARAM wParam, LPARAM lParam);
    virtual void onMouseWheel(WPARAM keys, int delta, int screenX, int screenY);
    // The deepest descendant under the screen point (this window when no child claims it).
    virtual TavWnd* hitTest(int screenX, int screenY);
    virtual LRESULT onCommand(UINT message, WPARAM wParam, LPARAM lParam);
    // Composes this window and its children into `target`, a DC whose pixel (0,0) is the point
    // (left, top) of `targetWindow`'s client area. False when a step failed.
    virtual bool paintInto(HWND origin, HWND targetWindow, HDC target, int left, int top, int right,
                           int bottom, const TavWndSet& excluded);
    // This window's own look, client-sized; the base is fully transparent.
    virtual TavMemDC renderSelf();
    // Nonzero swallows the message before it is translated and dispatched.
    virtual BOOL preTranslateMessage(MSG* message);
    virtual void onCreated();
    virtual void rebuildBackBuffer();
    virtual bool isResizing();
    virtual bool isMoving();
    virtual void show(int command);
    virtual void enable(bool enabled);
    virtual void copyBackBufferInto(HDC target);
    // A window that extends copyBackBufferInto (an overlay drawn over the presented frame) returns
    // true: its frame is then made by copyBackBufferInto at every present. Otherwise the back
    // buffer itself is handed to the screen, with no frame made or kept beside it.
    virtual bool drawsOverBackBuffer() const { return false; }
    virtual bool redrawUnder(TavWnd* window);
    virtual bool redrawRect(HWND origin, const TavWndSet& excluded, const RECT& screenRect);
    virtual bool redrawScreenRect(int left, int top, int right, int bottom);
    virtual bool redrawAll();
    virtual void takeFocus();
    // Returns whether the focus moved away (false when a focus companion keeps it here).
    virtual bool loseFocus(TavWnd* newFocus);
    virtual void onGeometryChanged();
    virtual void setKeyValue(int key, int value);
    // A window whose own image depends only on what this key sums up returns it (never 0): its
    // image is then kept between compositions and made again only when the key changes. 0 (the
    // default) makes the image at every composition.
    virtual uint64_t keptImageKey() const { return 0; }
    // FNV-1a over the bytes, continuing from `key` (start from kKeySeed): for keptImageKey.
    static constexpr uint64_t kKeySeed = 14695981039346656037ull;
    static uint64_t mixKey(uint64_t key, const void* bytes, size_t count);

    // --- non-virtual interface ---
    // One own image of a window in a composition, placed in the target DC.
    struct Layer {
        TavMemDC image;
        RECT source;                    // the part of the image that is drawn
        POINT dest;                     // where its top-left lands in the target DC
        const TavMemDC* kept = nullptr; // the window's kept image, drawn instead of `image`
        const TavMemDC& picture() const { return kept ? *kept : image; }
    };

    // Makes the root's back buffer visible: the whole window, or a screen rectangle of it.
    void present(const RECT* screenRect = nullptr);
    // Like present, but a layered root tells the system that only this screen rectangle changed
    // since its last frame (much cheaper to hand over under Wine). The caller has redrawn the
    // rectangle; without an earlier frame of the same size the whole window is presented.
    void presentChanged(const RECT& screenRect);
    TavWnd* root();
    HWND topLevelHandle() const;
    bool isLayered() const;
    bool isLogicallyVisible() const;
    bool isDescendantOf(const TavWnd* ancestor) const;

    const std::vector<TavWnd*>& children() const { return children_; }
    TavWnd* parentWnd() const { return parent_; }
    // The root's composed picture; composition put off while the window was hidden is done first.
    const TavMemDC& backBuffer() const;
    unsigned interactionFlags() const { return interaction_; }
    int cursorKind() const { return cursorKind_; }
    int showState() const { return showState_; }
    bool pressFlag() const { return pressFlag_; }
    bool hoverTrackingPending() const { return hoverPending_; }
    const RECT& lastWindowRect() const { return lastRect_; }
    POINT lastLeftPress() const { return lastLeftPress_; }
    POINT lastRightPress() const { return lastRightPress_; }
    std::set<TavWnd*>& focusCompanions() { return focusCompanions_; }
    int opacity() const { return opacity_; }
    void setOpacity(int value) { opacity_ = value; }
    const std::map<int, int>& keyValues() const { return keyValues_; }

    // Registries.
    static TavWnd* findById(int id);
    static TavWnd* findByHandle(HWND window);
    static TavWnd* focusedWindow();
    static void setFocusedWindow(TavWnd* window);
    static size_t windowCount();
    // Hover/leave tracking requests made by all windows so far (a diagnostic counter).
    static long trackingRequestCount();

    // Runs `window` modally in the dialog host (template 102); returns the dialog's result
    // (1 accept, 2 cancel, -1 when the dialog could not be made).
    static INT_PTR runModal(TavWnd* window, HWND parent, int id);
    static TavWnd* pendingModal();
    // The topmost visible dialog of the calling thread (the program's message boxes and prompts,
    // the file, color and font choosers): a modal loop is running while there is one. Null if none.
    static HWND openModalDialog();

    // Called by the start-up message hook for every retrieved message: the pre-translate
    // operation of the window's object, or 0 when the window has none.
    static BOOL preTranslateHook(MSG* message);

    // Safe from any thread: asks the window to redraw (a client rectangle or all) and present.
    static bool postRedrawRequest(HWND window, const RECT* clientRect = nullptr);

protected:
    // Routing helpers.
    bool routeBeforeDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void routeAfterDefault(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT handleButtonDownFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    bool handleSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void handleLeftButtonUp(WPARAM wParam, LPARAM lParam, LRESULT& result);
    void handleMouseMove(WPARAM wParam, LPARAM lParam);
    void handleContextMenu(WPARAM wParam, LPARAM lParam);
    void handleRedrawRequest(WPARAM wParam, LPARAM lParam);
    void refreshDescendantRects();
    void moveChildrenBy(int dx, int dy);
    // Renders this window and its composed descendants inside `clip` (screen coordinates) into
    // layers, bottom to top; the target DC's pixel (0,0) is the screen point `targetOrigin`.
    // False, with nothing drawn yet, when an image could not be made.
    bool collectLayers(std::vector<Layer>& layers, const RECT& clip, POINT targetOrigin,
                       const TavWndSet& excluded);
    void presentLayered();
    // The DC handed to UpdateLayeredWindow (see drawsOverBackBuffer); null when no frame could be made.
    HDC presentSource(SIZE client);
    void presentBlit(const RECT* screenRect);
    void detachFromParent();

    std::vector<TavWnd*> children_;
    TavWnd* parent_ = nullptr;
    TavMemDC backBuffer_;
    TavMemDC keptImage_; // see keptImageKey
    uint64_t keptKey_ = 0;
    unsigned interaction_ = 0;
    int cursorKind_ = kCursorArrow;
    int showState_ = 0;
    HCURSOR cursor_ = nullptr;
    bool pressFlag_ = false;
    RECT lastRect_{};
    RECT sizedRect_{}; // the rectangle at the last size change (the old corner of a resize)
    POINT lastRightPress_{};
    POINT lastLeftPress_{};
    bool hoverPending_ = false;
    std::set<TavWnd*> focusCompanions_;
    int opacity_ = 255;
    std::map<int, int> keyValues_;
    TavMemDC presentFrame_; // root only, with drawsOverBackBuffer: the frame handed to UpdateLayeredWindow
    // Root only: a redraw was asked while the window was hidden. A hidden window is not composed
    // (a note being opened moves and sizes its children many times before it shows); the whole
    // window is composed when it shows, at its next present or when its back buffer is read.
    bool composeDeferred_ = false;
    bool composeHidden_ = false; // composing on purpose while hidden
    HDC clearTarget_ = nullptr;  // a DC known to be fully transparent (copies may blit)

private:
    void registerWindow();
    void unregisterWindow();
    static INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR handleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};
