#include "TavGif.h"

#include <shlwapi.h>

#include <algorithm>
#include <mutex>

#include "AppPaths.h"
#include "GifSchedule.h"
#include "TavWnd.h"

using namespace Gdiplus;

namespace {

// How long stopping waits for the worker; it only ever waits on its events or the entry lock.
constexpr DWORD kStopWaitMs = 5000;
// A worker that wakes this late (the machine slept, say) resumes from now instead of replaying
// every frame it missed.
constexpr int64_t kMaxLagMs = 1000;

struct GifEntry {
    TavGpImage image;
    GUID dimension{};
    GifTrack track;
    HWND owner = nullptr;
    std::wstring fileName;
    std::wstring copyPath;
    int shownFrame = 0;
};

bool sameName(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool isGifName(const std::wstring& name) {
    return name.size() >= 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".gif") == 0;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The frame delays in hundredths of a second; empty when the GIF has none.
std::vector<int> frameDelays(Image& image, UINT frames) {
    std::vector<int> delays;
    UINT size = image.GetPropertyItemSize(PropertyTagFrameDelay);
    if (size < sizeof(PropertyItem)) return delays;
    std::vector<BYTE> buffer(size);
    auto* item = reinterpret_cast<PropertyItem*>(buffer.data());
    if (image.GetPropertyItem(PropertyTagFrameDelay, size, item) != Ok || !item->value) return delays;
    size_t count = std::min<size_t>(item->length / sizeof(LONG), size_t(frames));
    if (count == 0) return delays;
    const auto* values = static_cast<const LONG*>(item->value);
    delays.assign(values, values + count);
    // Frames beyond the listed delays get the shortest delay.
    delays.resize(frames, 0);
    return delays;
}

bool drawImageInto(Image& image, HDC target, const RECT& rect) {
    UINT w = image.GetWidth(), h = image.GetHeight();
    if (!target || w == 0 || h == 0) return false;
    Graphics g(target);
    Rect dest(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return g.DrawImage(&image, dest, 0, 0, INT(w), INT(h), UnitPixel) == Ok;
}

} // namespace

// The state the worker shares with its TavGif; the worker keeps it alive as long as it runs.
struct TavGifShared {
    std::mutex mutex;
    std::vector<std::unique_ptr<GifEntry>> entries;
    TavKernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    TavKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    bool running = true;
    bool workerAlive = false;
    ULONGLONG clockBase = 0;   // tick count at time 0 of the shared clock

    int64_t clockNow() const { return int64_t(GetTickCount64() - clockBase); }

    // Frees the entry's image and its temporary copy, unless another entry plays the same copy.
    void release(GifEntry& entry) {
        entry.image.reset();
        bool shared = std::any_of(entries.begin(), entries.end(), [&](const auto& other) {
            return other.get() != &entry && other->image && sameName(other->copyPath, entry.copyPath);
        });
        if (!shared) DeleteFileW(entry.copyPath.c_str());
    }

    void dropRemoved() {
        for (auto& e : entries)
            if (e->track.removed) release(*e);
        entries.erase(std::remove_if(entries.begin(), entries.end(), [](const auto& e) { return e->track.removed; }),
                      entries.end());
    }

    void releaseAll() {
        for (auto& e : entries) release(*e);
        entries.clear();
    }

    // Takes every step that is due by now, asks the owners to redraw, and returns how long to
    // sleep until the next step (INFINITE when nothing plays).
    DWORD stepDue() {
        std::vector<GifTrack*> tracks;
        for (auto& e : entries) tracks.push_back(&e->track);
        int64_t now = clockNow();
        std::optional<int64_t> first = gifEarliestDue(tracks);
        if (first && now - *first > kMaxLagMs) {
            clockBase += ULONGLONG(now - *first);
            now = *first;
        }
        std::vector<HWND> owners;
        std::vector<GifChange> changes;
        for (std::optional<int64_t> t = first; t && *t <= now; t = gifEarliestDue(tracks)) {
            gifStepDue(tracks, changes);
            for (const GifChange& c : changes) {
                GifEntry& e = *entries[c.track];
                if (c.step >= e.track.frameCount()) continue;   // the end of a cycle shows nothing
                if (e.image->SelectActiveFrame(&e.dimension, UINT(c.step)) != Ok) continue;
                e.shownFrame = int(c.step);
                if (std::find(owners.begin(), owners.end(), e.owner) == owners.end()) owners.push_back(e.owner);
            }
        }
        // Only a message crosses to the GUI thread; the window redraws and presents there.
        for (HWND owner : owners)
            if (owner && IsWindowVisible(owner)) TavWnd::postRedrawRequest(owner);
        std::optional<int64_t> next = gifEarliestDue(tracks);
        if (!next) return INFINITE;
        return DWORD(std::max<int64_t>(0, *next - clockNow()));
    }
};

namespace {

DWORD WINAPI gifWorker(void* argument) {
    std::unique_ptr<std::shared_ptr<TavGifShared>> hold(static_cast<std::shared_ptr<TavGifShared>*>(argument));
    TavGifShared& s = **hold;
    HANDLE events[2] = {s.stop.get(), s.wake.get()};
    for (;;) {
        DWORD wait;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.running) s.dropRemoved();
            if (!s.running || s.entries.empty()) {
                s.workerAlive = false;
                return 0;
            }
            wait = s.stepDue();
        }
        // Sleeps until the next frame change; a stop, an added or a removed picture wakes it.
        WaitForMultipleObjects(2, events, FALSE, wait);
    }
}

} // namespace

TavGif::TavGif() : shared_(std::make_shared<TavGifShared>()), tempFolder_(appDirectory() + L"tempgif\\") {}

TavGif::~TavGif() { stopAll(); }

bool TavGif::addPicture(const std::wstring& folder, const std::wstring& fileName, HWND owner) {
    if (fileName.empty()) return false;
    if (!isGifName(fileName)) {
        plain_.emplace_back(folder, fileName);
        return true;
    }
    return addAnimation(folder, fileName, owner);
}

bool TavGif::addAnimation(const std::wstring& folder, const std::wstring& fileName, HWND owner) {
    CreateDirectoryW(tempFolder_.c_str(), nullptr);
    // The copy keeps the bare file name: a name with folders in it never leaves the folder.
    std::wstring copy = tempFolder_ + PathFindFileNameW(fileName.c_str());
    // An existing copy (of another owner, or of an earlier run) is kept.
    bool made = CopyFileW((folder + fileName).c_str(), copy.c_str(), TRUE) != FALSE;
    if (!fileExists(copy)) return false;
    auto entry = std::make_unique<GifEntry>();
    entry->image = std::make_unique<Image>(copy.c_str());
    Image& image = *entry->image;
    UINT frames = 0;
    std::vector<int> delays;
    bool readable = image.GetLastStatus() == Ok && image.GetWidth() > 0 && image.GetHeight() > 0;
    if (readable && image.GetFrameDimensionsCount() > 0 &&
        image.GetFrameDimensionsList(&entry->dimension, 1) == Ok) {
        frames = image.GetFrameCount(&entry->dimension);
        delays = frameDelays(image, frames);
    }
    if (!readable || frames < 2 || delays.size() < 2) {
        // Unreadable: not added at all. One frame, or no delays to time the frames by: a still
        // picture, drawn from its own folder; the copy is not needed.
        entry->image.reset();
        if (made) DeleteFileW(copy.c_str());
        if (readable) plain_.emplace_back(folder, fileName);
        return readable;
    }
    entry->track.due = gifDueTimes(delays);
    entry->owner = owner;
    entry->fileName = fileName;
    entry->copyPath = copy;
    TavGifShared& s = *shared_;
    bool start = false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.workerAlive) {
            // Joins the running clock where it stands now.
            entry->track.shift(s.clockNow());
        } else {
            s.clockBase = GetTickCount64();
            s.running = true;
            s.workerAlive = true;
            start = true;
        }
        s.entries.push_back(std::move(entry));
    }
    if (start) {
        startWorkerIfNeeded();
    } else {
        SetEvent(s.wake.get());
    }
    return true;
}

void TavGif::startWorkerIfNeeded() {
    TavGifShared& s = *shared_;
    // The previous worker has finished (it said so under the lock); its handle goes now.
    joinWorker(kStopWaitMs);
    ResetEvent(s.stop.get());
    auto* argument = new std::shared_ptr<TavGifShared>(shared_);
    HANDLE thread = CreateThread(nullptr, 0, gifWorker, argument, 0, nullptr);
    if (!thread) {
        delete argument;
        std::lock_guard<std::mutex> lock(s.mutex);
        s.workerAlive = false;
        return;
    }
    thread_.reset(thread);
    ++workerStarts_;
}

void TavGif::joinWorker(DWORD milliseconds) {
    if (!thread_) return;
    WaitForSingleObject(thread_.get(), milliseconds);
    thread_.reset();
}

void TavGif::removePicture(const std::wstring& fileName) {
    auto plain = std::find_if(plain_.begin(), plain_.end(), [&](const auto& p) { return sameName(p.second, fileName); });
    if (plain != plain_.end()) {
        plain_.erase(plain);
        return;
    }
    TavGifShared& s = *shared_;
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& e : s.entries) {
        if (!e->track.removed && sameName(e->fileName, fileName)) {
            // Only the worker erases entries; it is woken to do so at once.
            e->track.removed = true;
            SetEvent(s.wake.get());
            return;
        }
    }
}

bool TavGif::drawPicture(const std::wstring& fileName, HDC target, const RECT& rect) {
    {
        TavGifShared& s = *shared_;
        std::lock_guard<std::mutex> lock(s.mutex);
        for (auto& e : s.entries)
            if (!e->track.removed && e->image && sameName(e->fileName, fileName))
                return drawImageInto(*e->image, target, rect);
    }
    for (const auto& [folder, name] : plain_) {
        if (!sameName(name, fileName)) continue;
        std::wstring path = folder + name;
        if (!fileExists(path)) return false;
        Image image(path.c_str());
        return image.GetLastStatus() == Ok && drawImageInto(image, target, rect);
    }
    return false;
}

void TavGif::setPlaying(const std::wstring& fileName, bool playing) {
    TavGifShared& s = *shared_;
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& e : s.entries)
        if (sameName(e->fileName, fileName)) e->track.playing = playing;
    SetEvent(s.wake.get());
}

void TavGif::stopAll() {
    TavGifShared& s = *shared_;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.running = false;
    }
    SetEvent(s.stop.get());
    bool ended = !thread_ || WaitForSingleObject(thread_.get(), kStopWaitMs) == WAIT_OBJECT_0;
    thread_.reset();
    {
        // Entries are only touched under the lock, so they can go even if the worker is late.
        std::lock_guard<std::mutex> lock(s.mutex);
        s.releaseAll();
        if (ended) s.workerAlive = false;
    }
    // A worker that did not end keeps the old state to itself; this object starts afresh.
    if (!ended) shared_ = std::make_shared<TavGifShared>();
    plain_.clear();
    RemoveDirectoryW(tempFolder_.c_str());   // only when empty: other owners' copies keep it
}

size_t TavGif::animationCount() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return size_t(std::count_if(shared_->entries.begin(), shared_->entries.end(),
                                [](const auto& e) { return !e->track.removed; }));
}

bool TavGif::isAnimation(const std::wstring& fileName) const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return std::any_of(shared_->entries.begin(), shared_->entries.end(),
                       [&](const auto& e) { return !e->track.removed && sameName(e->fileName, fileName); });
}

int TavGif::currentFrame(const std::wstring& fileName) const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    for (const auto& e : shared_->entries)
        if (!e->track.removed && sameName(e->fileName, fileName)) return e->shownFrame;
    return -1;
}

bool TavGif::workerRunning() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->workerAlive;
}

bool TavGif::waitWorkerEnd(DWORD milliseconds) {
    if (!thread_) return true;
    if (WaitForSingleObject(thread_.get(), milliseconds) != WAIT_OBJECT_0) return false;
    thread_.reset();
    return true;
}
