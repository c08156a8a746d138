// JPEG through libjpeg. Library errors come back by a long jump (JPEGErrorExit);
// what the reader or writer owns sits in a job record that its caller frees.
#include "media/ImageFileIO.h"
#include "media/ImageLib.h"

#include <csetjmp>
#include <memory>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

namespace ImageLib
{
namespace
{
constexpr int kQuality = 80;
// Our own message codes, after the library's.
constexpr int kTooManyScans = 1000;
const char* const kMessages[] = {"JPEG file has more than %d scans", nullptr};

struct JPEGErrorManager
{
    jpeg_error_mgr standard;
    void (*standardEmit)(j_common_ptr, int);
    jmp_buf jump;
};

// The library pads a file that ends early and carries on; here that is a failure.
void JPEGEmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        JPEGErrorExit(cinfo);
    reinterpret_cast<JPEGErrorManager*>(cinfo->err)->standardEmit(cinfo, level);
}

// Called before each row of input is taken: a scan past the limit is refused before it is decoded.
void JPEGLimitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJPEGScans)
        ERREXIT1(cinfo, kTooManyScans, kMaxJPEGScans);
}

void SetErrorHandling(jpeg_common_struct* cinfo, JPEGErrorManager* errors)
{
    cinfo->err = jpeg_std_error(&errors->standard);
    errors->standard.error_exit = JPEGErrorExit;
    errors->standard.addon_message_table = kMessages;
    errors->standard.first_addon_message = kTooManyScans;
    errors->standard.last_addon_message = kTooManyScans;
    errors->standardEmit = errors->standard.emit_message;
    errors->standard.emit_message = JPEGEmitMessage;
}

struct JPEGReadJob
{
    FILE* file = nullptr;
    jpeg_decompress_struct cinfo;
    JPEGErrorManager errors;
    jpeg_progress_mgr progress;
    bool created = false;
    uint32_t* bits = nullptr;
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    bool outOfMemory = false;
};

bool ReadJPEGRows(JPEGReadJob* job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    SetErrorHandling(reinterpret_cast<j_common_ptr>(cinfo), &job->errors);
    if (setjmp(job->errors.jump))
    {
        job->outOfMemory = job->errors.standard.msg_code == JERR_OUT_OF_MEMORY;
        return false;
    }

    jpeg_create_decompress(cinfo);
    job->created = true;
    job->progress.progress_monitor = JPEGLimitScans;
    cinfo->progress = &job->progress;
    jpeg_stdio_src(cinfo, job->file);
    jpeg_read_header(cinfo, TRUE);
    if (!ImageSizeAllowed(cinfo->image_width, cinfo->image_height))
        return false;
    // Four-component (CMYK) files are not read. Refused before the start, which reads every scan
    // of a progressive file.
    jpeg_calc_output_dimensions(cinfo);
    int components = cinfo->output_components;
    if (components != 1 && components != 3)
        return false;
    jpeg_start_decompress(cinfo);
    job->width = cinfo->output_width;
    job->height = cinfo->output_height;
    if (!ImageSizeAllowed(job->width, job->height))
        return false;

    JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              job->width * components, 1);
    // Not cleared: every row is written before the picture is given out, and a file that ends early
    // has the memory of the rows it reached only.
    job->bits = new (std::nothrow) uint32_t[static_cast<size_t>(job->width) * job->height];
    if (!job->bits)
    {
        job->outOfMemory = true;
        return false;
    }
    while (cinfo->output_scanline < job->height)
    {
        uint32_t* out = job->bits + static_cast<size_t>(cinfo->output_scanline) * job->width;
        if (jpeg_read_scanlines(cinfo, row, 1) != 1)
            return false;
        const JSAMPLE* in = row[0];
        for (JDIMENSION x = 0; x < job->width; x++, in += components)
        {
            uint32_t r = in[0];
            uint32_t g = components == 1 ? r : in[1];
            uint32_t b = components == 1 ? r : in[2];
            out[x] = 0xFF000000 | r << 16 | g << 8 | b;
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

struct JPEGWriteJob
{
    FILE* file = nullptr;
    jpeg_compress_struct cinfo;
    JPEGErrorManager errors;
    bool created = false;
    Image* image = nullptr;
};

bool WriteJPEGRows(JPEGWriteJob* job)
{
    j_compress_ptr cinfo = &job->cinfo;
    SetErrorHandling(reinterpret_cast<j_common_ptr>(cinfo), &job->errors);
    if (setjmp(job->errors.jump))
        return false;

    jpeg_create_compress(cinfo);
    job->created = true;
    Image* image = job->image;
    cinfo->image_width = static_cast<JDIMENSION>(image->mWidth);
    cinfo->image_height = static_cast<JDIMENSION>(image->mHeight);
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, kQuality, TRUE);
    cinfo->optimize_coding = TRUE;
    jpeg_stdio_dest(cinfo, job->file);
    jpeg_start_compress(cinfo, TRUE);

    JSAMPARRAY row = cinfo->mem->alloc_sarray(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->image_width * 3, 1);
    for (int y = 0; y < image->mHeight; y++)
    {
        const uint32_t* in = image->mBits + static_cast<size_t>(y) * image->mWidth;
        JSAMPLE* out = row[0];
        for (int x = 0; x < image->mWidth; x++)
        {
            *out++ = static_cast<JSAMPLE>(in[x] >> 16);
            *out++ = static_cast<JSAMPLE>(in[x] >> 8);
            *out++ = static_cast<JSAMPLE>(in[x]);
        }
        jpeg_write_scanlines(cinfo, row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}
} // namespace

void JPEGErrorExit(jpeg_common_struct* cinfo)
{
    cinfo->err->output_message(cinfo);
    std::longjmp(reinterpret_cast<JPEGErrorManager*>(cinfo->err)->jump, 1);
}

Image* GetJPEGImage(const std::string& fileName)
{
    JPEGReadJob job;
    job.file = OpenImageFile(fileName, "rb");
    if (!job.file)
        return nullptr;
    bool read = ReadJPEGRows(&job);
    if (job.created)
        jpeg_destroy_decompress(&job.cinfo);
    std::fclose(job.file);
    std::unique_ptr<uint32_t[]> bits(job.bits);
    if (job.outOfMemory)
        throw std::bad_alloc();
    return read ? AdoptPixels(bits.release(), job.width, job.height) : nullptr;
}

bool WriteJPEGImage(const std::string& fileName, Image* image)
{
    if (!HasPixels(image))
        return false;
    JPEGWriteJob job;
    job.image = image;
    job.file = OpenImageFile(fileName, "wb");
    if (!job.file)
        return false;
    bool written = WriteJPEGRows(&job);
    if (job.created)
        jpeg_destroy_compress(&job.cinfo);
    if (std::fclose(job.file) != 0)
        written = false;
    return written;
}
} // namespace ImageLib
