// The PCL XL a raster job becomes.
#include "host/printerapp/PclXlRasterWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {
// The stream header: ')' says binary, low byte first.
constexpr char kStreamHeader[] = ") HP-PCL XL;2;0;Comment cv-printer-app\n";

// Operators.
constexpr unsigned char kBeginSession = 0x41;
constexpr unsigned char kEndSession = 0x42;
constexpr unsigned char kBeginPage = 0x43;
constexpr unsigned char kEndPage = 0x44;
constexpr unsigned char kOpenDataSource = 0x48;
constexpr unsigned char kCloseDataSource = 0x49;
constexpr unsigned char kSetColorSpace = 0x6a;
constexpr unsigned char kSetCursor = 0x6b;
constexpr unsigned char kBeginImage = 0xb0;
constexpr unsigned char kReadImage = 0xb1;
constexpr unsigned char kEndImage = 0xb2;

// Data types and the attribute and embedded data tags.
constexpr unsigned char kUbyte = 0xc0;
constexpr unsigned char kUint16 = 0xc1;
constexpr unsigned char kUint16Xy = 0xd1;
constexpr unsigned char kSint16Xy = 0xd3;
constexpr unsigned char kReal32Xy = 0xd5;
constexpr unsigned char kAttributeTag = 0xf8;
constexpr unsigned char kDataLength = 0xfa;

// Attributes.
constexpr unsigned char kColorSpace = 3;
constexpr unsigned char kMediaSize = 37;
constexpr unsigned char kMediaSource = 38;
constexpr unsigned char kOrientation = 40;
constexpr unsigned char kCustomMediaSize = 47;
constexpr unsigned char kCustomMediaSizeUnits = 48;
constexpr unsigned char kPoint = 76;
constexpr unsigned char kColorDepth = 98;
constexpr unsigned char kBlockHeight = 99;
constexpr unsigned char kColorMapping = 100;
constexpr unsigned char kCompressMode = 101;
constexpr unsigned char kDestinationSize = 103;
constexpr unsigned char kSourceHeight = 107;
constexpr unsigned char kSourceWidth = 108;
constexpr unsigned char kStartLine = 109;
constexpr unsigned char kDataOrg = 130;
constexpr unsigned char kMeasure = 134;
constexpr unsigned char kSourceType = 136;
constexpr unsigned char kUnitsPerMeasure = 137;
constexpr unsigned char kErrorReport = 143;

// Values of enumerated attributes.
constexpr unsigned char kGray = 1;
constexpr unsigned char kRgb = 2;
constexpr unsigned char kInch = 0;
constexpr unsigned char kBackChannelAndErrorPage = 3;
constexpr unsigned char kBinaryLowByteFirst = 1;
constexpr unsigned char kDefaultSource = 0;
constexpr unsigned char kAutoSelect = 1;
constexpr unsigned char kPortrait = 0;
constexpr unsigned char kDirectPixel = 0;
constexpr unsigned char k8Bit = 2;
constexpr unsigned char kNoCompression = 0;
constexpr unsigned char kRleCompression = 1;

// The sizes the printer application offers, as PCL XL names them, in points.
struct NamedSize {
    unsigned char value;
    double width;
    double height;
};
constexpr NamedSize kNamedSizes[] = {{0, 612, 792}, {1, 612, 1008},       {2, 595.28, 841.89},
                                     {3, 522, 756}, {5, 841.89, 1190.55}, {16, 419.53, 595.28}};

const NamedSize* NamedSizeOf(double width, double height) {
    for (const NamedSize& size : kNamedSizes) {
        if (std::fabs(size.width - width) < 2 && std::fabs(size.height - height) < 2) {
            return &size;
        }
    }
    return nullptr;
}

// Rows of image data are padded to a multiple of four bytes.
std::size_t Padded(std::size_t bytes) {
    return (bytes + 3) / 4 * 4;
}

// The length of the run of equal bytes at `at`, at most 128.
std::size_t RunAt(const unsigned char* bytes, std::size_t count, std::size_t at) {
    std::size_t run = 1;
    while (at + run < count && run < 128 && bytes[at + run] == bytes[at]) {
        ++run;
    }
    return run;
}
}  // namespace

PclXlRasterWriter::PclXlRasterWriter(unsigned xResolution, unsigned yResolution) {
    if (xResolution == 0 || yResolution == 0 || xResolution > 0xffff || yResolution > 0xffff) {
        throw std::invalid_argument("PCL XL cannot carry the raster's resolution");
    }
    output.append(kStreamHeader);
    Uint16Pair(xResolution, yResolution, kUnitsPerMeasure);
    Ubyte(kInch, kMeasure);
    Ubyte(kBackChannelAndErrorPage, kErrorReport);
    output.push_back(static_cast<char>(kBeginSession));
    Ubyte(kDefaultSource, kSourceType);
    Ubyte(kBinaryLowByteFirst, kDataOrg);
    output.push_back(static_cast<char>(kOpenDataSource));
}

void PclXlRasterWriter::StartPage(const Page& next) {
    if (inPage || ended) {
        throw std::logic_error("a PCL XL page began inside a page or after the session");
    }
    if (next.width == 0 || next.height == 0 || next.width > 0xffff || next.height > 0xffff) {
        throw std::invalid_argument("PCL XL cannot carry a raster page of that size");
    }
    page = next;
    rowBytes = std::size_t{page.width} * (page.rgb ? 3 : 1);
    paddedRowBytes = Padded(rowBytes);
    rowsWritten = bandStart = 0;
    band.clear();
    Ubyte(kPortrait, kOrientation);
    if (const NamedSize* size = NamedSizeOf(page.widthPoints, page.heightPoints)) {
        Ubyte(size->value, kMediaSize);
    } else {
        output.push_back(static_cast<char>(kReal32Xy));
        for (const double points : {page.widthPoints, page.heightPoints}) {
            const float inches = static_cast<float>(points / 72);
            std::uint32_t bits = 0;
            std::memcpy(&bits, &inches, sizeof bits);
            Little(bits, 4);
        }
        Attribute(kCustomMediaSize);
        Ubyte(kInch, kCustomMediaSizeUnits);
    }
    Ubyte(kAutoSelect, kMediaSource);
    output.push_back(static_cast<char>(kBeginPage));
    Ubyte(page.rgb ? kRgb : kGray, kColorSpace);
    output.push_back(static_cast<char>(kSetColorSpace));
    output.push_back(static_cast<char>(kSint16Xy));
    Little(0, 2);
    Little(0, 2);
    Attribute(kPoint);
    output.push_back(static_cast<char>(kSetCursor));
    Ubyte(kDirectPixel, kColorMapping);
    Ubyte(k8Bit, kColorDepth);
    Uint16(page.width, kSourceWidth);
    Uint16(page.height, kSourceHeight);
    Uint16Pair(page.width, page.height, kDestinationSize);
    output.push_back(static_cast<char>(kBeginImage));
    inPage = true;
}

void PclXlRasterWriter::WriteLine(const unsigned char* row) {
    if (!inPage || rowsWritten == page.height) {
        throw std::logic_error("a raster row outside a PCL XL page");
    }
    band.append(reinterpret_cast<const char*>(row), rowBytes);
    band.append(paddedRowBytes - rowBytes, '\0');
    if (++rowsWritten - bandStart == kBandRows) {
        SendBand();
    }
}

void PclXlRasterWriter::EndPage() {
    if (!inPage) {
        throw std::logic_error("a PCL XL page ended that had not begun");
    }
    const std::string white(rowBytes, '\xff');
    while (rowsWritten < page.height) {
        WriteLine(reinterpret_cast<const unsigned char*>(white.data()));
    }
    SendBand();
    output.push_back(static_cast<char>(kEndImage));
    output.push_back(static_cast<char>(kEndPage));
    inPage = false;
}

void PclXlRasterWriter::End() {
    if (inPage || ended) {
        throw std::logic_error("the PCL XL session ended inside a page or twice");
    }
    output.push_back(static_cast<char>(kCloseDataSource));
    output.push_back(static_cast<char>(kEndSession));
    ended = true;
}

// The band holds the padded rows from bandStart to rowsWritten; it is empty on exit. A printer
// takes a ReadImage's data as one block, so a band goes in one, compressed only where that
// makes it smaller.
void PclXlRasterWriter::SendBand() {
    if (band.empty()) {
        return;
    }
    packed.clear();
    RunLengthEncode(reinterpret_cast<const unsigned char*>(band.data()), band.size(), packed);
    const bool compressed = packed.size() < band.size();
    Uint16(bandStart, kStartLine);
    Uint16(rowsWritten - bandStart, kBlockHeight);
    Ubyte(compressed ? kRleCompression : kNoCompression, kCompressMode);
    output.push_back(static_cast<char>(kReadImage));
    const std::string& data = compressed ? packed : band;
    output.push_back(static_cast<char>(kDataLength));
    Little(data.size(), 4);
    output.append(data);
    band.clear();
    bandStart = rowsWritten;
}

void PclXlRasterWriter::RunLengthEncode(const unsigned char* bytes, std::size_t count,
                                        std::string& out) {
    std::size_t at = 0;
    while (at < count) {
        const std::size_t run = RunAt(bytes, count, at);
        if (run >= 3) {
            out.push_back(static_cast<char>(257 - run));
            out.push_back(static_cast<char>(bytes[at]));
            at += run;
            continue;
        }
        // Bytes as they stand, up to the next run worth repeating.
        std::size_t end = at + run;
        while (end < count && end - at < 128 && RunAt(bytes, count, end) < 3) {
            ++end;
        }
        end = std::min(end, at + 128);
        out.push_back(static_cast<char>(end - at - 1));
        out.append(reinterpret_cast<const char*>(bytes + at), end - at);
        at = end;
    }
}

void PclXlRasterWriter::Attribute(unsigned char id) {
    output.push_back(static_cast<char>(kAttributeTag));
    output.push_back(static_cast<char>(id));
}

void PclXlRasterWriter::Ubyte(unsigned char value, unsigned char id) {
    output.push_back(static_cast<char>(kUbyte));
    output.push_back(static_cast<char>(value));
    Attribute(id);
}

void PclXlRasterWriter::Uint16(unsigned value, unsigned char id) {
    output.push_back(static_cast<char>(kUint16));
    Little(value, 2);
    Attribute(id);
}

void PclXlRasterWriter::Uint16Pair(unsigned x, unsigned y, unsigned char id) {
    output.push_back(static_cast<char>(kUint16Xy));
    Little(x, 2);
    Little(y, 2);
    Attribute(id);
}

void PclXlRasterWriter::Little(unsigned long value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        output.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}
