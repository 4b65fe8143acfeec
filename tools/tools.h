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

// Animation state shared by the fill and the clear (never running at once).
extern DWORD dwLastFrame;
extern DWORD dwNow;
extern DWORD dwLoopDue;
extern int bLoopSound;

LRESULT OnPageClick(HWND hwnd, LPARAM lParam);
void FillRegion(LONG x, LONG y, int colour);

LRESULT OnClearCommand(HWND hwnd);
void ClearPageWave();
