// The surface rows of every instruction-set level this machine runs, bit for bit
// against the reference rows, in each pixel form: every source channel against every
// destination channel at every alpha, and rows of every length with mixed pixels.
#include "DisplayFixture.h"
#include "display/SurfaceRows.h"

#include <random>

#include <sys/mman.h>
#include <unistd.h>

using namespace Lumo;
using Surface::Form;
using Surface::RowParams;
using Surface::Rows;

namespace
{

struct FormCase
{
    Form form;
    int bits;
    bool green6;
};

const FormCase kForms[] = {{Form::Rgb888, 32, true}, {Form::Rgb565, 16, true}, {Form::Rgb555, 16, false}};

// The rows a test compares: each gets the same destination and source.
using RowOf = Surface::Row Rows::*;
const RowOf kSourceRows[] = {&Rows::mCopy, &Rows::mKeyCopy, &Rows::mOver,
                             &Rows::mTint, &Rows::mAdd,     &Rows::mAddTint};
const RowOf kFillRows[] = {&Rows::mFill, &Rows::mBlendFill, &Rows::mAddFill};

class SurfaceRowsTest : public DisplayTest, public ::testing::WithParamInterface<FormCase>
{
protected:
    void SetUp() override
    {
        PlatformTest::SetDirectDraw565(GetParam().green6);
        Windowed(GetParam().bits);
        desc.ddpfPixelFormat.dwRGBBitCount = DWORD(GetParam().bits);
        desc.ddpfPixelFormat.dwRBitMask = DWORD(display->mRedMask);
        desc.ddpfPixelFormat.dwGBitMask = DWORD(display->mGreenMask);
        desc.ddpfPixelFormat.dwBBitMask = DWORD(display->mBlueMask);
        desc.dwWidth = desc.dwHeight = 1;
        desc.lpSurface = &desc; // any row: the rows get theirs as arguments
    }

    Surface::Target Target() const { return Surface::Target(desc, *display); }
    bool Wide() const { return GetParam().bits == 32; }

    // The largest value of channel c (red first) and its shift.
    uint32_t Max(int c) const { return Target().mMask[c] >> Target().mShift[c]; }

    // A pixel of the form with these channel values (each cut to its channel).
    uint32_t Pixel(uint32_t r, uint32_t g, uint32_t b) const
    {
        Surface::Target t = Target();
        uint32_t v[3] = {r, g, b}, out = 0;
        for (int c = 0; c < 3; c++)
            out |= (v[c] & Max(c)) << t.mShift[c];
        return out;
    }

    // Runs `row` of the reference and of every level on the same pixels, `rows` rows of
    // d.size() / rows, `gap` pixels apart; the destinations must agree, and nothing outside
    // the rows may change.
    void Compare(RowOf row, const std::vector<uint32_t>& d, const std::vector<uint32_t>& s, RowParams p,
                 const char* what, int rows = 1, int gap = 2)
    {
        p.mSourcePitch = long(s.size()) / rows;
        std::vector<uint32_t> expected = Run(Surface::Reference::kRows.*row, d, s, p, rows, gap);
        for (Cpu::Level level : Cpu::Runnable())
        {
            const Rows& rowsOfLevel = Surface::RowsFor(GetParam().form, level);
            if (&rowsOfLevel == &Surface::Reference::kRows)
                continue; // the scalar level draws with the reference itself
            std::vector<uint32_t> actual = Run(rowsOfLevel.*row, d, s, p, rows, gap);
            ASSERT_EQ(expected, actual) << what << " at " << Cpu::Name(level);
        }
    }

    // The row over d at the form's depth, with guard pixels before, between and after the
    // rows, widened back.
    std::vector<uint32_t> Run(Surface::Row row, const std::vector<uint32_t>& d,
                              const std::vector<uint32_t>& s, const RowParams& p, int rows, int gap)
    {
        int n = int(d.size()) / rows, stride = n + gap;
        std::vector<uint32_t> wide(size_t(stride * rows + 2), 0xA5A5A5A5);
        for (int j = 0; j < rows; j++)
            std::copy_n(d.begin() + j * n, n, wide.begin() + j * stride + 1);
        desc.lPitch = stride * GetParam().bits / 8;
        if (Wide())
        {
            row(Target(), wide.data() + 1, s.empty() ? nullptr : s.data(), n, rows, p);
            return wide;
        }
        std::vector<uint16_t> narrow(wide.begin(), wide.end());
        row(Target(), narrow.data() + 1, s.empty() ? nullptr : s.data(), n, rows, p);
        return std::vector<uint32_t>(narrow.begin(), narrow.end());
    }

    DDSURFACEDESC desc{};
};

// The alphas the tests run through: every one, or under the sanitizers, where the
// reference rows alone would take minutes, the ends and the middle.
std::vector<uint32_t> Alphas()
{
#if defined(LUMO_DEBUG)
    return {0, 1, 128, 254, 255};
#else
    std::vector<uint32_t> alphas;
    for (uint32_t a = 0; a <= 255; a++)
        alphas.push_back(a);
    return alphas;
#endif
}

const char* Name(RowOf row)
{
    const RowOf all[] = {&Rows::mFill, &Rows::mBlendFill, &Rows::mAddFill, &Rows::mCopy,   &Rows::mKeyCopy,
                         &Rows::mOver, &Rows::mTint,      &Rows::mAdd,     &Rows::mAddTint};
    const char* names[] = {"Fill", "BlendFill", "AddFill", "Copy",   "KeyCopy",
                           "Over", "Tint",      "Add",     "AddTint"};
    for (size_t i = 0; i < std::size(all); i++)
        if (all[i] == row)
            return names[i];
    return "?";
}

// Bytes that end where an unreadable page begins: reading past them faults, even with
// the gathers, which the address sanitizer does not see.
class FencedBytes
{
public:
    explicit FencedBytes(size_t n)
    {
        mPage = size_t(sysconf(_SC_PAGESIZE));
        mSize = (n + mPage - 1) / mPage * mPage + mPage;
        void* base = mmap(nullptr, mSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        mBase = base != MAP_FAILED ? static_cast<uint8_t*>(base) : nullptr;
        if (mBase != nullptr && mprotect(mBase + mSize - mPage, mPage, PROT_NONE) != 0)
            Release();
        mData = mBase != nullptr ? mBase + mSize - mPage - n : nullptr;
    }
    FencedBytes(const FencedBytes&) = delete;
    FencedBytes& operator=(const FencedBytes&) = delete;
    ~FencedBytes() { Release(); }
    uint8_t* Data() const { return mData; }

private:
    void Release()
    {
        if (mBase != nullptr)
            munmap(mBase, mSize);
        mBase = mData = nullptr;
    }

    size_t mPage = 0, mSize = 0;
    uint8_t* mBase = nullptr;
    uint8_t* mData = nullptr;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Forms, SurfaceRowsTest, ::testing::ValuesIn(kForms),
                         [](const auto& info)
                         {
                             return std::string(info.param.form == Form::Rgb888   ? "Rgb888"
                                                : info.param.form == Form::Rgb565 ? "Rgb565"
                                                                                  : "Rgb555");
                         });

TEST_P(SurfaceRowsTest, TheFormIsRecognised)
{
    EXPECT_EQ(Surface::FormOf(Target()), GetParam().form);
    // A form of no other layout draws through the reference rows at every level.
    Surface::Target odd = Target();
    odd.mMask[0] = 0x3F;
    EXPECT_EQ(Surface::FormOf(odd), Form::Other);
    EXPECT_EQ(&Surface::RowsFor(Form::Other, Cpu::Supported()), &Surface::Reference::kRows);
}

TEST_P(SurfaceRowsTest, EverySourceChannelOverEveryDestinationChannelAtEveryAlpha)
{
    // One row per source alpha holds every pair of source and destination values of each
    // channel (green and blue walked in other orders), so every triple of alpha, source
    // channel and destination channel meets in every channel.
    const uint32_t levels = Wide() ? 256 : 64;
    std::vector<uint32_t> d(levels * levels), s(levels * levels);
    for (uint32_t a : Alphas())
    {
        for (uint32_t sc = 0; sc < levels; sc++)
            for (uint32_t dc = 0; dc < levels; dc++)
            {
                size_t i = sc * levels + dc;
                // A 32-bit surface may keep junk above its colour; native pixels of 16-bit forms do.
                d[i] = Pixel(dc, levels - 1 - dc, dc * 5 + 3) | (Wide() ? (dc & 3) << 24 : 0);
                s[i] = a << 24 | Pixel(sc, levels - 1 - sc, sc * 7 + 1) | (Wide() ? 0 : (dc & 7) << 16);
            }
        RowParams p;
        p.mMod[0] = a ^ 0x5A;
        p.mMod[1] = 255 - a;
        p.mMod[2] = a;
        p.mAlpha = 255 - a;
        for (RowOf row : kSourceRows)
        {
            Compare(row, d, s, p, Name(row));
            if (HasFatalFailure())
                return;
        }
        // The opaque colour has a road of its own.
        p.mAlpha = 255;
        Compare(&Rows::mTint, d, s, p, "Tint");
        if (HasFatalFailure())
            return;
    }
}

TEST_P(SurfaceRowsTest, EverySourceAlphaUnderEveryColourAlpha)
{
    // The tint's weight comes from the source's and the colour's alpha together.
    const uint32_t levels = Wide() ? 256 : 64;
    std::vector<uint32_t> d(256 * levels), s(256 * levels);
    for (uint32_t a = 0; a < 256; a++)
        for (uint32_t sc = 0; sc < levels; sc++)
        {
            size_t i = a * levels + sc;
            d[i] = Pixel(sc * 3 + a, a, levels - 1 - sc);
            s[i] = a << 24 | Pixel(sc, sc ^ a, a);
        }
    for (uint32_t ca : Alphas())
    {
        RowParams p;
        p.mMod[0] = 255 - ca;
        p.mMod[1] = ca;
        p.mMod[2] = ca ^ 0xA5;
        p.mAlpha = ca;
        Compare(&Rows::mTint, d, s, p, "Tint");
        if (HasFatalFailure())
            return;
    }
}

TEST_P(SurfaceRowsTest, FillsOverEveryDestinationChannel)
{
    // Every alpha over every destination value of each channel, under colours whose
    // channels run through every value; every amount added to every destination value.
    const uint32_t levels = Wide() ? 256 : 64;
    std::vector<uint32_t> d(256 * levels);
    for (uint32_t c = 0; c < 256; c++)
        for (uint32_t dc = 0; dc < levels; dc++)
            d[c * levels + dc] = Pixel(dc, levels - 1 - dc, dc * 5 + 3 + c);
    Surface::Target t = Target();
    for (uint32_t a : Alphas())
    {
        RowParams p;
        p.mInv = 256 - a;
        for (uint32_t c : {0u, 255u, a, 255 - a, a ^ 0x5A})
        {
            uint32_t colour[3] = {c, 255 - c, c ^ 0x5A};
            p.mValue = 0;
            for (int k = 0; k < 3; k++)
            {
                uint64_t m = t.mMask[k];
                p.mValue +=
                    uint32_t(((((uint64_t(colour[k]) * a + (Wide() ? 0x7F : 0x80)) >> 8) + 1) * m) >> 8) &
                    t.mMask[k];
            }
            Compare(&Rows::mBlendFill, d, {}, p, "BlendFill");
            Compare(&Rows::mFill, d, {}, p, "Fill");
            // Rows that follow each other are filled as one.
            Compare(&Rows::mFill, d, {}, p, "Fill", 4, 0);
        }
        for (int k = 0; k < 3; k++)
            p.mAmount[k] = (a >> (8 - t.mBits[k])) ^ (k == 1 ? Max(1) : 0);
        Compare(&Rows::mAddFill, d, {}, p, "AddFill");
        if (HasFatalFailure())
            return;
    }
}

TEST_P(SurfaceRowsTest, RowsOfEveryLengthWithMixedPixels)
{
    // Short rows end inside a vector; clear, opaque and partial pixels mix in one vector
    // or fill it, for the skips and copies of whole vectors. Two rows at a time, apart or
    // following each other.
    std::mt19937 random(uint32_t(GetParam().bits * 3 + GetParam().green6));
    for (int trial = 0; trial < 3000; trial++)
    {
        int n = 2 * (trial % 70);
        int kind = trial % 4; // mixed, all clear, all opaque, partial only
        std::vector<uint32_t> d(static_cast<size_t>(n)), s(static_cast<size_t>(n));
        for (int i = 0; i < n; i++)
        {
            d[size_t(i)] = random() & (Wide() ? 0xFFFFFFFF : 0xFFFF);
            uint32_t pick = random() % 3, a = kind == 1   ? 0
                                              : kind == 2 ? 255
                                              : kind == 3 ? 1 + random() % 254
                                              : pick == 0 ? 0
                                              : pick == 1 ? 255
                                                          : random() % 256;
            s[size_t(i)] = a << 24 | (random() % 5 == 0 ? 0 : random() & 0xFFFFFF);
        }
        RowParams p;
        p.mValue = random();
        p.mInv = 1 + random() % 256;
        for (int c = 0; c < 3; c++)
        {
            p.mMod[c] = random() % 256;
            p.mAmount[c] = random() % (Max(c) + 1);
        }
        p.mAlpha = trial % 3 == 0 ? 255 : random() % 256;
        p.mSkipBlack = trial % 2 == 0;
        // Some rows follow each other: drawn as one.
        int gap = trial % 3 == 0 ? 0 : 2;
        for (RowOf row : kSourceRows)
            Compare(row, d, s, p, Name(row), 2, gap);
        for (RowOf row : kFillRows)
            Compare(row, d, {}, p, Name(row), 2, gap);
        if (HasFatalFailure())
            return;
    }
}

TEST_P(SurfaceRowsTest, GathersOfColumnsWithAndWithoutAPalette)
{
    std::mt19937 random(5);
    std::vector<uint32_t> table(256);
    for (uint32_t& p : table)
        p = random();
    for (int trial = 0; trial < 400; trial++)
    {
        int width = 1 + trial % 37, n = trial % 71;
        bool padded = trial % 2 == 0;
        std::vector<uint32_t> row(static_cast<size_t>(width));
        for (uint32_t& p : row)
            p = random();
        // Exactly the indices a picture has, or three more for the wide reads, up against a
        // page that cannot be read.
        size_t count = size_t(width + (padded ? 3 : 0));
        FencedBytes fenced(count);
        ASSERT_NE(fenced.Data(), nullptr);
        uint8_t* indices = fenced.Data();
        for (size_t i = 0; i < count; i++)
            indices[i] = uint8_t(random());
        std::vector<int> columns(static_cast<size_t>(n));
        for (int k = 0; k < n; k++)
            columns[size_t(k)] =
                trial % 3 == 0 ? (n - 1 - k) * width / std::max(n, 1) : int(random() % width);
        for (bool palette : {false, true})
        {
            const uint32_t* native = palette ? table.data() : row.data();
            const uint8_t* through = palette ? indices : nullptr;
            std::vector<uint32_t> expected(static_cast<size_t>(n) + 1, 7);
            Surface::Reference::kRows.mGather(expected.data(), native, through, columns.data(), n, padded);
            for (Cpu::Level level : Cpu::Runnable())
            {
                std::vector<uint32_t> actual(static_cast<size_t>(n) + 1, 7);
                Surface::RowsFor(GetParam().form, level)
                    .mGather(actual.data(), native, through, columns.data(), n, padded);
                ASSERT_EQ(expected, actual)
                    << Cpu::Name(level) << " trial " << trial << " palette " << palette;
            }
        }
    }
}

TEST_P(SurfaceRowsTest, PicksOfEveryStepthPixelOrIndexReadNothingPastThePicture)
{
    std::mt19937 random(6);
    std::vector<uint32_t> table(256);
    for (uint32_t& p : table)
        p = random();
    for (int trial = 0; trial < 900; trial++)
    {
        int step = 1 + trial % 19, n = trial % 73, rows = 1 + trial % 3;
        bool palette = trial % 4 == 1;
        // Rows of a picture that ends with the last pixel or index taken, or a little further,
        // up against a page that cannot be read; the second row again as often as not;
        // palettes of every size the registers may hold, and more.
        std::vector<size_t> starts;
        for (int r = 0; r < rows; r++)
            starts.push_back(r == 2 && trial % 2 == 0 ? starts[1] : size_t(r * (n * step + trial % 5)));
        size_t size = starts.back() + (n > 0 ? size_t(n - 1) * size_t(step) + 1 : 0) +
                      size_t(trial / 7 % 3 * (trial % 23));
        int used = 1 + int(random() % 256);
        FencedBytes fenced(size * (palette ? 1 : sizeof(uint32_t)));
        ASSERT_NE(fenced.Data(), nullptr);
        auto* pixels = reinterpret_cast<uint32_t*>(fenced.Data());
        for (size_t i = 0; i < size; i++)
        {
            if (palette)
                fenced.Data()[i] = uint8_t(random() % uint32_t(used));
            else
                pixels[i] = uint32_t(random());
        }
        Surface::PickSource from{palette ? table.data() : pixels, palette ? fenced.Data() : nullptr, used,
                                 size};
        std::vector<uint32_t> expected(static_cast<size_t>(n * rows) + 1, 7);
        Surface::Reference::kRows.mPick(expected.data(), from, starts.data(), rows, step, n);
        for (Cpu::Level level : Cpu::Runnable())
        {
            std::vector<uint32_t> actual(static_cast<size_t>(n * rows) + 1, 7);
            Surface::RowsFor(GetParam().form, level).mPick(actual.data(), from, starts.data(), rows, step, n);
            ASSERT_EQ(expected, actual) << Cpu::Name(level) << " step " << step << " n " << n << " palette "
                                        << palette << " of " << used;
        }
    }
}
