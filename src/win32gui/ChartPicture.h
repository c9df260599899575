#pragma once
// Saving the chart as a picture: PNG painted through the GDI canvas, or SVG from the chart's SVG
// writer. Written beside the target and renamed into place, so a failed save leaves an older picture
// whole.
#include <cstdint>
#include <string>
#include <vector>

namespace mrv {

class TXYGraph;

enum class ChartPictureFormat { Png, Svg };

// False with a message when the size is out of range or the file cannot be written.
bool saveChartPicture(const TXYGraph& graph, ChartPictureFormat format, int width, int height, const std::string& path,
                      std::string& message);

// A PNG file of width x height pixels given as 0x00RRGGBB, rows top to bottom (stored, uncompressed
// deflate blocks: the chart's pictures are small and this needs no library).
std::string encodePng(const std::vector<std::uint32_t>& pixels, int width, int height);

}  // namespace mrv
