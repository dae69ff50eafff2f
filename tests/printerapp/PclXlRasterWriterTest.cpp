// Raster pages as PCL XL: the stream read back token by token, as a printer reads it, gives every
// row as it was given, in bands a printer takes, with sizes and colours as the page asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/printerapp/PclXlRasterWriter.h"
#include "tests/support/JobText.h"

namespace {
// What a printer would make of the pages of a stream.
struct ReadPage {
    unsigned width = 0;
    unsigned height = 0;
    bool rgb = false;
    long mediaSize = -1;
    std::string compressModes;  // one digit per band
    std::vector<std::string> rows;
};

unsigned long Little(const std::string& s, std::size_t at, int bytes) {
    unsigned long value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(s.at(at + i));
    }
    return value;
}

std::string RunLengthDecoded(const std::string& packed) {
    std::string bytes;
    for (std::size_t at = 0; at < packed.size();) {
        const unsigned count = static_cast<unsigned char>(packed[at++]);
        EXPECT_NE(128u, count) << "the no-op count at " << at - 1;
        if (count < 128) {
            bytes.append(packed, at, count + 1);
            at += count + 1;
        } else {
            bytes.append(257 - count, packed.at(at++));
        }
    }
    return bytes;
}

// Reads a band's rows into `page`, checking that the band starts where the last one ended and
// that each row's padding is zero.
void ReadBand(ReadPage& page, std::map<int, unsigned long>& attributes, const std::string& data) {
    const unsigned mode = static_cast<unsigned>(attributes[101]);
    page.compressModes += static_cast<char>('0' + mode);
    const std::string rows = mode == 1 ? RunLengthDecoded(data) : data;
    const std::size_t rowBytes = std::size_t{page.width} * (page.rgb ? 3 : 1);
    const std::size_t padded = (rowBytes + 3) / 4 * 4;
    EXPECT_EQ(page.rows.size(), attributes[109]) << "start line";
    ASSERT_EQ(padded * attributes[99], rows.size()) << "band size";
    for (std::size_t at = 0; at < rows.size(); at += padded) {
        page.rows.push_back(rows.substr(at, rowBytes));
        EXPECT_EQ(std::string(padded - rowBytes, '\0'),
                  rows.substr(at + rowBytes, padded - rowBytes));
    }
}

// The stream token by token: a value, an attribute naming it, an operator, a ReadImage's data.
// A tag the writer has no business writing fails the test.
std::vector<ReadPage> Read(const std::string& stream) {
    const std::map<int, int> valueSizes = {{0xc0, 1}, {0xc1, 2}, {0xd1, 4}, {0xd3, 4}, {0xd5, 8}};
    std::vector<ReadPage> pages;
    std::map<int, unsigned long> attributes;
    unsigned long value = 0;
    bool rgb = false;
    for (std::size_t at = stream.find('\n') + 1; at < stream.size();) {
        const int tag = static_cast<unsigned char>(stream[at++]);
        if (valueSizes.count(tag) != 0) {
            value = Little(stream, at, std::min(valueSizes.at(tag), 4));
            at += valueSizes.at(tag);
        } else if (tag == 0xf8) {
            attributes[static_cast<unsigned char>(stream.at(at++))] = value;
        } else if (tag == 0x43) {
            pages.emplace_back();
            pages.back().mediaSize =
                attributes.count(37) != 0 ? static_cast<long>(attributes[37]) : -1;
        } else if (tag == 0x6a) {
            rgb = attributes[3] == 2;
        } else if (tag == 0xb0) {
            pages.back().width = static_cast<unsigned>(attributes[108]);
            pages.back().height = static_cast<unsigned>(attributes[107]);
            pages.back().rgb = rgb;
        } else if (tag == 0xb1) {
            EXPECT_EQ(0xfa, static_cast<unsigned char>(stream.at(at))) << "data after ReadImage";
            const std::size_t length = Little(stream, at + 1, 4);
            ReadBand(pages.back(), attributes, stream.substr(at + 5, length));
            at += 5 + length;
        } else if (std::string("\x41\x42\x44\x48\x49\x6b\xb2").find(static_cast<char>(tag)) ==
                   std::string::npos) {
            ADD_FAILURE() << "tag " << tag << " at " << at - 1;
            break;
        }
        if (tag >= 0x41 && tag != 0xf8 && valueSizes.count(tag) == 0) {
            attributes.erase(37);
        }
    }
    return pages;
}

TEST(PclXlRaster, ATinyGrayPageIsTheSessionThePageAndOneUncompressedBand) {
    PclXlRasterWriter writer(300, 300);
    writer.StartPage(
        {.width = 2, .height = 1, .rgb = false, .widthPoints = 595.28, .heightPoints = 841.89});
    const unsigned char row[] = {0x00, 0x80};
    writer.WriteLine(row);
    writer.EndPage();
    writer.End();
    EXPECT_EQ(Bytes(") HP-PCL XL;2;0;Comment cv-printer-app\n"
                    "\xd1\x2c\x01\x2c\x01\xf8\x89\xc0\x00\xf8\x86\xc0\x03\xf8\x8f\x41"
                    "\xc0\x00\xf8\x88\xc0\x01\xf8\x82\x48"
                    "\xc0\x00\xf8\x28\xc0\x02\xf8\x25\xc0\x01\xf8\x26\x43"
                    "\xc0\x01\xf8\x03\x6a\xd3\x00\x00\x00\x00\xf8\x4c\x6b"
                    "\xc0\x00\xf8\x64\xc0\x02\xf8\x62\xc1\x02\x00\xf8\x6c\xc1\x01\x00\xf8\x6b"
                    "\xd1\x02\x00\x01\x00\xf8\x67\xb0"
                    "\xc1\x00\x00\xf8\x6d\xc1\x01\x00\xf8\x63\xc0\x00\xf8\x65\xb1"
                    "\xfa\x04\x00\x00\x00\x00\x80\x00\x00"
                    "\xb2\x44\x49\x42"),
              writer.Output());
}

TEST(PclXlRaster, RunLengthEncodingRepeatsRunsOfThreeAndCopiesTheRest) {
    std::string distinct;
    for (int i = 0; i < 130; ++i) {
        distinct.push_back(static_cast<char>(i));
    }
    struct Case {
        const char* label;
        std::string given;
        std::string encoded;
    };
    const Case cases[] = {
        {.label = "nothing", .given = "", .encoded = ""},
        {.label = "one byte",
         .given = "a",
         .encoded = Bytes("\x00"
                          "a")},
        {.label = "three equal bytes",
         .given = "aaa",
         .encoded = "\xfe"
                    "a"},
        {.label = "two equal bytes stay in a literal",
         .given = "aab",
         .encoded = "\x02"
                    "aab"},
        {.label = "a run between literals",
         .given = "abcccd",
         .encoded = Bytes("\x01"
                          "ab"
                          "\xfe"
                          "c"
                          "\x00"
                          "d")},
        {.label = "129 equal bytes",
         .given = std::string(129, 'a'),
         .encoded = Bytes("\x81"
                          "a"
                          "\x00"
                          "a")},
        {.label = "130 distinct bytes",
         .given = distinct,
         .encoded = "\x7f" + distinct.substr(0, 128) + "\x01" + distinct.substr(128)},
    };
    for (const Case& c : cases) {
        std::string encoded;
        PclXlRasterWriter::RunLengthEncode(reinterpret_cast<const unsigned char*>(c.given.data()),
                                           c.given.size(), encoded);
        EXPECT_EQ(c.encoded, encoded) << c.label;
        EXPECT_EQ(c.given, RunLengthDecoded(encoded)) << c.label;
    }
}

TEST(PclXlRaster, EveryRowReadsBackAsGivenAndMissingRowsAreWhite) {
    struct Case {
        const char* label;
        PclXlRasterWriter::Page page;
        unsigned rowsGiven;
        std::function<unsigned char(unsigned x, unsigned y)> pixel;
        const char* compressModes;
        long mediaSize;
    };
    const Case cases[] = {
        {.label = "gray, one band of runs, a letter sheet",
         .page = {.width = 7, .height = 10, .widthPoints = 612, .heightPoints = 792},
         .rowsGiven = 10,
         .pixel = [](unsigned, unsigned y) { return static_cast<unsigned char>(y * 40); },
         .compressModes = "1",
         .mediaSize = 0},
        {.label = "RGB noise in three bands, the last short, a custom sheet",
         .page = {.width = 5, .height = 130, .rgb = true, .widthPoints = 100, .heightPoints = 200},
         .rowsGiven = 130,
         .pixel = [](unsigned x,
                     unsigned y) { return static_cast<unsigned char>(x * 37 + y * 11); },
         .compressModes = "000",
         .mediaSize = -1},
        {.label = "RGB rows longer than a literal, half white",
         .page = {.width = 200,
                  .height = 65,
                  .rgb = true,
                  .widthPoints = 419.53,
                  .heightPoints = 595.28},
         .rowsGiven = 65,
         .pixel = [](unsigned x,
                     unsigned y) { return static_cast<unsigned char>(x < 300 ? 255 : x * 7 + y); },
         .compressModes = "11",
         .mediaSize = 16},
        {.label = "a page given three of its seventy rows",
         .page = {.width = 4, .height = 70, .widthPoints = 595.28, .heightPoints = 841.89},
         .rowsGiven = 3,
         .pixel = [](unsigned x, unsigned) { return static_cast<unsigned char>(x); },
         .compressModes = "11",
         .mediaSize = 2},
    };
    for (const Case& c : cases) {
        PclXlRasterWriter writer(300, 300);
        std::vector<std::string> expected;
        writer.StartPage(c.page);
        const unsigned rowBytes = c.page.width * (c.page.rgb ? 3 : 1);
        for (unsigned y = 0; y < c.page.height; ++y) {
            std::string row(rowBytes, '\xff');
            for (unsigned x = 0; y < c.rowsGiven && x < rowBytes; ++x) {
                row[x] = static_cast<char>(c.pixel(x, y));
            }
            if (y < c.rowsGiven) {
                writer.WriteLine(reinterpret_cast<const unsigned char*>(row.data()));
            }
            expected.push_back(row);
        }
        writer.EndPage();
        writer.End();
        const std::vector<ReadPage> pages = Read(writer.Output());
        ASSERT_EQ(1u, pages.size()) << c.label;
        EXPECT_EQ(c.page.width, pages[0].width) << c.label;
        EXPECT_EQ(c.page.height, pages[0].height) << c.label;
        EXPECT_EQ(c.page.rgb, pages[0].rgb) << c.label;
        EXPECT_EQ(c.mediaSize, pages[0].mediaSize) << c.label;
        EXPECT_EQ(c.compressModes, pages[0].compressModes) << c.label;
        EXPECT_EQ(expected, pages[0].rows) << c.label;
    }
}

TEST(PclXlRaster, PagesFollowOneAnotherInOneSession) {
    PclXlRasterWriter writer(300, 600);
    const unsigned char gray[] = {1, 2, 3};
    const unsigned char rgb[] = {4, 5, 6};
    writer.StartPage({.width = 3, .height = 1, .widthPoints = 612, .heightPoints = 792});
    writer.WriteLine(gray);
    writer.EndPage();
    writer.StartPage(
        {.width = 1, .height = 1, .rgb = true, .widthPoints = 612, .heightPoints = 1008});
    writer.WriteLine(rgb);
    writer.EndPage();
    writer.End();
    const std::vector<ReadPage> pages = Read(writer.Output());
    ASSERT_EQ(2u, pages.size());
    EXPECT_EQ(std::vector<std::string>{"\x01\x02\x03"}, pages[0].rows);
    EXPECT_EQ(std::vector<std::string>{"\x04\x05\x06"}, pages[1].rows);
    EXPECT_EQ(std::vector<long>({0, 1}),
              std::vector<long>({pages[0].mediaSize, pages[1].mediaSize}));
    EXPECT_EQ(Bytes("\xd1\x2c\x01\x58\x02\xf8\x89"), writer.Output().substr(39, 7));
    EXPECT_EQ(Bytes("\xb2\x44\x49\x42"), writer.Output().substr(writer.Output().size() - 4));
}

TEST(PclXlRaster, WhatPclXlCannotCarryOrAStepOutOfOrderIsRefused) {
    EXPECT_THROW(PclXlRasterWriter(0, 300), std::invalid_argument);
    EXPECT_THROW(PclXlRasterWriter(300, 70000), std::invalid_argument);
    PclXlRasterWriter writer(300, 300);
    const unsigned char row[] = {0};
    EXPECT_THROW(writer.StartPage({.width = 0, .height = 1}), std::invalid_argument);
    EXPECT_THROW(writer.StartPage({.width = 70000, .height = 1}), std::invalid_argument);
    EXPECT_THROW(writer.WriteLine(row), std::logic_error);
    EXPECT_THROW(writer.EndPage(), std::logic_error);
    writer.StartPage({.width = 1, .height = 1});
    EXPECT_THROW(writer.StartPage({.width = 1, .height = 1}), std::logic_error);
    writer.WriteLine(row);
    EXPECT_THROW(writer.WriteLine(row), std::logic_error);
    EXPECT_THROW(writer.End(), std::logic_error);
    writer.EndPage();
    writer.End();
    EXPECT_THROW(writer.End(), std::logic_error);
    EXPECT_THROW(writer.StartPage({.width = 1, .height = 1}), std::logic_error);
}
}  // namespace
