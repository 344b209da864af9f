// The picture decoder on the committed product picture, on pictures made
// here with libjpeg's compressor, and on damaged data of every kind. This
// executable links no windowing library, so the sanitizer build runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include <jpeglib.h>

#include "JpegPicture.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes ReadFile(const char* Path) {
  std::ifstream In(Path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

TJpegPicture Decode(const TBytes& Bytes) { return DecodeJpeg(Bytes.data(), Bytes.size()); }

// A Width x Height picture with Components (1 grey, 3 RGB) channels where
// the value of each sample is Pattern(x, y, channel), compressed at
// quality 100 so the decoded values stay close.
template <class TPattern>
TBytes Encode(int Width, int Height, int Components, TPattern Pattern) {
  jpeg_compress_struct Info{};
  jpeg_error_mgr Err{};
  Info.err = jpeg_std_error(&Err);
  jpeg_create_compress(&Info);
  unsigned char* Out = nullptr;
  unsigned long OutSize = 0;
  jpeg_mem_dest(&Info, &Out, &OutSize);
  Info.image_width = static_cast<JDIMENSION>(Width);
  Info.image_height = static_cast<JDIMENSION>(Height);
  Info.input_components = Components;
  Info.in_color_space = Components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, 100, TRUE);
  jpeg_start_compress(&Info, TRUE);
  std::vector<JSAMPLE> Row(static_cast<std::size_t>(Width * Components));
  while (Info.next_scanline < Info.image_height) {
    const int y = static_cast<int>(Info.next_scanline);
    for (int x = 0; x < Width; ++x)
      for (int c = 0; c < Components; ++c)
        Row[static_cast<std::size_t>(x * Components + c)] = static_cast<JSAMPLE>(Pattern(x, y, c));
    JSAMPROW RowPointer = Row.data();
    jpeg_write_scanlines(&Info, &RowPointer, 1);
  }
  jpeg_finish_compress(&Info);
  jpeg_destroy_compress(&Info);
  TBytes Bytes(Out, Out + OutSize);
  std::free(Out);
  return Bytes;
}

// Offset of the first marker 0xFF Code, or npos.
std::size_t FindMarker(const TBytes& Bytes, std::uint8_t Code) {
  for (std::size_t i = 0; i + 1 < Bytes.size(); ++i)
    if (Bytes[i] == 0xFF && Bytes[i + 1] == Code) return i;
  return std::string::npos;
}

void ExpectEmpty(const TJpegPicture& Picture) {
  EXPECT_TRUE(Picture.Empty());
  EXPECT_EQ(Picture.Width, 0);
  EXPECT_EQ(Picture.Height, 0);
  EXPECT_TRUE(Picture.Rgb.empty());
  EXPECT_FALSE(Picture.Error.empty());
}

class ProductPictureFile : public ::testing::Test {
 protected:
  void SetUp() override {
    Bytes = ReadFile(TAVIK_PICTURE_FILE);
    ASSERT_GT(Bytes.size(), 1000u) << TAVIK_PICTURE_FILE;
  }
  TBytes Bytes;
};

TEST_F(ProductPictureFile, IsABaselineJfifAndDecodesTo600By397) {
  // SOI, then the JFIF APP0 segment, and a baseline frame (SOF0) only.
  ASSERT_EQ(Bytes[0], 0xFF);
  ASSERT_EQ(Bytes[1], 0xD8);
  EXPECT_EQ(std::memcmp(&Bytes[6], "JFIF", 5), 0);
  EXPECT_NE(FindMarker(Bytes, 0xC0), std::string::npos);
  EXPECT_EQ(FindMarker(Bytes, 0xC2), std::string::npos);  // progressive

  const TJpegPicture Picture = Decode(Bytes);
  ASSERT_FALSE(Picture.Empty()) << Picture.Error;
  EXPECT_EQ(Picture.Width, 600);
  EXPECT_EQ(Picture.Height, 397);
  EXPECT_EQ(Picture.Rgb.size(), 600u * 397u * 3u);
  EXPECT_TRUE(Picture.Error.empty());
  // The top left corner is the dark blue of the sky, blue above red.
  EXPECT_LT(Picture.Rgb[0], 60);
  EXPECT_GT(Picture.Rgb[2], Picture.Rgb[0] + 20);
}

TEST(JpegPicture, ColourSamplesComeOutInRgbOrder) {
  // Left half pure red, right half pure blue.
  const TBytes Bytes = Encode(32, 16, 3, [](int x, int, int c) { return (x < 16) == (c == 0) || (x >= 16 && c == 2) ? 255 : 0; });
  const TJpegPicture Picture = Decode(Bytes);
  ASSERT_FALSE(Picture.Empty()) << Picture.Error;
  ASSERT_EQ(Picture.Width, 32);
  ASSERT_EQ(Picture.Height, 16);
  const std::uint8_t* Left = &Picture.Rgb[(8 * 32 + 4) * 3];
  const std::uint8_t* Right = &Picture.Rgb[(8 * 32 + 28) * 3];
  EXPECT_GT(Left[0], 230);
  EXPECT_LT(Left[2], 25);
  EXPECT_LT(Right[0], 25);
  EXPECT_GT(Right[2], 230);
}

TEST(JpegPicture, GreyPicturesAndOddSizesComeOutAsFullRgbRows) {
  for (const auto& [Width, Height] : {std::pair{1, 1}, std::pair{17, 3}, std::pair{3, 29}}) {
    const TBytes Bytes = Encode(Width, Height, 1, [](int x, int y, int) { return (x * 40 + y * 7) % 256; });
    const TJpegPicture Picture = Decode(Bytes);
    ASSERT_FALSE(Picture.Empty()) << Width << "x" << Height << ": " << Picture.Error;
    EXPECT_EQ(Picture.Width, Width);
    EXPECT_EQ(Picture.Height, Height);
    ASSERT_EQ(Picture.Rgb.size(), static_cast<std::size_t>(Width * Height * 3));
    // Grey expands to three equal samples, close to what was encoded.
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const std::uint8_t* Pixel = &Picture.Rgb[static_cast<std::size_t>((y * Width + x) * 3)];
        EXPECT_EQ(Pixel[0], Pixel[1]);
        EXPECT_EQ(Pixel[1], Pixel[2]);
        EXPECT_NEAR(Pixel[0], (x * 40 + y * 7) % 256, 3) << x << "," << y;
      }
  }
}

TEST_F(ProductPictureFile, EveryTruncationGivesAnEmptyPicture) {
  // Cut before the header, inside the tables, inside the scan and just
  // before the end marker: libjpeg alone would pad the rest with grey.
  std::vector<std::size_t> Lengths = {0, 1, 2, 3, 20, 200, Bytes.size() / 2, Bytes.size() - 2, Bytes.size() - 1};
  for (std::size_t n = 5; n < Bytes.size(); n += 997) Lengths.push_back(n);
  for (std::size_t Length : Lengths) {
    SCOPED_TRACE(Length);
    ExpectEmpty(DecodeJpeg(Bytes.data(), Length));
  }
  ExpectEmpty(DecodeJpeg(nullptr, 0));
}

TEST_F(ProductPictureFile, DamagedHeadersAndScansGiveAnEmptyPicture) {
  struct TDamage {
    const char* What;
    void (*Apply)(TBytes&);
  };
  const TDamage Damages[] = {
      {"no start marker", [](TBytes& b) { b[1] = 0x00; }},
      {"zero width", [](TBytes& b) {
         const std::size_t Sof = FindMarker(b, 0xC0);
         b[Sof + 7] = 0;
         b[Sof + 8] = 0;
       }},
      {"eight components", [](TBytes& b) { b[FindMarker(b, 0xC0) + 9] = 8; }},
      {"Huffman tables cleared", [](TBytes& b) {
         const std::size_t Dht = FindMarker(b, 0xC4);
         std::fill(b.begin() + static_cast<std::ptrdiff_t>(Dht) + 5, b.begin() + static_cast<std::ptrdiff_t>(Dht) + 21, 0xFF);
       }},
      {"scan cut by a restart marker", [](TBytes& b) {
         const std::size_t Sos = FindMarker(b, 0xDA);
         const std::size_t Mid = Sos + (b.size() - Sos) / 2;
         b[Mid] = 0xFF;
         b[Mid + 1] = 0xD3;
       }},
      {"end marker in the middle of the scan", [](TBytes& b) {
         const std::size_t Sos = FindMarker(b, 0xDA);
         const std::size_t Mid = Sos + (b.size() - Sos) / 3;
         b[Mid] = 0xFF;
         b[Mid + 1] = 0xD9;
       }},
      {"scan filled with ones", [](TBytes& b) {
         const std::size_t Sos = FindMarker(b, 0xDA);
         std::fill(b.begin() + static_cast<std::ptrdiff_t>(Sos) + 20, b.end() - 2, 0xFF);
       }},
  };
  for (const TDamage& Damage : Damages) {
    SCOPED_TRACE(Damage.What);
    TBytes Damaged = Bytes;
    Damage.Apply(Damaged);
    ExpectEmpty(Decode(Damaged));
  }
}

TEST_F(ProductPictureFile, AHeaderAskingForAHugePictureIsRefusedBeforeAllocating) {
  // 65500 x 65500 pixels would need 12 GB, allocated and then filled
  // scan line by scan line before the missing data showed.
  TBytes Huge = Bytes;
  const std::size_t Sof = FindMarker(Huge, 0xC0);
  Huge[Sof + 5] = 0xFF;
  Huge[Sof + 6] = 0xDC;
  Huge[Sof + 7] = 0xFF;
  Huge[Sof + 8] = 0xDC;
  const TJpegPicture Picture = Decode(Huge);
  ExpectEmpty(Picture);
  EXPECT_EQ(Picture.Error, "Picture too large");
}

TEST_F(ProductPictureFile, RandomDamageNeverCrashesAndNeverGivesAHalfPicture) {
  // Not every flipped bit is detectable (entropy data can stay valid), so
  // the promise is: either an empty picture or a whole one of the right size.
  std::mt19937 Random(20240315);
  int Refused = 0;
  for (int Round = 0; Round < 300; ++Round) {
    TBytes Damaged = Bytes;
    const int Flips = 1 + Round % 8;
    for (int f = 0; f < Flips; ++f) {
      const std::size_t At = std::uniform_int_distribution<std::size_t>(0, Damaged.size() - 1)(Random);
      Damaged[At] = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(Random));
    }
    const TJpegPicture Picture = Decode(Damaged);
    if (Picture.Empty()) {
      ++Refused;
      EXPECT_TRUE(Picture.Rgb.empty());
      EXPECT_FALSE(Picture.Error.empty());
    } else {
      EXPECT_EQ(Picture.Rgb.size(), static_cast<std::size_t>(Picture.Width) * Picture.Height * 3);
      EXPECT_TRUE(Picture.Error.empty());
    }
  }
  EXPECT_GT(Refused, 30);  // damage is caught far more often than not seen
}

}  // namespace
