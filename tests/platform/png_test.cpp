#include "platform/png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

namespace {

std::string TempPath(const char* name) {
  return std::string(QUARVIN_BINARY_DIR) + "/" + name;
}

TEST(Png, RoundTripKeepsEveryPixel) {
  Surface s(3, 2);
  const Color colours[6] = {Rgb(255, 0, 0), Rgb(0, 255, 0),     Rgb(0, 0, 255),
                            Rgb(1, 2, 3),   Rgb(255, 255, 255), Rgb(0, 0, 0)};
  for (int i = 0; i < 6; ++i) s.SetPixel(i % 3, i / 3, colours[i]);
  const std::string path = TempPath("png_round_trip.png");
  ASSERT_TRUE(WritePng(s, path));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(image.format & PNG_FORMAT_FLAG_ALPHA, 0u) << "plain RGB";
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]), colours[i]) << i;
}

TEST(Png, FailsOnAnUnwritablePathOrAnEmptySurface) {
  EXPECT_FALSE(WritePng(Surface(2, 2), "/nonexistent-dir/x.png"));
  EXPECT_FALSE(WritePng(Surface(), TempPath("png_empty.png")));
}

}  // namespace
