// The skin's built-in artwork as the build draws it (client/skin/artwork/make_artwork.py): the
// files must be what the Windows loaders take, and the pieces the engine stretches must survive
// stretching.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadArtwork(const std::string& name) {
  std::ifstream in(std::string(VELMORA_ARTWORK_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t Le32(const Bytes& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
std::uint32_t Be32(const Bytes& b, size_t at) {
  return std::uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

struct Rgba {
  int r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgba& p) {
  return out << "(" << p.r << "," << p.g << "," << p.b << " a" << p.a << ")";
}

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;  // top row first
  Rgba at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads an 8-bit RGBA PNG, checking every chunk's CRC and the inflated size on the way. Returns
// what is wrong, or an empty text.
std::string DecodePng(const Bytes& file, Picture& out) {
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (file.size() < 8 || !std::equal(kSignature, kSignature + 8, file.begin())) return "no PNG signature";
  Bytes idat;
  int depth = -1, colour_type = -1, interlace = -1;
  for (size_t at = 8;;) {
    if (file.size() - at < 12 || Be32(file, at) > file.size() - at - 12) return "a chunk runs past the end";
    const std::uint32_t length = Be32(file, at);
    const std::string type(file.begin() + at + 4, file.begin() + at + 8);
    const std::uint8_t* data = file.data() + at + 8;
    if (crc32(0, file.data() + at + 4, length + 4) != Be32(file, at + 8 + length)) return "bad CRC on " + type;
    if ((at == 8) != (type == "IHDR")) return "IHDR is not the first chunk";
    if (type == "IHDR") {
      if (length != 13) return "IHDR of " + std::to_string(length) + " bytes";
      out.width = static_cast<int>(Be32(file, at + 8));
      out.height = static_cast<int>(Be32(file, at + 12));
      depth = data[8];
      colour_type = data[9];
      interlace = data[12];
    } else if (type == "IDAT") {
      idat.insert(idat.end(), data, data + length);
    }
    at += 12 + length;
    if (type == "IEND") {
      if (at != file.size()) return "bytes after IEND";
      break;
    }
  }
  if (depth != 8 || colour_type != 6 || interlace != 0) return "not 8-bit RGBA without interlacing";
  const size_t stride = static_cast<size_t>(out.width) * 4;
  const size_t expected = out.height * (stride + 1);
  Bytes raw(expected + 1);  // room for one byte too many, so that a longer stream shows as such
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, idat.data(), idat.size()) != Z_OK || size != expected)
    return "the image data does not inflate to " + std::to_string(expected) + " bytes";
  Bytes previous(stride, 0), row(stride);
  for (int y = 0; y < out.height; ++y) {
    const std::uint8_t* line = raw.data() + y * (stride + 1);
    for (size_t i = 0; i < stride; ++i) {
      const int a = i >= 4 ? row[i - 4] : 0, b = previous[i], c = i >= 4 ? previous[i - 4] : 0;
      const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      const int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
      if (line[0] > 4) return "row filter " + std::to_string(line[0]);
      row[i] = static_cast<std::uint8_t>(line[1 + i] + predictor[line[0]]);
    }
    for (size_t i = 0; i < stride; i += 4) out.pixels.push_back({row[i], row[i + 1], row[i + 2], row[i + 3]});
    previous = row;
  }
  return "";
}

Picture FrameSheet(const std::string& name = "frame_sheet.png") {
  Picture p;
  const std::string error = DecodePng(ReadArtwork(name), p);
  EXPECT_EQ(error, "");
  if (!error.empty()) p = Picture{};
  return p;
}

// The control sheet's pixels, opaque; the header is checked by its own test.
Picture ControlSheet() {
  const Bytes file = ReadArtwork("control_sheet.bmp");
  Picture p;
  if (file.size() != 54 + 160 * 3 * 55) return p;
  p.width = 160;
  p.height = 55;
  for (int y = 0; y < 55; ++y)
    for (int x = 0; x < 160; ++x) {
      const size_t at = 54 + static_cast<size_t>(54 - y) * 480 + x * 3;
      p.pixels.push_back({file[at + 2], file[at + 1], file[at], 255});
    }
  return p;
}

// Every row of the area is one colour across: it is stretched sideways.
void ExpectRowsEven(const Picture& p, int x0, int y0, int w, int h) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0 + 1; x < x0 + w; ++x) ASSERT_EQ(p.at(x, y), p.at(x0, y)) << x << "," << y;
}

// Every column of the area is one colour down: it is stretched downwards.
void ExpectColumnsEven(const Picture& p, int x0, int y0, int w, int h) {
  for (int x = x0; x < x0 + w; ++x)
    for (int y = y0 + 1; y < y0 + h; ++y) ASSERT_EQ(p.at(x, y), p.at(x, y0)) << x << "," << y;
}

bool IsMagenta(Rgba p) { return p == Rgba{255, 0, 255, 255}; }

TEST(ArtworkFrameSheet, IsAnRgbaPngOfTheSheetSize) {
  const Picture p = FrameSheet();
  EXPECT_EQ(p.width, 205);
  EXPECT_EQ(p.height, 260);
}

TEST(ArtworkFrameSheet, StretchedPiecesChangeOnlyAcrossTheStretch) {
  const Picture p = FrameSheet();
  ASSERT_EQ(p.pixels.size(), 205u * 260u);
  {
    SCOPED_TRACE("gloss");
    ExpectRowsEven(p, 0, 0, 150, 90);
  }
  {
    SCOPED_TRACE("status strip");
    ExpectRowsEven(p, 180, 0, 20, 26);
  }
  {
    SCOPED_TRACE("border template edges, between the corners");
    ExpectRowsEven(p, 5, 90, 50, 5);
    ExpectRowsEven(p, 5, 137, 50, 5);
    ExpectColumnsEven(p, 0, 95, 5, 42);
    ExpectColumnsEven(p, 55, 95, 5, 42);
  }
  // The gloss lights the top of the banner and fades out well before the tabs' captions.
  EXPECT_GT(p.at(0, 2).a, 40);
  EXPECT_EQ(p.at(0, 60).a, 0);
}

TEST(ArtworkFrameSheet, BorderTemplateIsADarkLineInsideALightOneWithRoundedCorners) {
  const Picture p = FrameSheet();
  ASSERT_EQ(p.pixels.size(), 205u * 260u);
  // Outermost: dark; next: light; then nothing, so the client panel shows through.
  struct Edge {
    int x0, y0, dx, dy;  // the outermost pixel in the middle of an edge, and the way inwards
  };
  for (const Edge e : {Edge{30, 90, 0, 1}, Edge{30, 141, 0, -1}, Edge{0, 116, 1, 0}, Edge{59, 116, -1, 0}}) {
    SCOPED_TRACE(testing::Message() << "edge at " << e.x0 << "," << e.y0);
    const Rgba outer = p.at(e.x0, e.y0), inner = p.at(e.x0 + e.dx, e.y0 + e.dy);
    EXPECT_TRUE(outer.r < 60 && outer.a >= 100) << outer;
    EXPECT_TRUE(inner.r > 200 && inner.a > 0 && inner.a < outer.a) << inner;
    EXPECT_EQ(p.at(e.x0 + 2 * e.dx, e.y0 + 2 * e.dy).a, 0);
  }
  // The window region clips its corner pixels: the template is rounded the same way.
  for (const auto& [x, y] : {std::pair{0, 90}, {59, 90}, {0, 141}, {59, 141}}) EXPECT_LT(p.at(x, y).a, 100) << x << "," << y;
  EXPECT_EQ(p.at(30, 116).a, 0);
}

TEST(ArtworkFrameSheet, CaptionButtonsHaveTheirGlyphsAndLooks) {
  const Picture p = FrameSheet();
  ASSERT_EQ(p.pixels.size(), 205u * 260u);
  struct Column {
    int x, width;
    bool glyph, close;
  };
  const Column columns[] = {{0, 27, true, false},   {27, 27, false, false}, {54, 27, true, false},
                            {81, 27, true, false},  {108, 27, true, false}, {135, 27, true, false},
                            {162, 40, true, true}};
  const int kNormal = 145, kHover = 165, kPressed = 185;
  for (const Column& c : columns) {
    SCOPED_TRACE(testing::Message() << "column " << c.x);
    for (const int row : {kNormal, kHover, kPressed}) {
      int white = 0;
      for (int y = row; y < row + 19; ++y)
        for (int x = c.x; x < c.x + c.width; ++x) white += p.at(x, y) == Rgba{255, 255, 255, 255};
      EXPECT_EQ(white > 0, c.glyph) << "row " << row;
    }
    // Background, away from the glyph and the rounded corners.
    const auto back = [&](int row) { return p.at(c.x + 3, row + 16); };
    EXPECT_EQ(back(kNormal).a, 0);
    const Rgba hover = back(kHover), pressed = back(kPressed);
    if (c.close) {
      EXPECT_TRUE(hover.r > 200 && hover.g < 60 && hover.b < 60 && hover.a > 180) << hover;
      EXPECT_TRUE(pressed.r > 100 && pressed.r < hover.r && pressed.g < 60 && pressed.a > 180) << pressed;
    } else {
      EXPECT_TRUE(hover == (Rgba{255, 255, 255, hover.a}) && hover.a > 20 && hover.a < 128) << hover;
      EXPECT_TRUE(pressed.r < 60 && pressed.a > 20 && pressed.a < 128) << pressed;
    }
  }
}

TEST(ArtworkFrameSheet, TabBackgroundsAreTranslucentWhitePressedStronger) {
  const Picture p = FrameSheet();
  ASSERT_EQ(p.pixels.size(), 205u * 260u);
  const Rgba hover = p.at(90, 125), pressed = p.at(150, 125);
  EXPECT_TRUE(hover == (Rgba{255, 255, 255, hover.a}) && hover.a > 20) << hover;
  EXPECT_TRUE(pressed == (Rgba{255, 255, 255, pressed.a}) && pressed.a > hover.a && pressed.a < 160) << pressed;
}

TEST(ArtworkControlSheet, IsABottomUp24BitBitmap) {
  const Bytes file = ReadArtwork("control_sheet.bmp");
  ASSERT_GE(file.size(), 54u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Le32(file, 2), file.size());
  EXPECT_EQ(Le32(file, 10), 54u);                 // pixels right after the two headers
  EXPECT_EQ(Le32(file, 14), 40u);                 // BITMAPINFOHEADER
  EXPECT_EQ(static_cast<std::int32_t>(Le32(file, 18)), 160);
  EXPECT_EQ(static_cast<std::int32_t>(Le32(file, 22)), 55);  // positive: bottom-up
  EXPECT_EQ(Le16(file, 26), 1u);
  EXPECT_EQ(Le16(file, 28), 24u);
  EXPECT_EQ(Le32(file, 30), 0u);  // BI_RGB
  EXPECT_EQ(file.size(), 54u + 160 * 3 * 55);
}

TEST(ArtworkControlSheet, MagentaOnlyAroundTheFramesAndNoPinkFringe) {
  const Picture p = ControlSheet();
  ASSERT_EQ(p.pixels.size(), 160u * 55u);
  for (const auto& [x, y] : {std::pair{0, 24}, {159, 24}, {159, 54}, {125, 30}, {0, 25}, {0, 40}, {14, 54}})
    EXPECT_TRUE(IsMagenta(p.at(x, y))) << x << "," << y << " " << p.at(x, y);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(IsMagenta(p.at(40 * i + 20, 11))) << "push button " << i;
  for (int i = 0; i < 8; ++i) {
    EXPECT_FALSE(IsMagenta(p.at(15 * i + 7, 32))) << "check box " << i;
    EXPECT_FALSE(IsMagenta(p.at(15 * i + 7, 47))) << "radio " << i;
  }
  // Push buttons are copied opaquely: magenta in their corners would show.
  for (int i = 0; i < 4; ++i)
    for (const auto& [x, y] : {std::pair{0, 0}, {39, 0}, {0, 22}, {39, 22}})
      EXPECT_FALSE(IsMagenta(p.at(40 * i + x, y))) << "push button " << i;
  // Check boxes and radios are keyed on exact magenta: a blend with it would stay as a pink fringe.
  for (int y = 25; y < 55; ++y)
    for (int x = 0; x < 160; ++x) {
      const Rgba c = p.at(x, y);
      EXPECT_FALSE(!IsMagenta(c) && c.r - c.g > 40 && c.b - c.g > 40) << x << "," << y << " " << c;
    }
}

TEST(ArtworkControlSheet, PushButtonsStretchAndTogglesAreAllDistinct) {
  const Picture p = ControlSheet();
  ASSERT_EQ(p.pixels.size(), 160u * 55u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(testing::Message() << "push button " << i);
    ExpectRowsEven(p, 40 * i + 5, 0, 30, 23);  // top and bottom edges and the centre
  }
  const auto frame = [&](int x0, int y0) {
    std::vector<Rgba> f;
    for (int y = y0; y < y0 + 15; ++y)
      for (int x = x0; x < x0 + 15; ++x) f.push_back(p.at(x, y));
    return f;
  };
  const auto green = [](Rgba c) { return c.g > c.r + 60 && c.g > c.b + 60; };
  for (const int row : {25, 40}) {
    for (int i = 0; i < 8; ++i) {
      SCOPED_TRACE(testing::Message() << "toggle row " << row << " frame " << i);
      for (int j = 0; j < i; ++j) EXPECT_NE(frame(15 * i, row), frame(15 * j, row)) << "same as frame " << j;
      const std::vector<Rgba> f = frame(15 * i, row);
      // Checked and enabled: a green mark; disabled checked: a grey one; unchecked: none.
      EXPECT_EQ(std::any_of(f.begin(), f.end(), green), i >= 4 && i != 7);
    }
  }
}

// The sheets drawn for 150 % and 200 %: their pieces at the rectangles the engine scales to, and
// the border's hairlines whole pixels thick, not a blurred enlargement of the 100 % sheet.
TEST(ArtworkScaledSheets, PiecesSitWhereTheEngineLooksAndLinesAreCrisp) {
  struct Case {
    const char* frame;
    const char* control;
    int width, height, control_width, control_height;
    int line;  // a design hairline
    double s;
  };
  for (const Case& c : {Case{"frame_sheet_150.png", "control_sheet_150.bmp", 308, 390, 240, 83, 2, 1.5},
                        Case{"frame_sheet_200.png", "control_sheet_200.bmp", 410, 520, 320, 110, 2, 2.0}}) {
    SCOPED_TRACE(c.frame);
    const Picture p = FrameSheet(c.frame);
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    const auto at = [&](double v) { return static_cast<int>(v * c.s + 0.5); };
    // Down the middle of the border template's top edge: dark rows, light rows, then nothing.
    const int x = at(30), top = at(90);
    for (int i = 0; i < c.line; ++i) {
      EXPECT_EQ(p.at(x, top + i), p.at(x, top)) << "dark row " << i;
      EXPECT_EQ(p.at(x, top + c.line + i), p.at(x, top + c.line)) << "light row " << i;
    }
    EXPECT_TRUE(p.at(x, top).r < 60 && p.at(x, top).a >= 100) << p.at(x, top);
    EXPECT_TRUE(p.at(x, top + c.line).r > 200 && p.at(x, top + c.line).a > 0) << p.at(x, top + c.line);
    EXPECT_EQ(p.at(x, top + 2 * c.line).a, 0);
    // The same on the left edge, and the edges stay flat along their stretch.
    EXPECT_EQ(p.at(0, at(116)), p.at(c.line - 1, at(116)));
    EXPECT_EQ(p.at(2 * c.line, at(116)).a, 0);
    ExpectRowsEven(p, at(5), top, at(55) - at(5), at(95) - top);
    ExpectRowsEven(p, 0, 0, at(150), at(90));  // the gloss
    // The close button's hover look, red, fills its scaled cell but for the rounded corners.
    const Rgba red = p.at(at(162) + at(20), at(165) + at(16));
    EXPECT_TRUE(red.r > 200 && red.g < 60 && red.a > 180) << red;
    EXPECT_LT(p.at(at(162), at(165)).a, red.a);

    const Bytes control = ReadArtwork(c.control);
    ASSERT_GE(control.size(), 54u);
    EXPECT_EQ(static_cast<int>(Le32(control, 18)), c.control_width);
    EXPECT_EQ(static_cast<int>(Le32(control, 22)), c.control_height);
  }
}

struct IconCase {
  const char* file;
  std::vector<int> sizes;
};

TEST(ArtworkIcons, DirectoryEntriesPointAt32BitImagesWithMatchingMasks) {
  // Each at the sizes the screen scales ask for: the tab pictures are 32 design pixels, the
  // program icon 16 in a caption and 32 or 48 in the shell.
  const std::vector<int> tab_sizes = {32, 40, 48, 56, 64};
  const IconCase cases[] = {{"tab_icon.ico", tab_sizes}, {"velmora.ico", {16, 20, 24, 32, 40, 48, 64}},
                            {"ico/1.ico", tab_sizes}, {"ico/2.ico", tab_sizes}, {"ico/3.ico", tab_sizes},
                            {"ico/4.ico", tab_sizes}, {"ico/5.ico", tab_sizes}, {"ico/6.ico", tab_sizes},
                            {"ico/7.ico", tab_sizes}};
  for (const IconCase& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes file = ReadArtwork(c.file);
    ASSERT_GE(file.size(), 6u);
    EXPECT_EQ(Le16(file, 0), 0u);
    EXPECT_EQ(Le16(file, 2), 1u);  // icon, not cursor
    ASSERT_EQ(Le16(file, 4), c.sizes.size());
    size_t next = 6 + 16 * c.sizes.size();  // images follow the directory, in order, back to back
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      const int n = c.sizes[i];
      SCOPED_TRACE(testing::Message() << n << " x " << n);
      const size_t entry = 6 + 16 * i;
      EXPECT_EQ(file[entry], n);
      EXPECT_EQ(file[entry + 1], n);
      EXPECT_EQ(Le16(file, entry + 4), 1u);
      EXPECT_EQ(Le16(file, entry + 6), 32u);
      const size_t size = Le32(file, entry + 8), offset = Le32(file, entry + 12);
      const size_t mask_stride = (n + 31) / 32 * 4;
      ASSERT_EQ(offset, next);
      ASSERT_EQ(size, 40 + 4u * n * n + mask_stride * n);
      ASSERT_LE(offset + size, file.size());
      next = offset + size;
      EXPECT_EQ(Le32(file, offset), 40u);
      EXPECT_EQ(static_cast<int>(Le32(file, offset + 4)), n);
      EXPECT_EQ(static_cast<int>(Le32(file, offset + 8)), 2 * n);  // colour rows and mask rows
      EXPECT_EQ(Le16(file, offset + 12), 1u);
      EXPECT_EQ(Le16(file, offset + 14), 32u);
      EXPECT_EQ(Le32(file, offset + 16), 0u);
      // The AND mask marks exactly the fully transparent pixels; both images bottom-up.
      int clear = 0, solid = 0, mismatched = 0;
      for (int row = 0; row < n; ++row)
        for (int x = 0; x < n; ++x) {
          const int alpha = file[offset + 40 + (static_cast<size_t>(row) * n + x) * 4 + 3];
          const int bit = file[offset + 40 + 4 * n * n + row * mask_stride + x / 8] >> (7 - x % 8) & 1;
          clear += alpha == 0;
          solid += alpha == 255;
          mismatched += bit != (alpha == 0);
        }
      EXPECT_EQ(mismatched, 0);
      EXPECT_GT(clear, 0);  // a shape on the banner, not a square
      EXPECT_GT(solid, 0);
    }
    EXPECT_EQ(next, file.size());
  }
}

}  // namespace
