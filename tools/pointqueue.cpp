// The point queue: a first-in, first-out list of page points, one heap node per point, that drives
// the breadth-first walks of the region fill and the clear wave.
#include "tools/tools.h"

#include <new>

PointNode* (*lpfnNewPointNode)() = nullptr;
void (*lpfnDeletePointNode)(PointNode* node) = nullptr;

static inline PointNode* NewPointNode()
{
    if (lpfnNewPointNode)
        return lpfnNewPointNode();
    return new (std::nothrow) PointNode;
}

static inline void DeletePointNode(PointNode* node)
{
    if (lpfnDeletePointNode)
        lpfnDeletePointNode(node);
    else
        delete node;
}

PointQueue::PointQueue(LONG x, LONG y) : pHead(nullptr), pTail(nullptr), pCurrent(nullptr), bOk(true)
{
    pCurrent = NewPointNode();
    if (pCurrent == nullptr) {
        bOk = false;  // an empty queue: the owner's loop does not start
        return;
    }
    pCurrent->pNext = nullptr;
    pCurrent->x = x;
    pCurrent->y = y;
    pHead = pCurrent;
    pTail = pCurrent;
}

PointQueue::~PointQueue()
{
    while (pHead != nullptr) {
        pCurrent = pHead;
        pHead = pHead->pNext;
        DeletePointNode(pCurrent);
    }
    pHead = nullptr;
    pTail = nullptr;
    pCurrent = nullptr;
}

void PointQueue::Push(LONG x, LONG y)
{
    pCurrent = NewPointNode();
    if (pCurrent == nullptr) {
        bOk = false;  // the point is dropped; the owner stops at its next check
        return;
    }
    pCurrent->x = x;
    pCurrent->y = y;
    pCurrent->pNext = nullptr;
    if (pHead == nullptr && pTail == nullptr) {
        pHead = pCurrent;
        pTail = pCurrent;
    } else {
        pTail->pNext = pCurrent;
        pTail = pCurrent;
    }
}

void PointQueue::Front(POINT& point) const
{
    point.x = pHead->x;
    point.y = pHead->y;
}

void PointQueue::Pop()
{
    if (pHead == nullptr)
        return;
    pCurrent = pHead;
    pHead = pHead->pNext;
    DeletePointNode(pCurrent);
    if (pHead == nullptr) {
        pHead = nullptr;
        pTail = nullptr;
        pCurrent = nullptr;
    }
}
