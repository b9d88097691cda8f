// A rendered frame's pixels and their PNG file.
#include "screen_renderer.h"

#include <stb_image_write.h>

namespace host {

std::uint32_t ScreenImage::Pixel(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
    return (std::uint32_t{rgba[at]} << 24) | (std::uint32_t{rgba[at + 1]} << 16) | (std::uint32_t{rgba[at + 2]} << 8) |
           std::uint32_t{rgba[at + 3]};
}

bool WritePng(const ScreenImage& image, const std::filesystem::path& path) {
    return stbi_write_png(path.string().c_str(), image.width, image.height, 4, image.rgba.data(), image.width * 4) != 0;
}

}  // namespace host
