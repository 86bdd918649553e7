#include "TavGif.h"

#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "AppPaths.h"
#include "FileSystem.h"
#include "FolderUtils.h"
#include "GifSchedule.h"
#include "ImageFiles.h"
#include "TavWnd.h"

using namespace Gdiplus;

namespace {

// A worker that wakes this late (the machine slept, say) resumes from now instead of replaying
// every frame it missed.
constexpr int64_t kMaxLagMs = 1000;

// A temporary copy, deleted when the last entry playing it goes (after that entry's image, which
// may keep the file open).
struct GifCopy {
    std::wstring path;
    explicit GifCopy(std::wstring p) : path(std::move(p)) {}
    ~GifCopy() { removeDataFile(path); }
    GifCopy(const GifCopy&) = delete;
    GifCopy& operator=(const GifCopy&) = delete;
};

using GifFrame = std::shared_ptr<Bitmap>;

// One animation. The worker holds a reference while it decodes, so an entry dropped meanwhile
// (removed, or stopped) lives until the decode is over.
struct GifEntry {
    std::shared_ptr<GifCopy> copy; // declared before `image`, so destroyed after it
    // Decoded only by the worker once the entry is shared; never drawn directly.
    TavGpImage image;
    GUID dimension{};
    GifFrame spare; // worker only: the bitmap the next frame is rendered into

    // Guarded by the shared mutex.
    GifTrack track;
    HWND owner = nullptr;
    std::wstring fileName;
    GifFrame frame; // the frame painting draws; replaced, never changed in place
    int shownFrame = 0;
};

using GifEntryRef = std::shared_ptr<GifEntry>;

bool sameName(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

bool isGifName(const std::wstring& name) {
    return name.size() >= 4 && lstrcmpiW(name.c_str() + name.size() - 4, L".gif") == 0;
}

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

// The image's active frame as a bitmap of its own. `reuse` is written into when nobody else
// holds it any more (the painter may still draw a frame it took earlier).
GifFrame renderFrame(Image& image, GifFrame reuse) {
    UINT w = image.GetWidth(), h = image.GetHeight();
    if (w == 0 || h == 0) return nullptr;
    if (!reuse || reuse.use_count() != 1 || reuse->GetWidth() != w || reuse->GetHeight() != h) {
        reuse = std::make_shared<Bitmap>(INT(w), INT(h), PixelFormat32bppPARGB);
        if (reuse->GetLastStatus() != Ok) return nullptr;
    }
    Graphics g(reuse.get());
    g.SetCompositingMode(CompositingModeSourceCopy);
    Rect all(0, 0, INT(w), INT(h));
    if (g.DrawImage(&image, all, 0, 0, INT(w), INT(h), UnitPixel) != Ok) return nullptr;
    return reuse;
}

// Live workers of the process. Never destroyed: a worker left running at exit may still count
// itself out after static destructors have run.
struct GifWorkerCount {
    std::mutex mutex;
    std::condition_variable ended;
    int live = 0;
};

GifWorkerCount& workerCount() {
    static GifWorkerCount* count = new GifWorkerCount;
    return *count;
}

// A step the worker shows: the frame to select in the entry's image.
struct GifJob {
    GifEntryRef entry;
    UINT frame = 0;
    GifFrame rendered;
};

} // namespace

TavGifSeams& tavGifSeams() {
    static TavGifSeams seams;
    return seams;
}

bool tavGifWaitForWorkers(DWORD milliseconds) {
    GifWorkerCount& c = workerCount();
    std::unique_lock<std::mutex> lock(c.mutex);
    return c.ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return c.live == 0; });
}

int tavGifLiveWorkers() {
    GifWorkerCount& c = workerCount();
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.live;
}

// The state the worker shares with its TavGif; the worker keeps it alive as long as it runs.
// Nothing under `mutex` calls GDI+: images are decoded and freed outside it.
struct TavGifShared {
    std::mutex mutex;
    std::vector<GifEntryRef> entries;
    TavKernelHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    TavKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    bool running = true;
    bool workerAlive = false;
    ULONGLONG clockBase = 0; // tick count at time 0 of the shared clock

    int64_t clockNow() const { return int64_t(GetTickCount64() - clockBase); }

    // The entries marked for removal, taken out of the list; the caller lets them go unlocked.
    std::vector<GifEntryRef> takeRemoved() {
        std::vector<GifEntryRef> removed;
        for (auto& e : entries)
            if (e->track.removed) removed.push_back(e);
        entries.erase(
            std::remove_if(entries.begin(), entries.end(), [](const auto& e) { return e->track.removed; }),
            entries.end());
        return removed;
    }

    // Takes every step that is due by now and lists the frames to show, the latest step of each
    // entry only. Returns the next due time (nothing when nothing plays).
    std::optional<int64_t> stepDue(std::vector<GifJob>& jobs) {
        std::vector<GifTrack*> tracks;
        for (auto& e : entries) tracks.push_back(&e->track);
        int64_t now = clockNow();
        std::optional<int64_t> first = gifEarliestDue(tracks);
        if (first && now - *first > kMaxLagMs) {
            clockBase += ULONGLONG(now - *first);
            now = *first;
        }
        std::vector<GifChange> changes;
        for (std::optional<int64_t> t = first; t && *t <= now; t = gifEarliestDue(tracks)) {
            gifStepDue(tracks, changes);
            for (const GifChange& c : changes) {
                const GifEntryRef& e = entries[c.track];
                if (c.step >= e->track.frameCount()) continue; // the end of a cycle shows nothing
                auto job =
                    std::find_if(jobs.begin(), jobs.end(), [&](const GifJob& j) { return j.entry == e; });
                if (job == jobs.end()) {
                    jobs.push_back(GifJob{e, UINT(c.step), nullptr});
                } else {
                    job->frame = UINT(c.step);
                }
            }
        }
        return gifEarliestDue(tracks);
    }

    // Puts the rendered frames in place; returns the owners to redraw.
    std::vector<HWND> publish(std::vector<GifJob>& jobs) {
        std::vector<HWND> owners;
        for (GifJob& job : jobs) {
            GifEntry& e = *job.entry;
            if (!job.rendered || e.track.removed) continue;
            e.spare = std::exchange(e.frame, std::move(job.rendered));
            e.shownFrame = int(job.frame);
            if (std::find(owners.begin(), owners.end(), e.owner) == owners.end()) owners.push_back(e.owner);
        }
        return owners;
    }
};

namespace {

bool stopSignalled(TavGifShared& s) { return WaitForSingleObject(s.stop.get(), 0) == WAIT_OBJECT_0; }

// Selects and renders each job's frame. Runs unlocked: only the worker touches an entry's image
// and spare bitmap, and the job's reference keeps the entry alive.
void decodeJobs(TavGifShared& s, std::vector<GifJob>& jobs) {
    const TavGifSeams& seams = tavGifSeams();
    for (GifJob& job : jobs) {
        if (stopSignalled(s)) return;
        if (seams.beforeDecode) seams.beforeDecode(seams.context);
        GifEntry& e = *job.entry;
        if (e.image->SelectActiveFrame(&e.dimension, job.frame) != Ok) continue;
        job.rendered = renderFrame(*e.image, std::move(e.spare));
    }
}

void runWorker(TavGifShared& s) {
    HANDLE events[2] = {s.stop.get(), s.wake.get()};
    for (;;) {
        std::vector<GifEntryRef> dropped;
        std::vector<GifJob> jobs;
        std::optional<int64_t> next;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.running) dropped = s.takeRemoved();
            if (!s.running || s.entries.empty()) {
                s.workerAlive = false;
                return; // `dropped` goes on the way out, unlocked
            }
            next = s.stepDue(jobs);
        }
        dropped.clear();
        decodeJobs(s, jobs);
        std::vector<HWND> owners;
        DWORD wait = INFINITE;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.running) owners = s.publish(jobs);
            if (next) wait = DWORD(std::max<int64_t>(0, *next - s.clockNow()));
        }
        // Frames that lost to a removal or a stop are freed here, unlocked.
        jobs.clear();
        // Only a message crosses to the GUI thread; the window redraws and presents there.
        for (HWND owner : owners)
            if (owner && IsWindowVisible(owner)) TavWnd::postRedrawRequest(owner);
        // Sleeps until the next frame change; a stop, an added or a removed picture wakes it.
        WaitForMultipleObjects(2, events, FALSE, wait);
    }
}

DWORD WINAPI gifWorker(void* argument) {
    {
        std::unique_ptr<std::shared_ptr<TavGifShared>> hold(
            static_cast<std::shared_ptr<TavGifShared>*>(argument));
        runWorker(**hold);
    }
    // Counted out only after the last GDI+ object this worker held is gone.
    GifWorkerCount& c = workerCount();
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        --c.live;
    }
    c.ended.notify_all();
    return 0;
}

// The picture drawn into a bitmap of its own: the file is released at once (a picture loaded
// from a file keeps it open, and the note must be able to replace or delete it).
TavGpImage decodedCopy(TavGpImage image) {
    if (!image) return nullptr;
    const UINT w = image->GetWidth(), h = image->GetHeight();
    auto copy = std::make_unique<Gdiplus::Bitmap>(INT(w), INT(h), PixelFormat32bppPARGB);
    if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
    {
        Gdiplus::Graphics g(copy.get());
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        if (g.DrawImage(image.get(), 0, 0, INT(w), INT(h)) != Gdiplus::Ok) return nullptr;
    }
    return copy;
}

} // namespace

TavGif::TavGif() : shared_(std::make_shared<TavGifShared>()), tempFolder_(appDirectory() + L"tempgif\\") {}

TavGif::~TavGif() { stopAll(); }

bool TavGif::addPicture(const std::wstring& folder, const std::wstring& fileName, HWND owner) {
    if (fileName.empty()) return false;
    if (!isGifName(fileName)) {
        plain_.push_back(Plain{folder, fileName, nullptr, false});
        return true;
    }
    return addAnimation(folder, fileName, owner);
}

bool TavGif::addAnimation(const std::wstring& folder, const std::wstring& fileName, HWND owner) {
    CreateDirectoryW(tempFolder_.c_str(), nullptr);
    // The copy keeps the bare file name: a name with folders in it never leaves the folder.
    std::wstring copyPath = tempFolder_ + PathFindFileNameW(fileName.c_str());
    TavGifShared& s = *shared_;
    std::shared_ptr<GifCopy> copy;
    {
        // Another entry playing the same copy shares it, so the file stays until both are gone.
        std::lock_guard<std::mutex> lock(s.mutex);
        for (const auto& e : s.entries)
            if (sameName(e->copy->path, copyPath)) copy = e->copy;
    }
    // An existing copy (of another owner, or of an earlier run) is kept.
    bool made = isInsideDataFolder(copyPath) &&
                CopyFileW((folder + fileName).c_str(), copyPath.c_str(), TRUE) != FALSE;
    if (!fileExists(copyPath)) return false;
    auto entry = std::make_shared<GifEntry>();
    entry->image = loadImageFile(copyPath);
    UINT frames = 0;
    std::vector<int> delays;
    bool readable = entry->image != nullptr;
    if (readable && entry->image->GetFrameDimensionsCount() > 0 &&
        entry->image->GetFrameDimensionsList(&entry->dimension, 1) == Ok) {
        frames = entry->image->GetFrameCount(&entry->dimension);
        delays = frameDelays(*entry->image, frames);
    }
    if (readable && frames >= 2 && delays.size() >= 2) {
        entry->frame = renderFrame(*entry->image, nullptr);
        readable = entry->frame != nullptr;
    }
    if (!readable || frames < 2 || delays.size() < 2) {
        // Unreadable (or too large): not added at all. One frame, or no delays to time the
        // frames by: a still picture, drawn from its own folder; the copy is not needed.
        entry.reset();
        if (made && !copy) removeDataFile(copyPath);
        if (readable) plain_.push_back(Plain{folder, fileName, nullptr, false});
        return readable;
    }
    entry->copy = copy ? copy : std::make_shared<GifCopy>(copyPath);
    entry->track.due = gifDueTimes(delays);
    entry->owner = owner;
    entry->fileName = fileName;
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
    joinWorker(tavGifSeams().stopWaitMs);
    ResetEvent(s.stop.get());
    auto* argument = new std::shared_ptr<TavGifShared>(shared_);
    {
        GifWorkerCount& c = workerCount();
        std::lock_guard<std::mutex> lock(c.mutex);
        ++c.live;
    }
    HANDLE thread = CreateThread(nullptr, 0, gifWorker, argument, 0, nullptr);
    if (!thread) {
        delete argument;
        {
            GifWorkerCount& c = workerCount();
            std::lock_guard<std::mutex> lock(c.mutex);
            --c.live;
        }
        workerCount().ended.notify_all();
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
    auto plain = std::find_if(plain_.begin(), plain_.end(),
                              [&](const Plain& p) { return sameName(p.fileName, fileName); });
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
    // Only the frame pointer is taken under the lock; the worker never changes a frame it has
    // handed over, so it is drawn unlocked while the worker decodes the next one.
    bool animated = false;
    GifFrame frame;
    {
        TavGifShared& s = *shared_;
        std::lock_guard<std::mutex> lock(s.mutex);
        for (auto& e : s.entries) {
            if (!e->track.removed && sameName(e->fileName, fileName)) {
                animated = true;
                frame = e->frame;
                break;
            }
        }
    }
    if (animated) return frame && drawImageInto(*frame, target, rect);
    for (Plain& p : plain_) {
        if (!sameName(p.fileName, fileName)) continue;
        if (!p.decoded) {
            p.image = decodedCopy(loadImageFile(p.folder + p.fileName));
            p.decoded = true;
        }
        return p.image && drawImageInto(*p.image, target, rect);
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

bool TavGif::stopAll() {
    TavGifShared& s = *shared_;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.running = false;
    }
    SetEvent(s.stop.get());
    bool ended = !thread_ || WaitForSingleObject(thread_.get(), tavGifSeams().stopWaitMs) == WAIT_OBJECT_0;
    thread_.reset();
    std::vector<GifEntryRef> entries;
    {
        // A late worker still holds the entries it is decoding; they go when it lets them go.
        std::lock_guard<std::mutex> lock(s.mutex);
        entries.swap(s.entries);
        if (ended) s.workerAlive = false;
    }
    entries.clear();
    // A worker that did not end keeps the old state to itself; this object starts afresh.
    if (!ended) shared_ = std::make_shared<TavGifShared>();
    plain_.clear();
    // Only when empty (other owners' copies keep it), and only the installation's own folder.
    if (isAbsolutePath(tempFolder_)) RemoveDirectoryW(tempFolder_.c_str());
    return ended;
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
