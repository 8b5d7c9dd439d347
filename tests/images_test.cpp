// The two picture records as linked into this program: their byte layout,
// and what the logo and picture scenes need from their content.
#include "images.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

struct Record {
    const char* symbol;
    const std::uint8_t* bytes;
    std::uint32_t width, height;
    std::size_t size;  // with terminator and padding
};

const Record logo{"logo_image", logo_image, 1187, 628, 2236324};
const Record pic{"pic_image", pic_image, 800, 1058, 2539216};
const std::array<Record, 2> records{logo, pic};

std::uint32_t u32_le(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// The size the assembler gave a symbol, from this executable's own symbol table.
std::size_t symbol_size(const char* name)
{
    std::ifstream f("/proc/self/exe", std::ios::binary);
    const std::vector<char> elf{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    Elf64_Ehdr eh;
    std::memcpy(&eh, elf.data(), sizeof eh);
    for (int i = 0; i < eh.e_shnum; ++i) {
        Elf64_Shdr sh, strings;
        std::memcpy(&sh, elf.data() + eh.e_shoff + std::size_t(i) * sizeof sh, sizeof sh);
        if (sh.sh_type != SHT_SYMTAB) continue;
        std::memcpy(&strings, elf.data() + eh.e_shoff + sh.sh_link * sizeof strings, sizeof strings);
        for (std::size_t k = 0; k < sh.sh_size / sizeof(Elf64_Sym); ++k) {
            Elf64_Sym sym;
            std::memcpy(&sym, elf.data() + sh.sh_offset + k * sizeof sym, sizeof sym);
            if (std::strcmp(elf.data() + strings.sh_offset + sym.st_name, name) == 0) return sym.st_size;
        }
    }
    return 0;
}

struct Rgb {
    int r, g, b;
};

Rgb pixel(const Record& rec, std::uint32_t c, std::uint32_t r)
{
    const std::uint8_t* p = rec.bytes + image_pixels_offset + 3 * (std::size_t(r) * rec.width + c);
    return {p[0], p[1], p[2]};
}

float luma(Rgb p) { return 0.299f * p.r + 0.587f * p.g + 0.114f * p.b; }
bool light(Rgb p) { return luma(p) >= 200; }
bool empty(Rgb p) { return p.r == 0 && p.g == 0 && p.b == 0; }

TEST(ImageRecords, HeadersHoldWidthHeightAndThreeBytesPerPixel)
{
    EXPECT_EQ(image_pixels_offset, 12u);
    for (const Record& rec : records) {
        SCOPED_TRACE(rec.symbol);
        EXPECT_EQ(u32_le(rec.bytes), rec.width);
        EXPECT_EQ(u32_le(rec.bytes + 4), rec.height);
        EXPECT_EQ(u32_le(rec.bytes + 8), 3u);
    }
}

TEST(ImageRecords, SymbolsAreWordAlignedAndSizedWithTerminatorAndPadding)
{
    for (const Record& rec : records) {
        SCOPED_TRACE(rec.symbol);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(rec.bytes) % 4, 0u);
        EXPECT_EQ(symbol_size(rec.symbol), rec.size);
        // Pixel bytes end on a multiple of 4: terminator plus three bytes of padding.
        const std::size_t end = 12 + std::size_t(rec.width) * rec.height * 3;
        EXPECT_EQ(rec.size - end, 4u);
        for (std::size_t i = end; i < rec.size; ++i) EXPECT_EQ(rec.bytes[i], 0) << "byte " << i;
    }
}

TEST(ImageRecords, LogoPixelsRunFromByte12ToTheTerminator)
{
    // The logo has no zero byte anywhere, so the first zero after the header is the terminator.
    const std::uint8_t* first_zero = std::find(logo_image + 12, logo_image + logo.size, 0);
    EXPECT_EQ(first_zero - logo_image, 2236320);
    // Top left pixel at byte 12, bottom right (1186, 627) at bytes 2236317-2236319: both ground.
    EXPECT_GE(luma({logo_image[12], logo_image[13], logo_image[14]}), 200);
    EXPECT_GE(luma({logo_image[2236317], logo_image[2236318], logo_image[2236319]}), 200);
    // Row 1 starts 3561 bytes after row 0, at byte 3573: its first pixel is ground too.
    EXPECT_GE(luma({logo_image[3573], logo_image[3574], logo_image[3575]}), 200);
}

TEST(ImageRecords, PicturePixelsRunFromByte12RowsOf2400Bytes)
{
    // Corners are empty; the pixel on the view axis (column 400, row 529) is the subject.
    EXPECT_TRUE(empty({pic_image[12], pic_image[13], pic_image[14]}));
    EXPECT_TRUE(empty({pic_image[2412], pic_image[2413], pic_image[2414]}));
    EXPECT_TRUE(empty({pic_image[2539197], pic_image[2539198], pic_image[2539199]}));
    const std::size_t centre = 12 + 3 * 400 + 2400 * 529;
    EXPECT_FALSE(empty({pic_image[centre], pic_image[centre + 1], pic_image[centre + 2]}));
}

TEST(LogoContent, GroundIsWhiteToTheEdgesAndTheDesignBold)
{
    // The ground is the screen's own white, so no box shows round the design
    // against the logo scene's white clear colour.
    constexpr std::uint32_t border = 32;
    std::size_t off_white_border = 0, dark_count = 0;
    for (std::uint32_t r = 0; r < logo.height; ++r) {
        for (std::uint32_t c = 0; c < logo.width; ++c) {
            const Rgb p = pixel(logo, c, r);
            dark_count += luma(p) < 110;
            const bool in_border = r < border || c < border || r >= logo.height - border || c >= logo.width - border;
            off_white_border += in_border && (p.r != 255 || p.g != 255 || p.b != 255);
        }
    }
    EXPECT_EQ(off_white_border, 0u);
    EXPECT_GT(dark_count / (double(logo.width) * logo.height), 0.05);
}

TEST(PictureContent, HasEmptyAreaAndASubjectWithoutHolesFromNearTheTop)
{
    std::size_t empty_count = 0, holes = 0;
    std::uint32_t first_row = pic.height;
    for (std::uint32_t r = 0; r < pic.height; ++r) {
        std::uint32_t first = pic.width, last = 0, row_empty = 0;
        for (std::uint32_t c = 0; c < pic.width; ++c) {
            if (empty(pixel(pic, c, r))) {
                ++row_empty;
                continue;
            }
            first = std::min(first, c);
            last = c;
        }
        empty_count += row_empty;
        // Dark shading never reaches (0,0,0): a black pixel inside the subject would show white.
        if (first <= last) {
            holes += row_empty - (pic.width - (last - first + 1));
            first_row = std::min(first_row, r);
        }
    }
    EXPECT_EQ(holes, 0u);
    // The reveal runs down 100 rows a second: something shows within 0.4 s.
    EXPECT_LE(first_row, 40u);
    const double n = double(pic.width) * pic.height;
    EXPECT_GT(empty_count / n, 0.3);
    EXPECT_LT(empty_count / n, 0.75);
}

TEST(PictureContent, SubjectFitsTheRowsAWideScreenShows)
{
    // The cloud lies at depth 700, rows 0.2 units apart about row 529; a 16:9
    // screen's half-height is 0.5625 at the near plane, depth 5.
    const float half_rows = 0.5625f * (700.0f / 5) / 0.2f;
    std::size_t off_screen = 0;
    for (std::uint32_t r = 0; r < pic.height; ++r) {
        if (std::abs(float(r) - 529) <= half_rows) continue;
        // Only the light top of the window may fall off screen.
        for (std::uint32_t c = 0; c < pic.width; ++c) off_screen += !empty(pixel(pic, c, r)) && !light(pixel(pic, c, r));
    }
    EXPECT_EQ(off_screen, 0u);
}

}  // namespace
