// Raster pages as a PCL XL printer takes them, written by us: one session (protocol class 2.0,
// low byte first, the raster's resolution as its unit), each page one 8-bit gray or RGB image in
// bands of rows, each band compressed with PCL XL's run-length encoding where that makes it
// smaller. The bytes gather in Output(), which the caller drains as it likes.
#pragma once

#include <cstddef>
#include <string>

class PclXlRasterWriter {
  public:
    struct Page {
        unsigned width = 0;   // pixels of a row
        unsigned height = 0;  // rows
        bool rgb = false;     // three bytes a pixel, else one (0 is black)
        // The sheet, in points: a size PCL XL names is sent by its name, any other as a custom
        // size.
        double widthPoints = 0;
        double heightPoints = 0;
    };

    // The rows of a band: an A4 RGB page at 300 dpi sends 64 rows (476 KB before compression)
    // in each ReadImage.
    static constexpr unsigned kBandRows = 64;

    // Writes the stream header and opens the session at `xResolution` x `yResolution` units an
    // inch. Throws std::invalid_argument for a resolution PCL XL cannot carry.
    PclXlRasterWriter(unsigned xResolution, unsigned yResolution);

    // Begins a page and its image. Throws std::invalid_argument for a page PCL XL cannot carry
    // (empty, or wider or taller than 65,535 pixels) and std::logic_error inside a page.
    void StartPage(const Page& page);
    // One row of the page: width (times three for RGB) bytes. Throws std::logic_error for a row
    // outside a page or past its height.
    void WriteLine(const unsigned char* row);
    // Ends the image and the page; rows not given are white. Throws std::logic_error outside a
    // page.
    void EndPage();
    // Closes the session; nothing may follow. Throws std::logic_error inside a page.
    void End();

    std::string& Output() noexcept { return output; }

    // PCL XL's run-length encoding of `count` bytes appended to `out`: a count byte n below 128
    // for n + 1 bytes as they stand, 257 - n above 128 for the next byte repeated; 128 is never
    // written.
    static void RunLengthEncode(const unsigned char* bytes, std::size_t count, std::string& out);

  private:
    void SendBand();
    void Attribute(unsigned char id);
    void Ubyte(unsigned char value, unsigned char id);
    void Uint16(unsigned value, unsigned char id);
    void Uint16Pair(unsigned x, unsigned y, unsigned char id);
    void Little(unsigned long value, int bytes);

    std::string output;
    std::string band;
    std::string packed;
    Page page;
    bool inPage = false;
    bool ended = false;
    std::size_t rowBytes = 0;
    std::size_t paddedRowBytes = 0;
    unsigned rowsWritten = 0;
    unsigned bandStart = 0;
};
