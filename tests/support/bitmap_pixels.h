// A bitmap's pixels read back as colours, for tests of what a window painted, and where the
// response graph's window shows a pixel of its picture.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/gdi.h"

// The response graph copies its picture to (-1, -1): picture pixel (x, y) shows at window
// pixel (x - 1, y - 1).
inline int Shown(int picturePixel) { return picturePixel - 1; }

class Pixels {
public:
    Pixels(HBITMAP bitmap)
    {
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        width_ = info.bmWidth;
        height_ = info.bmHeight;
        BITMAPINFO request{};
        request.bmiHeader.biSize = sizeof request.bmiHeader;
        request.bmiHeader.biWidth = width_;
        request.bmiHeader.biHeight = -height_;
        request.bmiHeader.biPlanes = 1;
        request.bmiHeader.biBitCount = 32;
        request.bmiHeader.biCompression = BI_RGB;
        data_.assign(static_cast<size_t>(width_) * height_, 0xbdbdbdbd);
        MemoryDC dc(CreateCompatibleDC(nullptr));
        GetDIBits(dc, bitmap, 0, height_, data_.data(), &request, DIB_RGB_COLORS);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const
    {
        const DWORD bgr = data_[static_cast<size_t>(y) * width_ + x];
        return RGB((bgr >> 16) & 0xff, (bgr >> 8) & 0xff, bgr & 0xff);
    }
    int CountInColumn(int x, int top, int bottom, COLORREF colour) const
    {
        int count = 0;
        for (int y = top; y <= bottom; ++y)
            count += At(x, y) == colour;
        return count;
    }
    int CountInRow(int y, int left, int right, COLORREF colour) const
    {
        int count = 0;
        for (int x = left; x <= right; ++x)
            count += At(x, y) == colour;
        return count;
    }
    bool Near(POINT at, COLORREF colour) const
    {
        for (int y = at.y - 1; y <= at.y + 1; ++y)
            for (int x = at.x - 1; x <= at.x + 1; ++x)
                if (x >= 0 && y >= 0 && x < width_ && y < height_ && At(x, y) == colour)
                    return true;
        return false;
    }
    // Pixels of colour outside the window rectangle area (right and bottom exclusive).
    int CountOutside(const RECT& area, COLORREF colour) const
    {
        int count = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) == colour && (x < area.left || x >= area.right || y < area.top || y >= area.bottom))
                    ++count;
        return count;
    }
    bool operator==(const Pixels& other) const
    {
        return width_ == other.width_ && height_ == other.height_ && data_ == other.data_;
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<DWORD> data_;
};
