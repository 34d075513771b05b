#include <gtest/gtest.h>

#include <cstdint>

#include "common/array1.h"
#include "common/fixed_text.h"

using namespace qelta;

namespace {

TEST(Arrays, CountFromOneAndStoreColumnByColumn) {
    Array1<int, 4> a{};
    a(1) = 11;
    a(4) = 44;
    EXPECT_EQ(a.data()[0], 11);
    EXPECT_EQ(a.data()[3], 44);

    constexpr int N = 3, M = 2;
    Array2<int, N, M> b{};
    for (int k = 1; k <= M; ++k)
        for (int i = 1; i <= N; ++i) b(i, k) = 10 * i + k;
    // Element (i,k) sits at (k-1)*N + i-1: 11 21 31 12 22 32.
    const int expected[] = {11, 21, 31, 12, 22, 32};
    for (int j = 0; j < N * M; ++j) EXPECT_EQ(b.data()[j], expected[j]) << "offset " << j;
}

#ifdef QELTA_CHECK_BOUNDS
TEST(Arrays, IndexOutsideStops) {
    Array2<int, 3, 2> b{};
    EXPECT_DEATH(b(4, 1) = 0, "index 4 outside 1\\.\\.3");
    EXPECT_DEATH(b(1, 0) = 0, "index 0 outside 1\\.\\.2");
}
#endif

TEST(LogicalWord, TrueIsMinusOneAndTheLowestBitDecides) {
    EXPECT_EQ(Logical(true).word(), -1);
    EXPECT_EQ(Logical(false).word(), 0);
    EXPECT_EQ(Logical().word(), 0);
    const struct {
        std::int32_t word;
        bool value;
    } cases[] = {{0, false}, {1, true}, {-1, true}, {2, false}, {3, true}, {-2, false}};
    for (const auto& c : cases) EXPECT_EQ(bool(Logical::from_word(c.word)), c.value) << "word " << c.word;
}

TEST(FixedTextField, PadsTruncatesAndTrims) {
    FixedText<5> t;
    t = "ab";
    EXPECT_EQ(t.padded(), "ab   ");
    EXPECT_EQ(t.trimmed(), "ab");
    t = "abcdefg";
    EXPECT_EQ(t.padded(), "abcde");
    t = "";
    EXPECT_EQ(t.padded(), "     ");
    EXPECT_EQ(t.str(), "");
    FixedText<4> zero;  // never assigned: all NUL, trimmed like blanks
    EXPECT_EQ(zero.trimmed(), "");
}

}  // namespace
