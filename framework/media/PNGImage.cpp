// PNG through libpng. libpng reports errors by a long jump, so each reader and
// writer keeps what it owns in a job record that its caller frees on every path.
#include "media/ImageFileIO.h"
#include "media/ImageLib.h"

#include <bit>
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <new>
#include <png.h>

namespace ImageLib
{
static_assert(std::endian::native == std::endian::little, "BGRA bytes are 0xAARRGGBB words");

namespace
{
struct PNGReadJob
{
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint32_t* bits = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool outOfMemory = false; // libpng says "insufficient memory" as it says "bad file"
    // Image data read since the last row was asked for, and how many that row may take.
    bool onLastRow = false;
    size_t lastRowData = 0;
    size_t lastRowDataAllowed = 0;
};

// Image data left after the last row are inflated by libpng (as it reads that row) only to be
// thrown away, at up to 1000 bytes per byte of file: a 4 MB tail took 6 seconds. The last row
// takes at most about its own size compressed, libpng reads ahead a few KB; past twice the row and
// this much the picture is refused.
constexpr size_t kMaxImageDataAfterRows = 64 * 1024;
constexpr png_uint_32 kIDAT = 0x49444154;

void ReadFromFile(png_structp png, png_bytep data, size_t length)
{
    auto* job = static_cast<PNGReadJob*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, job->file) != length)
        png_error(png, "Read Error");
    if (job->onLastRow && (png_get_io_state(png) & PNG_IO_MASK_LOC) == PNG_IO_CHUNK_DATA &&
        png_get_io_chunk_type(png) == kIDAT)
    {
        job->lastRowData += length;
        if (job->lastRowData > job->lastRowDataAllowed)
            png_error(png, "Too much image data");
    }
}

png_voidp AllocateForPNG(png_structp png, png_alloc_size_t size)
{
    void* memory = std::malloc(size);
    if (memory == nullptr)
        static_cast<PNGReadJob*>(png_get_mem_ptr(png))->outOfMemory = true;
    return memory;
}

void FreeForPNG(png_structp, png_voidp memory)
{
    std::free(memory);
}

// Only the job pointer lives across setjmp here; everything else is reached through it.
bool ReadPNGRows(PNGReadJob* job)
{
    if (setjmp(png_jmpbuf(job->png)))
        return false;

    png_set_read_fn(job->png, job, ReadFromFile);
    // Chunks that change no pixel are passed over unread: libpng would otherwise buffer each
    // at the length the file states (a 48-byte file can ask for 800 MB), warning only.
    static const png_byte kPassedOver[] = "iCCP\0sPLT\0tEXt\0zTXt\0iTXt\0eXIf\0pCAL\0sCAL";
    png_set_keep_unknown_chunks(job->png, PNG_HANDLE_CHUNK_NEVER, kPassedOver, int(sizeof(kPassedOver) / 5));
    png_read_info(job->png, job->info);
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(job->png, job->info, &job->width, &job->height, &bitDepth, &colorType, &interlace, nullptr,
                 nullptr);
    if (!ImageSizeAllowed(job->width, job->height))
        return false;
    // The row as stored, with its filter byte.
    job->lastRowDataAllowed = 2 * (png_get_rowbytes(job->png, job->info) + 1) + kMaxImageDataAfterRows;

    // Every pixel arrives as B, G, R, A bytes: one 0xAARRGGBB word.
    png_set_expand(job->png);
    png_set_filler(job->png, 0xFF, PNG_FILLER_AFTER);
    png_set_expand(job->png);
    png_set_gray_to_rgb(job->png);
    png_set_bgr(job->png);
    png_set_strip_16(job->png);
    int passes = png_set_interlace_handling(job->png);
    png_read_update_info(job->png, job->info);
    if (png_get_rowbytes(job->png, job->info) != static_cast<size_t>(job->width) * 4)
        return false;

    size_t count = static_cast<size_t>(job->width) * job->height;
    // Not cleared: every pixel is written before the picture is given out (interlaced ones by the
    // last pass), and a header claiming a big picture over a few bytes of data commits no memory.
    job->bits = new (std::nothrow) uint32_t[count];
    if (!job->bits)
    {
        job->outOfMemory = true;
        return false;
    }
    for (int pass = 0; pass < passes; pass++)
        for (png_uint_32 y = 0; y < job->height; y++)
        {
            job->onLastRow = pass == passes - 1 && y == job->height - 1;
            png_read_row(job->png,
                         reinterpret_cast<png_bytep>(job->bits + y * static_cast<size_t>(job->width)),
                         nullptr);
        }
    png_read_end(job->png, nullptr);
    return true;
}

struct PNGWriteJob
{
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    Image* image = nullptr;
};

bool WritePNGRows(PNGWriteJob* job)
{
    if (setjmp(png_jmpbuf(job->png)))
        return false;

    png_init_io(job->png, job->file);
    png_color_8 significant = {};
    significant.red = significant.green = significant.blue = significant.alpha = 8;
    png_set_sBIT(job->png, job->info, &significant);
    png_set_bgr(job->png);
    Image* image = job->image;
    png_set_IHDR(job->png, job->info, image->mWidth, image->mHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job->png, job->info);
    for (int y = 0; y < image->mHeight; y++)
        png_write_row(job->png, reinterpret_cast<png_const_bytep>(image->mBits +
                                                                  y * static_cast<size_t>(image->mWidth)));
    png_write_end(job->png, job->info);
    return true;
}
} // namespace

Image* GetPNGImage(const std::string& fileName)
{
    PNGReadJob job;
    job.file = OpenImageFile(fileName, "rb");
    if (!job.file)
        return nullptr;
    job.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, &job, AllocateForPNG,
                                       FreeForPNG);
    if (job.png)
        job.info = png_create_info_struct(job.png);
    // Either fails only for want of memory.
    job.outOfMemory = job.info == nullptr;

    bool read = job.info && ReadPNGRows(&job);
    png_destroy_read_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr, nullptr);
    std::fclose(job.file);
    std::unique_ptr<uint32_t[]> bits(job.bits);
    if (job.outOfMemory)
        throw std::bad_alloc();
    return read ? AdoptPixels(bits.release(), job.width, job.height) : nullptr;
}

bool WritePNGImage(const std::string& fileName, Image* image)
{
    if (!HasPixels(image))
        return false;
    PNGWriteJob job;
    job.image = image;
    job.file = OpenImageFile(fileName, "wb");
    if (!job.file)
        return false;
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (job.png)
        job.info = png_create_info_struct(job.png);

    bool written = job.info && WritePNGRows(&job);
    png_destroy_write_struct(job.png ? &job.png : nullptr, job.info ? &job.info : nullptr);
    if (std::fclose(job.file) != 0)
        written = false;
    return written;
}
} // namespace ImageLib
