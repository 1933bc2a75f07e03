#include "windowfit.h"

#include <algorithm>

namespace {

// One axis: the size and the frame's start.
void FitAxis(int natural, int minimum, int areaStart, int areaLength, int frameBefore,
             int frameAfter, int* size, int* frameStart, bool* smaller) {
    const int room = areaLength - frameBefore - frameAfter;
    *smaller = natural > room;
    *size = std::max(minimum, std::min(natural, room));
    const int outer = *size + frameBefore + frameAfter;
    *frameStart = areaStart + std::max(0, (areaLength - outer) / 2);
}

}  // namespace

WindowFit PlanWindowFit(int naturalWidth, int naturalHeight, int minimumWidth, int minimumHeight,
                        const FitRect& workArea, const FrameExtents& frame) {
    WindowFit fit{};
    FitAxis(naturalWidth, minimumWidth, workArea.x, workArea.width, frame.left, frame.right,
            &fit.width, &fit.frameX, &fit.narrower);
    FitAxis(naturalHeight, minimumHeight, workArea.y, workArea.height, frame.top, frame.bottom,
            &fit.height, &fit.frameY, &fit.shorter);
    return fit;
}
