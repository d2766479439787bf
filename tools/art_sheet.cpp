// A contact sheet of the program's bitmaps for reviewing the art by eye: every bitmap three times
// its size on mid-grey, the masked ones laid on a panel, read-outs and the oscilloscope's screen.
#include "art_sheet.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/art.h"

namespace {
constexpr int kScale = 3, kGap = 8, kSheetW = 720;
constexpr Color kSheetGround = Rgb(128, 128, 128);
constexpr Color kPanel = Rgb(190, 170, 160);

// Lays the image through its mask on a panel-coloured square, as the panels do.
Surface OnPanel(int maskNo, int imageNo) {
  const Surface mask = MakeBitmap(maskNo), image = MakeBitmap(imageNo);
  Surface s(image.Width(), image.Height(), kPanel);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      s.SetPixel(x, y, (s.Pixel(x, y) & mask.Pixel(x, y)) | image.Pixel(x, y));
  return s;
}

// A display field showing the text as the read-outs lay it: 4 x 7 glyphs, 5 pixels apart.
Surface Readout(const std::string& text) {
  const std::string order = "0123456789+-. ?okmus";
  const Surface font = MakeBitmap(bmp::kDisplayFont);
  Surface s = MakeBitmap(bmp::kDisplayField);
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t glyph = order.find(text[i]);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 4; ++x)
        s.SetPixel(2 + 5 * int(i) + x, 3 + y, font.Pixel(4 * int(glyph) + x, y));
  }
  return s;
}

class Sheet {
 public:
  void Add(const Surface& s) {
    if (x_ + s.Width() > kSheetW) NewRow();
    items_.push_back({x_, y_, s});
    x_ += s.Width() + kGap;
    rowH_ = std::max(rowH_, s.Height());
  }
  void NewRow() {
    x_ = kGap;
    y_ += rowH_ + kGap;
    rowH_ = 0;
  }
  Surface Render() const {
    Surface out(kSheetW * kScale, (y_ + rowH_ + kGap) * kScale, kSheetGround);
    for (const Item& item : items_)
      for (int y = 0; y < item.s.Height() * kScale; ++y)
        for (int x = 0; x < item.s.Width() * kScale; ++x)
          out.SetPixel((item.x * kScale) + x, (item.y * kScale) + y,
                       item.s.Pixel(x / kScale, y / kScale));
    return out;
  }

 private:
  struct Item {
    int x, y;
    Surface s;
  };
  std::vector<Item> items_;
  int x_ = kGap, y_ = kGap, rowH_ = 0;
};

}  // namespace

Surface ArtContactSheet() {
  Sheet sheet;
  for (int n = 1; n <= 39; ++n)
    if (n != bmp::kScopeScreen && n != bmp::kScopeGraticule && !MakeBitmap(n).Empty())
      sheet.Add(MakeBitmap(n));
  sheet.NewRow();
  for (int jack : {bmp::kJackBlue, bmp::kJackRed, bmp::kJackWhite})
    sheet.Add(OnPanel(bmp::kJackMask, jack));
  sheet.Add(OnPanel(bmp::kIoArrowMask, bmp::kIoArrow));
  sheet.Add(OnPanel(bmp::kCrossMask, bmp::kCross));
  sheet.NewRow();
  for (const char* text : {" -oo ", "+10.0", "-89.9", "13.75", "880.0", " 1760", "0.500", "680us",
                           "500ms", "2.0s", "+1.25", "?4679"})
    sheet.Add(Readout(text));
  sheet.NewRow();
  sheet.Add(MakeBitmap(bmp::kScopeGraticule));
  sheet.Add(OnPanel(bmp::kScopeScreen, bmp::kScopeGraticule));
  return sheet.Render();
}
