// DirectDraw, as far as the program uses it: one object that takes the display, switches its
// mode through the host and puts it back. The mode it sets is what GetSystemMetrics and
// GetDeviceCaps report from then on.
#include <ddraw.h>

#include <string>

#include "core/display.h"
#include "host/probe.h"

namespace {

class DirectDraw final : public IDirectDraw {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }

    ULONG STDMETHODCALLTYPE Release() override {
        tw::host::Note([] { return "Release"; });
        ULONG left = --refs_;
        if (left == 0) {
            // Letting go of the display puts the desktop's mode back, as DirectDraw does.
            if (switched_) {
                tw::host::Current().RestoreDisplayMode();
                tw::display::RestoreMode();
            }
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD flags) override {
        tw::host::Note([&] { return "SetCooperativeLevel " + std::to_string(flags); });
        if ((flags & DDSCL_EXCLUSIVE) && !IsWindow(hwnd)) return E_FAIL;
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bpp) override {
        auto& host = tw::host::Current();
        tw::host::Note([&] { return "SetDisplayMode " + std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(bpp); });
        if (!host.SetDisplayMode(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp)))
            return DDERR_INVALIDMODE;
        tw::display::SetMode(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp));
        switched_ = true;
        InvalidateRect(nullptr, nullptr, TRUE);
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE RestoreDisplayMode() override {
        auto& host = tw::host::Current();
        tw::host::Note([] { return "RestoreDisplayMode"; });
        host.RestoreDisplayMode();
        if (switched_) {
            tw::display::RestoreMode();
            switched_ = false;
            InvalidateRect(nullptr, nullptr, TRUE);
        }
        return DD_OK;
    }

private:
    ~DirectDraw() = default;
    ULONG refs_ = 1;
    bool switched_ = false;
};

}  // namespace

HRESULT WINAPI DirectDrawCreate(GUID*, LPDIRECTDRAW* lplpDD, void* outer) {
    tw::host::Note([] { return "DirectDrawCreate"; });
    if (!lplpDD) return E_FAIL;
    *lplpDD = nullptr;
    if (outer) return E_FAIL;
    if (tw::host::InjectFault(tw::host::Fault::DirectDrawCreate)) return DDERR_NODIRECTDRAWHW;
    *lplpDD = new DirectDraw;
    return DD_OK;
}
