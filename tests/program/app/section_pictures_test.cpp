// The committed test-section pictures are exactly what the generator writes,
// and they load as the section's picture with the shock moving downstream.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/BenchShapes.h"
#include "support/workdir.h"

namespace fs = std::filesystem;
using qelta::testing::read_file;

namespace {

struct SectionPictures : qelta::testing::EmptyWorkDir {};

// Column of the incident shock in a row: its dark line with a white edge.
int ShockColumn(const QImage& picture, int row) {
    for (int x = 1; x < picture.width(); ++x)
        if (qGray(picture.pixel(x, row)) == 255 && qGray(picture.pixel(x - 1, row)) < 50) return x;
    return -1;
}

TEST_F(SectionPictures, GeneratorRewritesTheCommittedPicturesByteForByte) {
    const std::string command = std::string("'") + VORLANTIC_PICGEN + "' pics > generator.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_file("generator.txt");
    int previousShock = -1;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "rectsection" + std::to_string(i) + ".bmp";
        const std::string written = read_file("pics/" + name);
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_TRUE(written == read_file(QELTA_DATA_DIR "/pics/" + name))
            << name << " differs from the generator's output: run the target 'pictures'";

        vorlantic::TSection section(150, 10, 290, 90);
        section.LoadBitmap(vorlantic::SectionPictureName(i));
        ASSERT_EQ(section.Bitmap.size(), QSize(140, 80)) << name;
        const int shock = ShockColumn(section.Bitmap, 10);
        EXPECT_GT(shock, previousShock) << name;
        previousShock = shock;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(QELTA_DATA_DIR "/pics"), fs::directory_iterator()), 3);
}

TEST_F(SectionPictures, GeneratorRefusesAMissingOutputFolder) {
    const std::string command = std::string("'") + VORLANTIC_PICGEN + "' 2> usage.txt";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(read_file("usage.txt").find("usage: vorlantic_picgen <outdir>"), std::string::npos);
}

}  // namespace
