// DirectDraw, only as far as the program uses it: creating the object, taking exclusive
// full-screen control, switching the display mode and putting it back. The method order of
// IDirectDraw below is a prefix-free subset; callers reach the methods by name.
#pragma once

#include "windows.h"

#define DD_OK S_OK
#define DDERR_GENERIC E_FAIL
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001L)
#define DDERR_INVALIDMODE ((HRESULT)0x88760078L)
#define DDERR_NODIRECTDRAWHW ((HRESULT)0x88760233L)

#define DDSCL_FULLSCREEN 0x00000001L
#define DDSCL_ALLOWREBOOT 0x00000002L
#define DDSCL_NOWINDOWCHANGES 0x00000004L
#define DDSCL_NORMAL 0x00000008L
#define DDSCL_EXCLUSIVE 0x00000010L

struct IDirectDraw {
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    virtual HRESULT STDMETHODCALLTYPE RestoreDisplayMode() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hWnd, DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) = 0;

protected:
    ~IDirectDraw() = default;
};
typedef struct IDirectDraw* LPDIRECTDRAW;

HRESULT WINAPI DirectDrawCreate(GUID* lpGUID, LPDIRECTDRAW* lplpDD, void* pUnkOuter);
