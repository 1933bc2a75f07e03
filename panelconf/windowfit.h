// Where the main window goes on a screen that may be smaller than the
// window: a panel PC's 800x480, a portrait 480x800, or a desktop whose
// panels take part of the monitor. No toolkit here; the window carries the
// plan out.
#ifndef PANELCONF_WINDOWFIT_H
#define PANELCONF_WINDOWFIT_H

// A rectangle in screen pixels (the toolkit's logical pixels).
struct FitRect {
    int x;
    int y;
    int width;
    int height;
};

// What the window manager's frame adds on each side (all 0 without one).
struct FrameExtents {
    int left;
    int right;
    int top;
    int bottom;
};

// The window's size and the top-left corner of its frame.
struct WindowFit {
    int width;
    int height;
    int frameX;
    int frameY;
    bool narrower;  // than the natural width: the contents must scroll
    bool shorter;   // than the natural height
};

// The contents' natural size, but no larger than the work area leaves once
// the frame is added, and never below the minimum the contents need; the
// frame centred in the work area, or at its top-left corner when even the
// minimum does not fit (the top bar stays in sight).
WindowFit PlanWindowFit(int naturalWidth, int naturalHeight, int minimumWidth, int minimumHeight,
                        const FitRect& workArea, const FrameExtents& frame);

#endif
