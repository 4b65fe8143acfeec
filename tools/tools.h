// Colouring tools: the point queue, the region fill and the clear wave.
#pragma once

#include <windows.h>

struct PointNode {
    PointNode* pNext;
    LONG x;
    LONG y;
};

class PointQueue {
public:
    PointQueue(LONG x, LONG y);
    ~PointQueue();
    PointQueue(const PointQueue&) = delete;
    PointQueue& operator=(const PointQueue&) = delete;

    void Push(LONG x, LONG y);
    void Front(POINT& point) const;
    void Pop();
    bool IsEmpty() const { return pHead == nullptr; }
    // False once a node could not be allocated; the owning operation then ends cleanly.
    bool Ok() const { return bOk; }

private:
    PointNode* pHead;
    PointNode* pTail;
    PointNode* pCurrent;
    bool bOk;
};

// Node allocation. Null (the default) means new (std::nothrow) and delete; tests put their own
// pair here to count nodes or to make an allocation fail. A replacement returns null on failure.
extern PointNode* (*lpfnNewPointNode)();
extern void (*lpfnDeletePointNode)(PointNode* node);

// Animation state shared by the fill and the clear (never running at once).
extern DWORD dwLastFrame;
extern DWORD dwNow;
extern DWORD dwLoopDue;
extern int bLoopSound;

// The one-message pump of the fill and the clear: handles at most one pending message of the
// thread. Returns 0 when the running operation must stop: the quit message came (it is posted
// again for the main loop), or the page buffer it works on is no longer the current one.
int PumpOneMessage(const BYTE* lpPage);

LRESULT OnPageClick(HWND hwnd, LPARAM lParam);
void FillRegion(LONG x, LONG y, int colour);

LRESULT OnClearCommand(HWND hwnd);
// 1 when the whole page has been walked, 0 when the wave stopped early (no node could be
// allocated, or the page went away while a message was being handled).
int ClearPageWave();
// Called, when set, as each frame of the clear ends, with the point taken last.
extern void (*lpfnClearFrameEnd)(LONG x, LONG y);
