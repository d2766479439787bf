#include "platform/text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Taller text is refused: a glyph bitmap grows with the square of the height.
constexpr int kMaxTextHeight = 1024;
// Shear of the slanted face used when the family has no italic style (tan 12 degrees, 16.16).
constexpr FT_Fixed kObliqueShear = 0x366A;

// Decodes UTF-8; a malformed sequence becomes U+FFFD so that a damaged string still shows.
std::u32string DecodeUtf8(std::string_view s) {
  constexpr char32_t kReplacement = 0xFFFD;
  std::u32string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i++]);
    int extra = 0;
    char32_t cp = lead;
    if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, cp = lead & 0x07;
    } else if (lead >= 0xE0) {
      extra = lead <= 0xEF ? 2 : -1, cp = lead & 0x0F;
    } else if (lead >= 0xC2) {
      extra = 1, cp = lead & 0x1F;
    } else if (lead >= 0x80) {
      extra = -1;
    }
    if (extra < 0) {
      out.push_back(kReplacement);
      continue;
    }
    int taken = 0;
    while (taken < extra && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
      ++taken;
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    const bool valid =
        taken == extra && cp >= least[extra] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    out.push_back(valid ? cp : kReplacement);
  }
  return out;
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

// The FreeType library and the regular and italic "Arial" faces, loaded on first use and kept for
// the life of the program. FreeType objects are not thread-safe: hold Lock() while using a face.
class FontCache {
 public:
  static FontCache& Instance() {
    static FontCache cache;
    return cache;
  }
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;

  std::mutex& Lock() { return mutex_; }

  // A character as one size of one face draws it: its advance and its rendered coverage, rows
  // top first. Kept because loading a glyph runs the font's hinting program, which cost a repaint
  // of the canvas a fifth of its time.
  struct Glyph {
    int64_t advance = 0;  // 26.6; 0 when the glyph could not be loaded
    bool rendered = false;
    int left = 0, top = 0, width = 0, rows = 0;
    std::vector<uint8_t> coverage;
  };
  // Hold Lock(). Before a text: forgets every glyph when the store has grown too large, so that
  // the glyphs found for one text stay while it is drawn.
  void Trim() {
    if (storedBytes_ <= kMaxStoredBytes) return;
    glyphs_.clear();
    storedBytes_ = 0;
  }
  // Hold Lock(). The face must be `italic`'s at `height` already when `ready` is true; otherwise
  // it is set to that size on the first character not kept yet (and `ready` becomes true); false
  // when the size cannot be had.
  const Glyph* Find(FT_Face face, bool italic, int height, char32_t cp, bool& ready);

  // Null when no usable font was found.
  FT_Face Face(bool italic) {
    const int slot = italic ? 1 : 0;
    if (!tried_[slot]) {
      tried_[slot] = true;
      faces_[slot] = Load(italic);
    }
    return faces_[slot];
  }

 private:
  FontCache() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ~FontCache() {
    for (FT_Face face : faces_)
      if (face) FT_Done_Face(face);
    if (library_) FT_Done_FreeType(library_);
    // Frees the configuration fontconfig built on first use.
    FcFini();
  }

  FT_Face Load(bool italic) {
    if (!library_) return nullptr;
    PatternPtr pattern(FcPatternCreate());
    if (!pattern) return nullptr;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("Arial"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return nullptr;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    FcChar8* file = nullptr;
    if (!match || FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
      return nullptr;
    }
    int index = 0, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
    FcPatternGetInteger(match.get(), FC_SLANT, 0, &slant);

    FT_Face face = nullptr;
    if (FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face) != 0) {
      return nullptr;
    }
    if (!FT_IS_SCALABLE(face) || face->ascender - face->descender <= 0) {
      FT_Done_Face(face);
      return nullptr;
    }
    if (italic && slant == FC_SLANT_ROMAN) {
      FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
      FT_Set_Transform(face, &shear, nullptr);
    }
    return face;
  }

  static Glyph Load(FT_Face face, char32_t cp);

  // Every size the canvas shows at every zoom is a few hundred kilobytes; text of unusual sizes
  // starts the store afresh beyond this.
  static constexpr size_t kMaxStoredBytes = size_t(32) << 20;

  std::mutex mutex_;
  std::map<std::tuple<bool, int, char32_t>, Glyph> glyphs_;
  size_t storedBytes_ = 0;
  FT_Library library_ = nullptr;
  FT_Face faces_[2] = {};
  bool tried_[2] = {};
};

constexpr FT_Int32 kLoadFlags = FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL;

// The height is the cell: ascender plus descender, as the face's own metrics divide it.
bool SetHeight(FT_Face face, int height) {
  FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(height) * 64, 0, 0};
  return FT_Request_Size(face, &request) == 0;
}

FontCache::Glyph FontCache::Load(FT_Face face, char32_t cp) {
  Glyph g;
  const FT_UInt index = FT_Get_Char_Index(face, cp);
  if (FT_Load_Glyph(face, index, kLoadFlags) != 0) return g;
  const FT_GlyphSlot slot = face->glyph;
  g.advance = slot->advance.x;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || !bm.buffer) return g;
  g.rendered = true;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int(bm.width);
  g.rows = int(bm.rows);
  g.coverage.resize(size_t(g.width) * size_t(g.rows));
  const int64_t stride = bm.pitch < 0 ? -int64_t(bm.pitch) : bm.pitch;
  for (int row = 0; row < g.rows; ++row) {
    // A negative pitch stores the rows bottom first.
    const unsigned char* src = bm.buffer + (bm.pitch < 0 ? g.rows - 1 - row : row) * stride;
    std::copy_n(src, g.width, g.coverage.begin() + int64_t(row) * g.width);
  }
  return g;
}

const FontCache::Glyph* FontCache::Find(FT_Face face, bool italic, int height, char32_t cp,
                                        bool& ready) {
  const auto key = std::tuple(italic, height, cp);
  if (const auto it = glyphs_.find(key); it != glyphs_.end()) return &it->second;
  if (!ready && !(ready = SetHeight(face, height))) return nullptr;
  Glyph g = Load(face, cp);
  storedBytes_ += sizeof(Glyph) + g.coverage.size();
  return &glyphs_.emplace(key, std::move(g)).first->second;
}

uint8_t Mix(int dst, int src, int coverage) {
  return uint8_t(dst + ((src - dst) * coverage + (src >= dst ? 127 : -127)) / 255);
}

Color Blend(Color dst, Color src, int coverage) {
  return Rgb(Mix(RedOf(dst), RedOf(src), coverage), Mix(GreenOf(dst), GreenOf(src), coverage),
             Mix(BlueOf(dst), BlueOf(src), coverage));
}

// Blends a rendered glyph with its origin at (x, y).
Rect BlendGlyph(Surface& target, const Rect& limit, const FontCache::Glyph& g, int64_t x, int64_t y,
                Color color) {
  if (!g.rendered) return {};
  const int64_t left = x + g.left, top = y - g.top;
  const Rect box = ClampRect(left, top, left + g.width, top + g.rows, limit);
  if (box.Empty()) return {};
  for (int32_t ty = box.top; ty < box.bottom; ++ty) {
    const uint8_t* src = g.coverage.data() + (ty - top) * int64_t(g.width);
    Color* dst = target.Row(ty);
    for (int32_t tx = box.left; tx < box.right; ++tx) {
      const int coverage = src[tx - left];
      if (coverage) dst[tx] = Blend(dst[tx], color, coverage);
    }
  }
  return box;
}

}  // namespace

Rect DrawText(Surface& target, Rect limit, int x, int y, std::string_view utf8,
              const TextStyle& style) {
  const int height = style.height;
  if (height <= 0 || height > kMaxTextHeight || limit.Empty() || utf8.empty()) return {};

  FontCache& cache = FontCache::Instance();
  std::lock_guard lock(cache.Lock());
  FT_Face face = cache.Face(style.italic);
  if (!face) return {};
  const int64_t ascent =
      std::llround(double(height) * face->ascender / (double(face->ascender) - face->descender));

  // The glyphs and their pen positions (pixels from the start of the text).
  cache.Trim();
  bool sized = false;
  std::vector<std::pair<const FontCache::Glyph*, int64_t>> glyphs;
  int64_t pen = 0;  // 26.6
  for (char32_t cp : DecodeUtf8(utf8)) {
    const FontCache::Glyph* g = cache.Find(face, style.italic, height, cp, sized);
    if (!g) return {};
    glyphs.emplace_back(g, (pen + 32) >> 6);
    pen += g->advance;
  }
  const int64_t width = (pen + 32) >> 6;
  int64_t left = x, top = y;
  switch (style.align) {
    case TextAlign::LeftTop:
      break;
    case TextAlign::CenterBottom:
      left -= width / 2, top -= height;
      break;
    case TextAlign::RightBottom:
      left -= width, top -= height;
      break;
  }
  const int64_t baseline = top + ascent;
  // Glyphs may overhang their cell (italics, accents, wide letters); two heights cover that.
  const int64_t margin = 2 * int64_t(height);
  if (top + height + margin <= limit.top || top - margin >= limit.bottom) return {};

  Rect touched{};
  for (const auto& [g, x0] : glyphs) {
    const int64_t at = left + x0;
    if (at + margin <= limit.left || at - margin >= limit.right) continue;
    touched = touched.Union(BlendGlyph(target, limit, *g, at, baseline, style.color));
  }
  return touched;
}
