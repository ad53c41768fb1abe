// A printed page looked at as a reader sees it: the job's PDF rendered to pixels.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

namespace print_test {

// A box on a printed page, in the engine's inches.
struct PageBox {
  float left, top, right, bottom;
};

// The share of dark pixels (darker than the grey of a heading band) within `box` on `page`
// of a job's PDF (a file of this machine), rendered as a reader sees it: a cell box stroked
// with a wide pen hides its text, which the drawing record alone cannot tell. `pageWidth`
// is the engine's; the paper's margins are what the rendered page holds beyond it. -1 when
// nothing renders.
inline double DarkShare(const std::filesystem::path& pdf, int page, float pageWidth, PageBox box) {
  constexpr int kDpi = 50;
  const std::string command = "pdftoppm -gray -r " + std::to_string(kDpi) + " -f " + std::to_string(page) + " -l " +
                              std::to_string(page) + " '" + pdf.string() + "'";
  std::string bytes;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) bytes.append(buffer, n);
    pclose(pipe);
  }
  int width = 0, height = 0, maximum = 0, header = 0;
  if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maximum, &header) != 3) return -1;
  const unsigned char* pixels = reinterpret_cast<const unsigned char*>(bytes.data()) + header + 1;
  if (bytes.size() < static_cast<size_t>(header + 1) + static_cast<size_t>(width) * height) return -1;
  const float margin = (static_cast<float>(width) / kDpi - pageWidth) / 2;
  auto pixel = [&](float inches, int limit) { return std::clamp(static_cast<int>((inches + margin) * kDpi), 0, limit); };
  const int x0 = pixel(box.left, width), x1 = pixel(box.right, width);
  const int y0 = pixel(box.top, height), y1 = pixel(box.bottom, height);
  long dark = 0, all = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x, ++all) dark += pixels[static_cast<size_t>(y) * width + x] < 128;
  }
  return all ? static_cast<double>(dark) / all : -1;
}

}  // namespace print_test
