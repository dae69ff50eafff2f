// The PostScript or PCL XL a raster job becomes.
#include "host/printerapp/PrinterAppRaster.h"

#include <zlib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "host/job/ClientText.h"
#include "host/printerapp/PclXlRasterWriter.h"
#include "host/printerapp/PrinterAppConversion.h"
#include "host/printerapp/PrinterAppDrivers.h"
#include "host/printerapp/PrinterAppJob.h"

namespace {
// One job's spool file and the page being compressed into it.
struct RasterDocument {
    std::FILE* file = nullptr;
    std::string path;
    z_stream deflate{};
    bool compressing = false;
    unsigned pages = 0;
    bool failed = false;
    // PAPPL prints a JPEG or PNG image once for each copy; PWG and Apple raster come as they are.
    bool copiesMade = false;
    // For a PCL XL printer: the job as PCL XL, made once the first page gives the resolution.
    bool pclXl = false;
    std::optional<PclXlRasterWriter> writer;
    // Why the job failed, where that is more than a failed write; the first reason stands.
    std::string failure;
    // A page in black's values (0 white) goes to PCL XL's gray (0 black) through `line`.
    bool inverted = false;
    std::string line;

    ~RasterDocument() {
        if (compressing) {
            deflateEnd(&deflate);
        }
        if (file != nullptr) {
            std::fclose(file);
        }
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }

    // Compresses `count` bytes (none with `finish`, which ends the page's stream) into the file.
    void Compress(const unsigned char* bytes, std::size_t count, bool finish) {
        unsigned char out[65536];
        deflate.next_in = const_cast<unsigned char*>(bytes);
        deflate.avail_in = static_cast<uInt>(count);
        int result = Z_OK;
        do {
            deflate.next_out = out;
            deflate.avail_out = sizeof out;
            result = ::deflate(&deflate, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) {
                Fail("the raster page cannot be compressed");
            }
            Put(out, sizeof out - deflate.avail_out);
        } while (!failed && (deflate.avail_out == 0 || (finish && result != Z_STREAM_END)));
    }

    void Fail(const std::string& reason) {
        if (failure.empty()) {
            failure = reason;
        }
        failed = true;
    }

    // Writes `count` bytes into the spool file; a write that fails (a full file system, a file
    // too large) fails the job with the system's reason.
    void Put(const void* bytes, std::size_t count) {
        if (!failed && std::fwrite(bytes, 1, count, file) != count) {
            FailWrite();
        }
    }
    void FailWrite() {
        Fail(std::string("the raster job's spool file cannot be written: ") + std::strerror(errno));
    }
    void Put(const std::string& text) { Put(text.data(), text.size()); }

    // Runs `step` on the PCL XL writer and moves what it made into the file; a step the writer
    // refuses fails the job with its reason.
    template <typename Step>
    bool Write(Step&& step) {
        try {
            step(*writer);
        } catch (const std::exception& refused) {
            Fail(std::string("the raster page cannot be made PCL XL: ") + refused.what());
            return false;
        }
        std::string& made = writer->Output();
        Put(made);
        made.clear();
        return !failed;
    }
};

RasterDocument* DocumentOf(pappl_job_t* job) {
    return static_cast<RasterDocument*>(papplJobGetData(job));
}

// Whether the document is still sound; a failed one gives the job its reason as the message.
bool Succeeded(pappl_job_t* job, const RasterDocument& document) {
    if (document.failed) {
        papplJobSetMessage(
            job, "%s",
            document.failure.empty() ? "the raster job failed" : document.failure.c_str());
    }
    return !document.failed;
}

// The raster's colours as PostScript takes them: the colour space and the Decode of a sample.
struct Colours {
    const char* space;
    const char* decode;
};

// printf's text as a string, for the spool file's PostScript.
std::string Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printed(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

// The job's header: its name (any IPP client's text) in %%Title as one line of its own.
std::string PostScriptHeader(const char* jobName) {
    return PrinterAppConversion::PjlHeader("POSTSCRIPT") +
           "%!PS-Adobe-3.0\n%%Creator: cv-printer-app\n%%Title: " +
           ClientText::DscCommentText(jobName != nullptr ? jobName : "raster job") +
           "\n%%Pages: (atend)\n%%LanguageLevel: 3\n%%EndComments\n"
           "%%BeginProlog\n%%EndProlog\n%%BeginSetup\n%%EndSetup\n";
}

Colours ColoursOf(const cups_page_header2_t& header) {
    if (header.cupsBitsPerPixel == 24) {
        return {"/DeviceRGB", "[0 1 0 1 0 1]"};
    }
    return {"/DeviceGray", header.cupsColorSpace == CUPS_CSPACE_K ? "[1 0]" : "[0 1]"};
}
}  // namespace

bool PrinterAppRaster::StartJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
    auto document = std::make_unique<RasterDocument>();
    const PrinterAppDrivers::Driver* driver =
        PrinterAppDrivers::Find(papplPrinterGetDriverName(papplJobGetPrinter(job)));
    document->pclXl = driver != nullptr && driver->jobControl == CupsJobOptions::Language::PclXl;
    char name[1024];
    const int descriptor =
        papplJobOpenFile(job, name, sizeof name, nullptr, document->pclXl ? "pxl" : "ps", "w");
    if (descriptor < 0 || (document->file = fdopen(descriptor, "wb")) == nullptr) {
        papplJobSetMessage(job, "the raster job's spool file cannot be made");
        return false;
    }
    document->path = name;
    const char* format = papplJobGetFormat(job);
    document->copiesMade = format != nullptr && (std::string(format) == "image/jpeg" ||
                                                 std::string(format) == "image/png");
    document->Put(document->pclXl ? PrinterAppConversion::PjlHeader("PCLXL")
                                  : PostScriptHeader(papplJobGetName(job)));
    if (document->failed) {
        papplJobSetMessage(job, "%s", document->failure.c_str());
        return false;
    }
    papplJobSetData(job, document.release());
    return true;
}

namespace {
// A page of a PCL XL job; the session opens with the first page, at its resolution.
bool StartPclXlPage(pappl_job_t* job, RasterDocument& document, const cups_page_header2_t& header) {
    const unsigned x = header.HWResolution[0];
    const unsigned y = header.HWResolution[1];
    try {
        if (!document.writer) {
            document.writer.emplace(x, y);
        }
    } catch (const std::exception& refused) {
        document.Fail(std::string("the raster job cannot be made PCL XL: ") + refused.what());
    }
    document.inverted = header.cupsColorSpace == CUPS_CSPACE_K;
    PclXlRasterWriter::Page page;
    page.width = header.cupsWidth;
    page.height = header.cupsHeight;
    page.rgb = header.cupsBitsPerPixel == 24;
    page.widthPoints = 72.0 * header.cupsWidth / (x != 0 ? x : 1);
    page.heightPoints = 72.0 * header.cupsHeight / (y != 0 ? y : 1);
    const bool started = !document.failed &&
                         document.Write([&](PclXlRasterWriter& writer) { writer.StartPage(page); });
    if (!started) {
        papplJobSetMessage(job, "%s", document.failure.c_str());
    }
    return started;
}
}  // namespace

bool PrinterAppRaster::StartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*,
                                 unsigned) {
    RasterDocument* document = DocumentOf(job);
    const cups_page_header2_t& header = options->header;
    // Both languages take the page as one image of 8-bit samples.
    if (header.cupsBitsPerPixel != 8 && header.cupsBitsPerPixel != 24) {
        document->Fail("the raster page's pixels are neither 8-bit gray nor 8-bit RGB");
        papplJobSetMessage(job, "%s", document->failure.c_str());
        return false;
    }
    if (document->pclXl) {
        ++document->pages;
        return StartPclXlPage(job, *document, header);
    }
    const Colours colours = ColoursOf(header);
    ++document->pages;
    const double width = 72.0 * header.cupsWidth / header.HWResolution[0];
    const double height = 72.0 * header.cupsHeight / header.HWResolution[1];
    // The filter puts the job's page features in place of the page setup section, so the page's
    // own size comes after it.
    document->Put(Printed(
        "%%%%Page: %u %u\n%%%%BeginPageSetup\n%%%%EndPageSetup\n"
        "<< /PageSize [%.2f %.2f] >> setpagedevice\ngsave\n%.2f %.2f scale\n%s setcolorspace\n"
        "<< /ImageType 1 /Width %u /Height %u /BitsPerComponent 8 /Decode %s\n"
        "   /ImageMatrix [%u 0 0 -%u 0 %u] /DataSource currentfile /FlateDecode filter "
        ">> image\n",
        document->pages, document->pages, width, height, width, height, colours.space,
        header.cupsWidth, header.cupsHeight, colours.decode, header.cupsWidth, header.cupsHeight,
        header.cupsHeight));
    document->compressing = deflateInit(&document->deflate, Z_DEFAULT_COMPRESSION) == Z_OK;
    if (!document->compressing) {
        document->Fail("the raster page cannot be compressed");
    }
    return Succeeded(job, *document);
}

bool PrinterAppRaster::WriteLine(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*,
                                 unsigned, const unsigned char* line) {
    RasterDocument* document = DocumentOf(job);
    if (document->pclXl && document->inverted) {
        document->line.assign(reinterpret_cast<const char*>(line),
                              options->header.cupsBytesPerLine);
        for (char& value : document->line) {
            value = static_cast<char>(255 - static_cast<unsigned char>(value));
        }
        line = reinterpret_cast<const unsigned char*>(document->line.data());
    }
    if (document->pclXl) {
        return document->Write([&](PclXlRasterWriter& writer) { writer.WriteLine(line); });
    }
    document->Compress(line, options->header.cupsBytesPerLine, false);
    return Succeeded(job, *document);
}

bool PrinterAppRaster::EndPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned) {
    RasterDocument* document = DocumentOf(job);
    if (document->pclXl) {
        return document->Write([](PclXlRasterWriter& writer) { writer.EndPage(); });
    }
    document->Compress(nullptr, 0, true);
    deflateEnd(&document->deflate);
    document->compressing = false;
    document->Put("\ngrestore\nshowpage\n");
    return Succeeded(job, *document);
}

bool PrinterAppRaster::EndJob(pappl_job_t* job, pappl_pr_options_t* options,
                              pappl_device_t* device) {
    std::unique_ptr<RasterDocument> document(DocumentOf(job));
    papplJobSetData(job, nullptr);
    // PAPPL ends a job whose start was refused too: its reason is the job's message already.
    if (!document) {
        return false;
    }
    if (document->pclXl) {
        if (document->writer && !document->failed) {
            document->Write([](PclXlRasterWriter& writer) { writer.End(); });
        }
        document->Put(PrinterAppConversion::PjlTrailer());
    } else {
        document->Put(Printed("%%%%Trailer\n%%%%Pages: %u\n%%%%EOF\n", document->pages) +
                      PrinterAppConversion::PjlTrailer());
    }
    // The buffered end of the file is written by fclose, which can fail as any write can.
    if (std::fclose(document->file) != 0) {
        document->FailWrite();
    }
    document->file = nullptr;
    if (!Succeeded(job, *document)) {
        return false;
    }
    return PrinterAppJob::PrintFile(
        job, options, device, document->path,
        document->pclXl ? "application/vnd.hp-pclxl" : "application/postscript",
        document->copiesMade);
}
