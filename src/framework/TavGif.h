#pragma once
// The pictures of one owner (a note's background, a preview): plain pictures drawn from their
// files, and animated GIFs played by one worker thread on a shared clock. The worker sleeps until
// the next frame change of any animation and asks the window showing that picture to redraw by
// posting it a message; the window redraws on the GUI thread.
//
// Frames are decoded by the worker outside the lock that drawing takes: the worker renders the
// due frame into a bitmap of its own and only swaps it in under the lock, so painting on the GUI
// thread never waits for a decode. Stopping is bounded: a worker still inside a decode after the
// wait is left to finish on its own with the state it holds.
//
// A GIF is played from a copy in the application's "tempgif\" folder, so that the original can be
// replaced or deleted while it plays.
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GdiOwners.h"

struct TavGifShared;

// Waits until every GIF worker of the process has ended; false when one is still running after
// `milliseconds`. The entry point calls it before shutting GDI+ down.
bool tavGifWaitForWorkers(DWORD milliseconds);
int tavGifLiveWorkers();

// Test seams. `beforeDecode` runs on the worker, outside the entry lock, before each frame
// decode; `stopWaitMs` bounds how long stopAll() waits for the worker.
struct TavGifSeams {
    void (*beforeDecode)(void* context) = nullptr;
    void* context = nullptr;
    DWORD stopWaitMs = 5000;
};
TavGifSeams& tavGifSeams();

class TavGif {
public:
    TavGif();
    // Stops the worker and deletes the temporary copies.
    virtual ~TavGif();
    TavGif(const TavGif&) = delete;
    TavGif& operator=(const TavGif&) = delete;

    // Adds folder + fileName: an animated GIF is played for `owner`; any other picture (and a
    // GIF with one frame or without frame delays) is kept as a plain picture. False when a GIF
    // cannot be read (it is then not added at all).
    bool addPicture(const std::wstring& folder, const std::wstring& fileName, HWND owner);
    // Compared without case; one added picture of the name goes.
    void removePicture(const std::wstring& fileName);
    // Draws the named picture's current frame scaled into the rectangle; false when unknown.
    bool drawPicture(const std::wstring& fileName, HDC target, const RECT& rect);
    // Only playing animations advance (all do when added).
    void setPlaying(const std::wstring& fileName, bool playing);
    // Stops the worker, drops every picture and deletes the copies (and the folder when empty).
    // Returns false when the worker did not end within the bound (it ends by itself later).
    bool stopAll();

    size_t animationCount() const;
    size_t plainCount() const { return plain_.size(); }
    bool isAnimation(const std::wstring& fileName) const;
    // The frame an animation shows now (-1 when there is no such animation).
    int currentFrame(const std::wstring& fileName) const;
    bool workerRunning() const;
    // How many workers this object has started (a new one after the last one ended).
    int workerStarts() const { return workerStarts_; }
    // Waits for the worker to end by itself (after the last animation went); false on time-out.
    bool waitWorkerEnd(DWORD milliseconds);
    const std::wstring& tempFolder() const { return tempFolder_; }

private:
    bool addAnimation(const std::wstring& folder, const std::wstring& fileName, HWND owner);
    void startWorkerIfNeeded();
    void joinWorker(DWORD milliseconds);

    std::shared_ptr<TavGifShared> shared_;
    // A still picture: its folder and file name, and its image, decoded at its first drawing and
    // kept (a repaint never decodes the file again).
    struct Plain {
        std::wstring folder;
        std::wstring fileName;
        TavGpImage image;
        bool decoded = false;
    };
    std::vector<Plain> plain_;
    TavKernelHandle thread_;
    int workerStarts_ = 0;
    std::wstring tempFolder_;
};
