// The committed case grids are exactly what the generator writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "support/workdir.h"

namespace fs = std::filesystem;
using qelta::testing::read_file;

namespace {

std::set<std::string> files_below(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) names.insert(fs::relative(e.path(), dir).generic_string());
    return names;
}

struct GridGenerator : qelta::testing::WorkDir {};

TEST_F(GridGenerator, RewritesTheCommittedGridsByteForByte) {
    const fs::path out = fs::path(dir()) / "generated";
    const std::string command = std::string("'") + QELTA_GRIDGEN + "' '" + out.string() + "' > generator.txt";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_file("generator.txt");

    const auto written = files_below(out);
    const auto committed = files_below(QELTA_GRID_DIR);
    EXPECT_EQ(written, committed);
    EXPECT_EQ(written.size(), 23u);  // model1, 19 wedges, model5, model101, naca1208a
    EXPECT_TRUE(written.count("wedge/wedge05.neu"));
    EXPECT_TRUE(written.count("wedge/wedge90.neu"));
    for (const auto& name : written) {
        if (!committed.count(name)) continue;
        EXPECT_TRUE(read_file((out / name).string()) == read_file((fs::path(QELTA_GRID_DIR) / name).string()))
            << name << " differs from the generator's output: run the target 'grids'";
    }
}

TEST_F(GridGenerator, RefusesAMissingOutputFolderArgument) {
    const std::string command = std::string("'") + QELTA_GRIDGEN + "' 2> usage.txt";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(read_file("usage.txt").find("usage: qelta_gridgen <outdir>"), std::string::npos);
}

}  // namespace
