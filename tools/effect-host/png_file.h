// PNG files of 8-bit RGB pictures, for screenshots of the plug-in's windows. The image data is
// stored uncompressed (deflate's stored blocks): larger files, no compressor needed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// pixels: height rows of width values 0x00RRGGBB, top row first. Throws std::runtime_error
// when the sizes disagree or the file cannot be written.
void WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

// The bitmap's pixels as WritePng takes them (read with GetDIBits at 32 bits per pixel).
std::vector<uint32_t> BitmapPixels(HBITMAP bitmap, int& width, int& height);

void WritePng(const std::string& path, HBITMAP bitmap);
