// Writes the three test-section pictures of the bench schematic,
// rectsection0.bmp .. rectsection2.bmp: the window of a rectangular test
// section with a wedge on its floor and a plane shock, shown as a shadowgraph
// (a dark line with a bright edge), before the wedge, reflecting off it as a
// Mach reflection, and further up the wedge. All geometry is integer, so the
// bytes are the same on every machine.
//
// usage: vorlantic_picgen <outdir>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 140;
constexpr int kHeight = 80;
constexpr int kFrame = 3;       // window frame
constexpr int kFloor = 68;      // first row of the floor
constexpr int kApex = 50;       // wedge apex on the floor
constexpr int kRise = 4;        // wedge surface rises kRise per kRun pixels (about 30 degrees)
constexpr int kRun = 7;
constexpr std::array<int, 3> kShockX = {35, 75, 108};

enum Grey : std::uint8_t {
    kFrameGrey = 60,
    kWallGrey = 95,
    kWedgeGrey = 45,
    kAheadGrey = 215,    // gas at rest ahead of the shock
    kBehindGrey = 190,   // gas behind the incident shock
    kReflectedGrey = 170,
    kShockDark = 25,
    kShockBright = 255,
};

class Picture {
public:
    Picture() : grey_(kWidth * kHeight, 0) {}
    void Set(int x, int y, std::uint8_t g) {
        if (x >= kFrame && x < kWidth - kFrame && y >= kFrame && y < kHeight - kFrame) grey_[y * kWidth + x] = g;
    }
    std::uint8_t At(int x, int y) const { return grey_[y * kWidth + x]; }
    void Fill(int x, int y, std::uint8_t g) { grey_[y * kWidth + x] = g; }

    // 24-bit uncompressed BMP, rows bottom-up.
    bool Write(const std::filesystem::path& file) const {
        const std::uint32_t row = kWidth * 3;  // a multiple of 4: no padding
        const std::uint32_t data = row * kHeight;
        std::vector<std::uint8_t> bytes;
        auto u16 = [&](std::uint32_t v) { bytes.push_back(v & 0xFF), bytes.push_back((v >> 8) & 0xFF); };
        auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
        bytes.push_back('B'), bytes.push_back('M');
        u32(54 + data), u32(0), u32(54);
        u32(40), u32(kWidth), u32(kHeight), u16(1), u16(24), u32(0), u32(data), u32(2835), u32(2835), u32(0), u32(0);
        for (int y = kHeight - 1; y >= 0; --y)
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 3; ++c) bytes.push_back(At(x, y));
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }

private:
    std::vector<std::uint8_t> grey_;
};

// Height of the wedge surface above column x (its first solid row).
int SurfaceRow(int x) { return x < kApex ? kFloor : kFloor - (x - kApex) * kRise / kRun; }

bool InWedgeOrWall(int x, int y) { return y >= SurfaceRow(x); }

int SquaredDistance(int x0, int y0, int x1, int y1) { return (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0); }

int IntSqrt(int v) {
    int r = 0;
    while ((r + 1) * (r + 1) <= v) ++r;
    return r;
}

// A shadowgraph shock segment on column x: dark with a bright edge ahead.
void ShockColumn(Picture& p, int x, int yTop, int yBottom) {
    for (int y = yTop; y < yBottom; ++y) {
        p.Set(x - 1, y, kShockDark);
        p.Set(x, y, kShockDark);
        p.Set(x + 1, y, kShockBright);
    }
}

Picture Draw(int shockX) {
    Picture p;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) p.Fill(x, y, kFrameGrey);

    // Mach reflection once the shock has reached the wedge: triple point above
    // the shock's foot on the surface, reflected shock a circular arc about a
    // point half-way up the wedge's wetted part.
    const bool reflected = shockX > kApex;
    const int footY = SurfaceRow(shockX);
    const int tripleY = footY - (shockX - kApex) / 3;
    const int cx = kApex + (shockX - kApex) / 2;
    const int cy = SurfaceRow(cx);
    const int radius2 = SquaredDistance(cx, cy, shockX, tripleY);
    const int radius = IntSqrt(radius2);

    for (int y = kFrame; y < kHeight - kFrame; ++y)
        for (int x = kFrame; x < kWidth - kFrame; ++x) {
            std::uint8_t g = x < shockX ? kBehindGrey : kAheadGrey;
            if (reflected && x < shockX && SquaredDistance(cx, cy, x, y) < radius2) g = kReflectedGrey;
            if (InWedgeOrWall(x, y)) g = x >= kApex && y < kFloor ? kWedgeGrey : kWallGrey;
            p.Set(x, y, g);
        }

    if (!reflected) {
        ShockColumn(p, shockX, kFrame, kFloor);
        return p;
    }
    ShockColumn(p, shockX, kFrame, tripleY);       // incident shock
    ShockColumn(p, shockX, tripleY, footY);        // Mach stem
    const int inner = (radius - 1) * (radius - 1), outer = (radius + 1) * (radius + 1);
    for (int y = kFrame; y < kHeight - kFrame; ++y)
        for (int x = kFrame; x < shockX - 1; ++x) {
            const int d2 = SquaredDistance(cx, cy, x, y);
            if (d2 >= inner && d2 < outer && !InWedgeOrWall(x, y)) p.Set(x, y, kShockDark);
        }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorlantic_picgen <outdir>\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (std::size_t i = 0; i < kShockX.size(); ++i) {
        const std::filesystem::path file = dir / ("rectsection" + std::to_string(i) + ".bmp");
        if (!Draw(kShockX[i]).Write(file)) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            return 1;
        }
        std::printf("%s\n", file.string().c_str());
    }
    return 0;
}
