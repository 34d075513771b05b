// A pixel rectangle in the manner of a window canvas: left, top, right,
// bottom, with the right and bottom edges just outside.
#pragma once

namespace vorlantic::platform {

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Left and top edges inside, right and bottom edges outside.
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};

}  // namespace vorlantic::platform
