#include "win32gui/ChartPicture.h"

#include <windows.h>

#include <array>

#include "chart/SvgCanvas.h"
#include "chart/XYGraph.h"
#include "platform/ReplacingFile.h"
#include "win32gui/GdiCanvas.h"

namespace mrv {

namespace {

std::uint32_t crc32(std::string_view bytes) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void put32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void chunk(std::string& out, const char* type, const std::string& data) {
  put32(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  out += body;
  put32(out, crc32(body));
}

}  // namespace

std::string encodePng(const std::vector<std::uint32_t>& pixels, int width, int height) {
  std::string raw;  // each row: filter byte 0, then R G B
  raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(x)];
      raw.push_back(static_cast<char>((p >> 16) & 0xFF));
      raw.push_back(static_cast<char>((p >> 8) & 0xFF));
      raw.push_back(static_cast<char>(p & 0xFF));
    }
  }
  // zlib stream of stored blocks (at most 65535 bytes each) and the Adler-32 of the data
  std::string z{"\x78\x01", 2};
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? '\1' : '\0');
    z.push_back(static_cast<char>(n & 0xFF));
    z.push_back(static_cast<char>(n >> 8));
    z.push_back(static_cast<char>(~n & 0xFF));
    z.push_back(static_cast<char>((~n >> 8) & 0xFF));
    z.append(raw, at, n);
    at += n;
  } while (at < raw.size());
  put32(z, (b << 16) | a);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter choice, no interlace
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", "");
  return png;
}

bool saveChartPicture(const TXYGraph& graph, ChartPictureFormat format, int width, int height, const std::string& path,
                      std::string& message) {
  if (width <= 0 || height <= 0 || width > 20000 || height > 20000) {
    message = "picture size out of range";
    return false;
  }
  std::string bytes;
  if (format == ChartPictureFormat::Svg) {
    bytes = renderGraphSvg(graph, width, height);
  } else {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // rows top to bottom
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bmp) {
      if (dc) DeleteDC(dc);
      message = "cannot make a picture of " + std::to_string(width) + " x " + std::to_string(height);
      return false;
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    {
      GdiCanvas canvas(dc);
      canvas.fillRect({0, 0, static_cast<double>(width), static_cast<double>(height)}, colors::White);
      graph.Paint(canvas, width, height);
    }
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    for (auto& px : pixels) px &= 0xFFFFFF;
    bytes = encodePng(pixels, width, height);
  }
  ReplacingFile file(path);
  if (!file.isOpen()) {
    message = "cannot write " + path;
    return false;
  }
  file.write(bytes);
  if (!file.finish() || !file.replaceTarget()) {
    message = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace mrv
