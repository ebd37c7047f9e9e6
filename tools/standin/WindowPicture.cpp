#include "WindowPicture.h"

#include <cstdint>
#include <fstream>

namespace standin {

namespace {

// Releases the GDI objects of one capture in the right order.
struct Capture {
  HDC windowDc = nullptr;
  HWND window = nullptr;
  HDC memoryDc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  ~Capture() {
    if (previous) SelectObject(memoryDc, previous);
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    if (windowDc) ReleaseDC(window, windowDc);
  }
};

template <typename T>
void Put(std::ofstream& out, T value) {
  out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

std::string SaveWindowPicture(HWND window, const std::string& path) {
  RECT r;
  if (!GetWindowRect(window, &r)) return "the window is gone";
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return "the window has no area";

  Capture c;
  c.window = window;
  c.windowDc = GetWindowDC(window);
  if (c.windowDc == nullptr) return "no device context for the window";
  c.memoryDc = CreateCompatibleDC(c.windowDc);
  // Bottom-up rows of 24-bit pixels: the BMP file's own order.
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  c.bitmap = CreateDIBSection(c.windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (c.memoryDc == nullptr || c.bitmap == nullptr) return "cannot make a bitmap";
  c.previous = SelectObject(c.memoryDc, c.bitmap);
  // The window DC covers frame and children as drawn. PrintWindow would ask
  // the window to paint itself instead, but not every system draws the
  // child controls that way.
  if (!BitBlt(c.memoryDc, 0, 0, width, height, c.windowDc, 0, 0, SRCCOPY) &&
      !PrintWindow(window, c.memoryDc, 0)) {
    return "cannot copy the window's pixels";
  }
  GdiFlush();

  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
  const std::uint32_t headers = 14 + sizeof(BITMAPINFOHEADER);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create '" + path + "'";
  // File header: "BM", file size, two reserved words, offset of the pixels.
  out.write("BM", 2);
  Put<std::uint32_t>(out, headers + imageSize);
  Put<std::uint32_t>(out, 0);
  Put<std::uint32_t>(out, headers);
  info.bmiHeader.biSizeImage = imageSize;
  info.bmiHeader.biXPelsPerMeter = info.bmiHeader.biYPelsPerMeter = 3780;  // 96 dpi
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageSize);
  out.close();
  if (!out) return "cannot write '" + path + "'";
  return {};
}

}  // namespace standin
