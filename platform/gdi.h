// Owning types for GDI handles, scoped device contexts and selection guards. A selection guard
// puts the previous object back in its destructor, so every object is deselected before it is
// deleted, on every path.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>

#include "platform/handles.h"

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { DeleteObject(h); }
};
using Pen = UniqueHandle<GdiObjectTraits<HPEN>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Region = UniqueHandle<GdiObjectTraits<HRGN>>;

struct EnhMetafileTraits {
    using Handle = HENHMETAFILE;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { DeleteEnhMetaFile(h); }
};
using EnhMetafile = UniqueHandle<EnhMetafileTraits>;

// A device context created with CreateCompatibleDC.
struct MemoryDCTraits {
    using Handle = HDC;
    static Handle Null() { return nullptr; }
    static void Release(Handle h) { DeleteDC(h); }
};
using MemoryDC = UniqueHandle<MemoryDCTraits>;

// A window's device context between GetDC and ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    operator HDC() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// The recording context of an enhanced metafile. Close() ends the recording and hands over the
// picture; a context that is never closed deletes its unfinished picture.
class MetafileDC {
public:
    MetafileDC(HDC reference, const RECT* frame) : dc_(CreateEnhMetaFileA(reference, nullptr, frame, nullptr)) {}
    ~MetafileDC() { EnhMetafile discarded(Close()); }
    MetafileDC(const MetafileDC&) = delete;
    MetafileDC& operator=(const MetafileDC&) = delete;

    operator HDC() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    HENHMETAFILE Close() { return dc_ ? CloseEnhMetaFile(std::exchange(dc_, nullptr)) : nullptr; }

private:
    HDC dc_;
};

// Selects a pen, brush, font or bitmap into a DC for the guard's lifetime.
class SelectionGuard {
public:
    SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectionGuard()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// An off-screen surface kept for repeated painting, as CMemoryDC keeps one: a memory DC with a
// bitmap compatible with a reference DC selected into it, remade only when the size changes.
// The bitmap is deselected before either is deleted.
class OffscreenSurface {
public:
    OffscreenSurface() = default;
    ~OffscreenSurface() { Release(); }
    OffscreenSurface(const OffscreenSurface&) = delete;
    OffscreenSurface& operator=(const OffscreenSurface&) = delete;

    // Ready at width x height; false when it cannot be made.
    bool Fit(HDC reference, int width, int height)
    {
        if (dc_ && size_.cx == width && size_.cy == height)
            return true;
        Release();
        MemoryDC dc(CreateCompatibleDC(reference));
        Bitmap bitmap(CreateCompatibleBitmap(reference, width, height));
        if (!dc || !bitmap)
            return false;
        dc_ = std::move(dc);
        bitmap_ = std::move(bitmap);
        selection_.emplace(dc_, bitmap_);
        size_ = SIZE{width, height};
        return true;
    }
    operator HDC() const { return dc_; }

private:
    void Release()
    {
        selection_.reset();
        bitmap_.Reset();
        dc_.Reset();
        size_ = SIZE{};
    }

    MemoryDC dc_;
    Bitmap bitmap_;
    std::optional<SelectionGuard> selection_;
    SIZE size_{};
};

// Saves the DC's whole state (clip region included) and restores it when the guard ends.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDCState()
    {
        if (saved_)
            RestoreDC(dc_, saved_);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};
