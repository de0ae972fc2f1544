// The texts a surface shows: DrawTextW notes them, painting over them
// forgets them, and a block copy carries them to its destination.
#include <algorithm>
#include <atomic>

#include "framebuffer.h"
#include "ruvexa_host.h"

namespace host {
namespace {

std::atomic<unsigned long long> g_nextOrder{0};

bool Overlaps(const PixelRect& a, const PixelRect& b) { return !a.Intersect(b).Empty(); }

}  // namespace

void Surface::NoteText(const PixelRect& area, std::wstring text) {
    PixelRect shown = area.Intersect(Bounds());
    ForgetTextsUnder(shown);
    if (shown.Empty() || text.empty()) return;
    texts_.push_back({shown, std::move(text), g_nextOrder++});
}

void Surface::ForgetTextsUnder(const PixelRect& area) {
    std::erase_if(texts_, [&](const DrawnText& drawn) { return Overlaps(drawn.area, area); });
}

void Surface::CopyTextsFrom(const Surface& source, const PixelRect& area, int shiftX, int shiftY) {
    std::vector<DrawnText> carried;
    for (const DrawnText& drawn : source.texts_) {
        PixelRect moved = drawn.area.Offset(-shiftX, -shiftY).Intersect(area);
        if (!moved.Empty()) carried.push_back({moved, drawn.text, drawn.order});
    }
    ForgetTextsUnder(area);
    texts_.insert(texts_.end(), carried.begin(), carried.end());
}

std::wstring Surface::LatestText() const {
    auto latest = std::max_element(texts_.begin(), texts_.end(),
                                   [](const DrawnText& a, const DrawnText& b) { return a.order < b.order; });
    return latest == texts_.end() ? std::wstring() : latest->text;
}

std::wstring LatestScreenText() { return ScreenSurface()->LatestText(); }

}  // namespace host
