// PNG files in and out: the colour types libpng expands, round trips, and files that
// are cut short or damaged.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <stdexcept>
#include <ostream>
#include <string>
#include <vector>

#include "BuiltInPicture.h"
#include "CliTestSupport.h"
#include "PngFile.h"

namespace {

using vantrel::RgbaImage;
using vantrel_test::TempFolder;

// Writes `pixels` (laid out as `format` says) with libpng's simplified interface, which
// is independent of the code under test.
void writeWithLibpng(const std::string& path, png_uint_32 width, png_uint_32 height, png_uint_32 format,
                     const void* pixels, const void* colormap = nullptr, png_uint_32 colormapEntries = 0) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = format;
  image.colormap_entries = colormapEntries;
  ASSERT_NE(png_image_write_to_file(&image, path.c_str(), 0, pixels, 0, colormap), 0) << image.message;
}

std::vector<std::uint8_t> pixelAt(const RgbaImage& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.pixel(x, y);
  return {p[0], p[1], p[2], p[3]};
}

RgbaImage sample(std::uint32_t width, std::uint32_t height) {
  RgbaImage image(width, height);
  for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = std::uint8_t((i * 37 + i / 7) % 256);
  return image;
}

TEST(PngFile, RgbaRoundTripKeepsEveryByte) {
  TempFolder folder;
  const RgbaImage original = sample(61, 17);  // odd sizes; alpha takes every value
  vantrel::writePng(folder.file("a.png"), original);
  const RgbaImage read = vantrel::readPng(folder.file("a.png"));
  EXPECT_EQ(read.width, 61u);
  EXPECT_EQ(read.height, 17u);
  EXPECT_EQ(read.rgba, original.rgba);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"a.png"});  // no temporary left
}

TEST(PngFile, RgbReadsAsOpaque) {
  TempFolder folder;
  const std::uint8_t rgb[] = {10, 20, 30, 40, 50, 60, 255, 0, 128, 1, 2, 3};
  writeWithLibpng(folder.file("rgb.png"), 2, 2, PNG_FORMAT_RGB, rgb);
  const RgbaImage read = vantrel::readPng(folder.file("rgb.png"));
  ASSERT_EQ(read.width, 2u);
  EXPECT_EQ(pixelAt(read, 0, 0), (std::vector<std::uint8_t>{10, 20, 30, 255}));
  EXPECT_EQ(pixelAt(read, 1, 0), (std::vector<std::uint8_t>{40, 50, 60, 255}));
  EXPECT_EQ(pixelAt(read, 0, 1), (std::vector<std::uint8_t>{255, 0, 128, 255}));
  EXPECT_EQ(pixelAt(read, 1, 1), (std::vector<std::uint8_t>{1, 2, 3, 255}));
}

TEST(PngFile, GreyExpandsToOpaqueRgb) {
  TempFolder folder;
  const std::uint8_t grey[] = {0, 77, 200};
  writeWithLibpng(folder.file("grey.png"), 3, 1, PNG_FORMAT_GRAY, grey);
  const RgbaImage read = vantrel::readPng(folder.file("grey.png"));
  EXPECT_EQ(pixelAt(read, 0, 0), (std::vector<std::uint8_t>{0, 0, 0, 255}));
  EXPECT_EQ(pixelAt(read, 1, 0), (std::vector<std::uint8_t>{77, 77, 77, 255}));
  EXPECT_EQ(pixelAt(read, 2, 0), (std::vector<std::uint8_t>{200, 200, 200, 255}));
}

TEST(PngFile, PaletteExpandsWithItsTransparency) {
  TempFolder folder;
  const std::uint8_t colormap[] = {255, 0, 0, 255, 0, 0, 255, 64, 20, 200, 30, 255};  // RGBA entries
  const std::uint8_t indices[] = {0, 1, 2, 1};
  writeWithLibpng(folder.file("palette.png"), 4, 1, PNG_FORMAT_RGBA_COLORMAP, indices, colormap, 3);
  const RgbaImage read = vantrel::readPng(folder.file("palette.png"));
  EXPECT_EQ(pixelAt(read, 0, 0), (std::vector<std::uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(pixelAt(read, 1, 0), (std::vector<std::uint8_t>{0, 0, 255, 64}));
  EXPECT_EQ(pixelAt(read, 2, 0), (std::vector<std::uint8_t>{20, 200, 30, 255}));
  EXPECT_EQ(pixelAt(read, 3, 0), (std::vector<std::uint8_t>{0, 0, 255, 64}));
}

TEST(PngFile, SixteenBitScalesToEightBit) {
  TempFolder folder;
  const png_uint_16 rgb16[] = {0, 0x8080, 0xFFFF};
  writeWithLibpng(folder.file("deep.png"), 1, 1, PNG_FORMAT_LINEAR_RGB, rgb16);
  const RgbaImage read = vantrel::readPng(folder.file("deep.png"));
  EXPECT_EQ(pixelAt(read, 0, 0), (std::vector<std::uint8_t>{0, 128, 255, 255}));
}

TEST(PngFile, WriteIntoAMissingFolderFailsAndLeavesNothing) {
  TempFolder folder;
  const std::string path = folder.file("missing/a.png");
  try {
    vantrel::writePng(path, sample(2, 2));
    FAIL() << "writing into a missing folder succeeded";
  } catch (const std::runtime_error& e) {
    // The reason is the system's own: "No such file or directory", "The system cannot find
    // the path specified".
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("cannot write " + path + ": ", 0), 0u) << message;
    EXPECT_GT(message.size(), ("cannot write " + path + ": ").size()) << message;
  }
  EXPECT_TRUE(folder.names().empty());
}

TEST(PngFile, ReadErrorsNameTheFile) {
  TempFolder folder;
  const auto message = [](const std::string& path) -> std::string {
    try {
      vantrel::readPng(path);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "";
  };
  EXPECT_EQ(message(folder.file("none.png")), "cannot read " + folder.file("none.png") + ": No such file or directory");
  vantrel_test::writeBytes(folder.file("text.png"), {'h', 'e', 'l', 'l', 'o', '\n', 'x', 'y', 'z'});
  EXPECT_EQ(message(folder.file("text.png")), "cannot read " + folder.file("text.png") + ": not a PNG file");
  vantrel_test::writeBytes(folder.file("empty.png"), {});
  EXPECT_EQ(message(folder.file("empty.png")), "cannot read " + folder.file("empty.png") + ": not a PNG file");
}

// A whole PNG of the built-in picture cut after a share of its bytes.
struct Cut {
  const char* name;
  double keep;  // share of the bytes kept; the last 12 (IEND) count separately below
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Cut& c, std::ostream* os) { *os << c.name; }

class TruncatedPng : public ::testing::TestWithParam<Cut> {};

TEST_P(TruncatedPng, IsRefusedWithOneLine) {
  TempFolder folder;
  vantrel::writePng(folder.file("whole.png"), vantrel::builtInPicture(320, 180));
  std::vector<unsigned char> bytes = vantrel_test::readBytes(folder.file("whole.png"));
  const std::size_t keep = GetParam().keep < 0 ? bytes.size() - 12 : std::size_t(double(bytes.size()) * GetParam().keep);
  bytes.resize(std::max<std::size_t>(keep, 8));
  vantrel_test::writeBytes(folder.file("cut.png"), bytes);
  try {
    vantrel::readPng(folder.file("cut.png"));
    FAIL() << "a PNG cut to " << bytes.size() << " bytes was read";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.rfind("cannot read " + folder.file("cut.png") + ": ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(Cuts, TruncatedPng,
                         ::testing::Values(Cut{"AfterSignature", 0.0}, Cut{"InHeader", 0.0001},
                                           Cut{"EarlyInData", 0.05}, Cut{"HalfWay", 0.5},
                                           Cut{"NearTheEnd", 0.97}, Cut{"WithoutEndChunk", -1}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(PngFile, DamagedDataIsRefused) {
  TempFolder folder;
  vantrel::writePng(folder.file("whole.png"), vantrel::builtInPicture(320, 180));
  std::vector<unsigned char> bytes = vantrel_test::readBytes(folder.file("whole.png"));
  bytes[bytes.size() / 2] ^= 0x5A;  // inside the image data: its checksum no longer holds
  vantrel_test::writeBytes(folder.file("damaged.png"), bytes);
  EXPECT_THROW(vantrel::readPng(folder.file("damaged.png")), std::runtime_error);
}

TEST(PngFile, HeaderClaimingMoreThanTheFileCanHoldIsRefusedBeforeAllocating) {
  TempFolder folder;
  vantrel::writePng(folder.file("small.png"), sample(2, 2));
  std::vector<unsigned char> bytes = vantrel_test::readBytes(folder.file("small.png"));
  // IHDR's width and height (bytes 16 to 23) become 30000 x 30000, its CRC recomputed.
  const unsigned char side[] = {0, 0, 0x75, 0x30};
  std::copy(side, side + 4, bytes.begin() + 16);
  std::copy(side, side + 4, bytes.begin() + 20);
  const uLong crc = crc32(crc32(0, nullptr, 0), bytes.data() + 12, 17);
  for (int i = 0; i < 4; ++i) bytes[29 + std::size_t(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));
  vantrel_test::writeBytes(folder.file("huge.png"), bytes);
  try {
    vantrel::readPng(folder.file("huge.png"));
    FAIL() << "a 30000x30000 header on a tiny file was read";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("too short for a 30000x30000 picture"), std::string::npos) << e.what();
  }
}

}  // namespace
