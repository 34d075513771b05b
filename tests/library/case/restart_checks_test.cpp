// The restart file against the run that reads it: a file of another case
// or grid is refused by its base grid, and a damaged grid (edges that do
// not close round their cells, types on inner edges, levels that do not
// fit the father tree) or a value at the edge of its range is refused with
// the record and the item named. Each refusal is a death test of
// read_restart after the set-up that initialize_qelta does before it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "case/cases.h"
#include "case/restart.h"
#include "case/run_driver.h"
#include "case_blocks.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/grid_store.h"
#include "qelta.h"
#include "restart_bytes.h"
#include "support/workdir.h"

using namespace qelta;
using namespace qelta::testing;

namespace {

struct CaseRun {
    int id;
    double angle;
    int iaxis;
};

CaseBlocks blocks(const CaseRun& r) { return CaseBlocks(r.id, r.angle, r.iaxis, 2); }

// A run of the case at resolution 2, four steps, saved to "runsave".
void save_run(const CaseRun& r) {
    CaseBlocks b = blocks(r);
    initialize_qelta(b.real, b.ints);
    double progress;
    for (int s = 1; s <= 4; ++s) step(&progress);
    write_restart();
    flush_units();
}

// What initialize_qelta does before it reads "runsave", from the state of
// a freshly loaded library.
void prepare_restart(const CaseRun& r) {
    CaseBlocks b = blocks(r);
    run = RunParams{};
    ref = Reference{};
    gas = Gas{};
    grid = GridCounts{};
    copy_parameter_blocks(b.real, b.ints);
    open_run_log();
    init_common();
    read_control_file();
    apply_block_overrides();
    run.gridfile = "celledge.dat";
    set_background_grid();
    check_mach_number();
    read_controladv_file();
    derive_run_parameters();
}

void restart(const CaseRun& r) {
    prepare_restart(r);
    read_restart();
}

// ---- A file of another case or grid -----------------------------------------

struct Pair {
    const char* name;
    CaseRun writer, reader;
    const char* message;  // extended regular expression; empty: accepted
};

void PrintTo(const Pair& p, std::ostream* os) { *os << p.name; }

class ForeignFile : public WorkDir, public ::testing::WithParamInterface<Pair> {};

TEST_P(ForeignFile, IsRefusedByItsBaseGrid) {
    const Pair& p = GetParam();
    save_run(p.writer);
    const int ncell = grid.ncell;
    if (*p.message == '\0') {
        restart(p.reader);
        EXPECT_EQ(grid.ncell, ncell);
        EXPECT_EQ(read_lines("record.txt").back(), " Reading data ....END");
    } else {
        EXPECT_EXIT(restart(p.reader), ::testing::ExitedWithCode(1), p.message);
    }
}

#define ANOTHER ": the file holds the grid of another case or grid file"
#define BASE_COUNT(n, grid_text, m)                                                              \
    "record 15 \\(counts\\): the file's grid has " #n " base cells \\(ncell0\\) where case " grid_text \
    " has " #m ANOTHER
#define BASE_CORNER(grid_text)                                                                              \
    "record 20 \\(end points and weights\\): base cell [0-9]+ of case " grid_text " has a corner at \\([-0-9.e+]+, " \
    "[-0-9.e+]+\\), where no cell of the file's grid without a father has one \\(to [0-9.e+-]+\\)" ANOTHER

// The explosion box gives type 1 on every boundary edge, as the wedge, the
// cylinder and the airfoil give theirs, and on the axis the sphere, the cone
// and the sphere-drag case give theirs: only the grid tells the files apart.
INSTANTIATE_TEST_SUITE_P(
    Pairs, ForeignFile,
    ::testing::Values(
        Pair{"ExplosionReadByTheWedge", {5, 0, 0}, {2, 30, 0},
             BASE_COUNT(400, "2 on the grid of \"\\./grid/wedge/wedge30\\.neu\" at 30 degrees", 800)},
        Pair{"ExplosionReadByTheCylinder", {5, 0, 0}, {1, 0, 0},
             BASE_COUNT(400, "1 on the grid of \"\\./grid/model1\\.neu\"", 2139)},
        Pair{"ExplosionReadByTheAirfoil", {5, 0, 0}, {102, 10, 0},
             BASE_COUNT(400, "102 on the grid of \"\\./grid/naca1208a\\.neu\"", 3072)},
        Pair{"AxisExplosionReadByTheSphere", {6, 0, 1}, {3, 0, 1},
             BASE_COUNT(400, "3 on the grid of \"\\./grid/model1\\.neu\"", 2139)},
        Pair{"AxisExplosionReadByTheCone", {6, 0, 1}, {4, 20, 1},
             BASE_COUNT(400, "4 on the grid of \"\\./grid/wedge/wedge20\\.neu\" at 20 degrees", 800)},
        Pair{"AxisExplosionReadBySphereDrag", {6, 0, 1}, {101, 50, 1},
             BASE_COUNT(400, "101 on the grid of \"\\./grid/model101\\.neu\"", 5592)},
        Pair{"WedgeOf30ReadAt35", {2, 30, 0}, {2, 35, 0},
             BASE_CORNER("2 on the grid of \"\\./grid/wedge/wedge35\\.neu\" at 35 degrees")},
        Pair{"WedgeOf30ReadAt32", {2, 30, 0}, {2, 32, 0},
             BASE_CORNER("2 on the grid of \"\\./grid/wedge/wedge30\\.neu\" at 32 degrees")},
        Pair{"WedgeOf30ReadAt60", {2, 30, 0}, {2, 60, 0},
             BASE_COUNT(800, "2 on the grid of \"\\./grid/wedge/wedge60\\.neu\" at 60 degrees", 680)},
        Pair{"WedgeOf30ReadAt30", {2, 30, 0}, {2, 30, 0}, ""},
        Pair{"WedgeOf32ReadAt32", {2, 32, 0}, {2, 32, 0}, ""},
        Pair{"ExplosionReadByTheExplosion", {5, 0, 0}, {5, 0, 0}, ""},
        Pair{"SphereDragReadBySphereDrag", {101, 50, 1}, {101, 50, 1}, ""}),
    [](const ::testing::TestParamInfo<Pair>& info) { return std::string(info.param.name); });

// The comparison needs the grid that the run would read.
using RestartGrid = WorkDir;

TEST_F(RestartGrid, MissingCaseGridStopsTheRestartNamingIt) {
    const CaseRun wedge{2, 30, 0};
    save_run(wedge);
    std::filesystem::remove_all("grid");
    EXPECT_EXIT(restart(wedge), ::testing::ExitedWithCode(1),
                "Neither the case grid file \"\\./grid/wedge/wedge30\\.neu\" nor the grid data file "
                "\"\\./grid/wedge/wedge30\\.dat\" exists");
}

// ---- A damaged file of the run ----------------------------------------------

// A wedge run of 30 degrees saved after four steps: its grid holds mother
// edges and father cells, and its cells without a father have level 1 (the
// uniform refinement of "control.dat").
struct SavedWedge : WorkDir {
    const CaseRun wedge{2, 30, 0};
    std::string file;
    std::vector<Record> rec;

    void SetUp() override {
        WorkDir::SetUp();
        save_run(wedge);
        file = read_file("runsave");
        rec = numbered_records(file);
        ASSERT_EQ(rec.size(), 35u);
    }

    // Offsets of the group of list position i in a per-edge or per-cell
    // record of groups of `size` bytes, and of mother-edge position j.
    std::size_t group(int record, int i, int size) const { return rec[record].at + size * (i - 1); }
};

// List positions of the saved grid's edges and cells.
bool is_half(int e) {
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i)
        if (isubedge(list_edg(i), 1) == e || isubedge(list_edg(i), 2) == e) return true;
    return false;
}
int inner_whole_edge_position() {
    for (int i = 1; i <= grid.nedge; ++i)
        if (!lbedge(list_edg(i)) && !is_half(list_edg(i))) return i;
    return 0;
}
int inner_edge_position() {
    for (int i = 1; i <= grid.nedge; ++i)
        if (!lbedge(list_edg(i))) return i;
    return 0;
}
int inner_mother_position() {
    for (int j = 1; j <= grid.nmother; ++j)
        if (!lbedge(list_edg(MAX_EDG - grid.nmother + j))) return j;
    return 0;
}
int root_cell_position() {
    for (int i = 1; i <= grid.ncell; ++i)
        if (level(list_cel(i)) == 1) return i;
    return 0;
}

// Moves the edge at list position i sideways by the fraction f of its length.
void move_edge(SavedWedge& s, int i, double f) {
    const std::size_t at = s.group(20, i, 48);
    const double x1 = get_r8(s.file, at), y1 = get_r8(s.file, at + 8);
    const double x2 = get_r8(s.file, at + 16), y2 = get_r8(s.file, at + 24);
    const double dx = f * (y2 - y1), dy = -f * (x2 - x1);
    put_r8(s.file, at, x1 + dx);
    put_r8(s.file, at + 8, y1 + dy);
    put_r8(s.file, at + 16, x2 + dx);
    put_r8(s.file, at + 24, y2 + dy);
}

struct Damage {
    const char* name;
    std::function<void(SavedWedge&)> damage;
    const char* message;  // extended regular expression; empty: accepted
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class DamagedRun : public SavedWedge, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedRun, IsRefusedWithTheRecordNamed) {
    ASSERT_GT(inner_whole_edge_position(), 0);
    ASSERT_GT(inner_mother_position(), 0);
    ASSERT_GT(root_cell_position(), 0);
    GetParam().damage(*this);
    write_file("runsave", file);
    if (*GetParam().message == '\0') {
        restart(wedge);
        EXPECT_EQ(read_lines("record.txt").back(), " Reading data ....END");
    } else {
        EXPECT_EXIT(restart(wedge), ::testing::ExitedWithCode(1), GetParam().message);
    }
}

#define INNER_TYPE(record, what, t)                                                                  \
    "record " #record " \\(" what "\\): inner edge [0-9]+ has the boundary type " #t ", where an edge " \
    "inside the grid has the type 0"
#define NOT_CLOSED                                                                                    \
    "record 30 \\(edges of the cells\\): the edges of cell [0-9]+ do not close round its corners: at its " \
    "(lower|upper) (left|right) corner its edge [1-4] \\(edge [0-9]+\\) (starts|ends) at \\(.*\\) and its edge " \
    "[1-4] \\(edge [0-9]+\\) (starts|ends) at \\(.*\\)"
#define ROOT_LEVEL                                                                                     \
    "record 32 \\(levels\\): cell [0-9]+, which has no father, has the level [0-9]+ where cell [0-9]+ has " \
    "the level [0-9]+: the cells without a father are the base grid refined uniformly, all of one level"

INSTANTIATE_TEST_SUITE_P(
    Grid, DamagedRun,
    ::testing::Values(
        Damage{"InnerEdgeOfTypeOne",
               [](SavedWedge& s) { put_i4(s.file, s.group(21, inner_edge_position(), 4), 1); },
               INNER_TYPE(21, "boundary types", 1)},
        Damage{"InnerEdgeOfTypeMinusOne",
               [](SavedWedge& s) { put_i4(s.file, s.group(21, inner_edge_position(), 4), -1); },
               INNER_TYPE(21, "boundary types", -1)},
        Damage{"EveryInnerEdgeOfTypeSix",
               [](SavedWedge& s) {
                   for (int i = 1; i <= grid.nedge; ++i)
                       if (!lbedge(list_edg(i))) put_i4(s.file, s.group(21, i, 4), 6);
               },
               INNER_TYPE(21, "boundary types", 6)},
        Damage{"InnerMotherEdgeOfTypeTwo",
               [](SavedWedge& s) { put_i4(s.file, s.group(26, inner_mother_position(), 4), 2); },
               INNER_TYPE(26, "boundary types of the mother edges", 2)},
        Damage{"InnerEdgeMovedByFivePercent", [](SavedWedge& s) { move_edge(s, inner_whole_edge_position(), 0.05); },
               NOT_CLOSED},
        Damage{"InnerEdgeMovedByThirtyPercent",
               [](SavedWedge& s) { move_edge(s, inner_whole_edge_position(), 0.3); }, NOT_CLOSED},
        Damage{"InnerEdgeMovedByAMillionth",
               [](SavedWedge& s) { move_edge(s, inner_whole_edge_position(), 1e-6); }, NOT_CLOSED},
        Damage{"HalfNotFromItsMothersStart",
               [](SavedWedge& s) {
                   // The first half of the first mother edge starts a little
                   // along the mother, the cells of the half still closing.
                   const int m = list_edg(MAX_EDG - grid.nmother + 1), h = isubedge(m, 1);
                   int i = 1;
                   while (list_edg(i) != h) ++i;
                   const std::size_t at = s.group(20, i, 48);
                   put_r8(s.file, at, get_r8(s.file, at) + 1e-3 * (get_r8(s.file, at + 16) - get_r8(s.file, at)));
               },
               "record 24 \\(end points of the mother edges\\): the halves [0-9]+ and [0-9]+ of mother edge [0-9]+ "
               "run from \\(.*\\) to \\(.*\\) and from \\(.*\\) to \\(.*\\), which is not from its start \\(.*\\) "
               "through one point to its end"},
        Damage{"RootOfLevelZero", [](SavedWedge& s) { put_i4(s.file, s.group(32, root_cell_position(), 4), 0); },
               ROOT_LEVEL},
        Damage{"RootOfLevelTwo", [](SavedWedge& s) { put_i4(s.file, s.group(32, root_cell_position(), 4), 2); },
               ROOT_LEVEL},
        Damage{"RootOfLevelNine", [](SavedWedge& s) { put_i4(s.file, s.group(32, root_cell_position(), 4), 9); },
               ROOT_LEVEL},
        Damage{"RootOfLevelFiftyThree",
               [](SavedWedge& s) { put_i4(s.file, s.group(32, root_cell_position(), 4), 53); },
               "record 32 \\(levels\\): cell [0-9]+ has the level 53; levels run from 0 to 52"},
        Damage{"EveryRootOfLevelZero",
               [](SavedWedge& s) {
                   // Consistent levels, one lower everywhere: the cells
                   // without a father no longer make the base grid.
                   for (int i = 1; i <= grid.ncell; ++i)
                       put_i4(s.file, s.group(32, i, 4), level(list_cel(i)) - 1);
                   for (int j = 1; j <= grid.nfather; ++j) {
                       const std::size_t at = s.group(33, j, 60) + 24 + 16;
                       put_i4(s.file, at, get_i4(s.file, at) - 1);
                   }
               },
               "record 15 \\(counts\\): the file's grid has [0-9]+ cells without a father, of level 0, where its "
               "800 base cells \\(ncell0\\) refined uniformly to that level make 800"},
        Damage{"BaseCellCountOfAnotherGrid",
               [](SavedWedge& s) { put_i4(s.file, s.rec[15].at + 16, 400); },
               BASE_COUNT(400, "2 on the grid of \"\\./grid/wedge/wedge30\\.neu\" at 30 degrees", 800)}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// The first active cell's density (record 29, after the energy).
std::size_t density_at(const SavedWedge& s) { return s.group(29, 1, 32) + 8; }
// The small term of scheme 1 (record 11).
std::size_t eps_small_at(const SavedWedge& s) { return s.rec[11].at; }

INSTANTIATE_TEST_SUITE_P(
    Ranges, DamagedRun,
    ::testing::Values(
        Damage{"DensityOfExactlyTheLimit", [](SavedWedge& s) { put_r8(s.file, density_at(s), 1e12); },
               "record 29 \\(conservative state\\): the density of cell [0-9]+ is 1e\\+12; it must be a finite "
               "number in \\(0, 1e\\+12\\)"},
        Damage{"DensityJustBelowTheLimit",
               [](SavedWedge& s) { put_r8(s.file, density_at(s), std::nextafter(1e12, 0.0)); }, ""},
        Damage{"EpsSmallZero", [](SavedWedge& s) { put_r8(s.file, eps_small_at(s), 0.0); },
               "record 11 \\(small terms\\): eps_small is 0; it must be a finite number above 0"},
        Damage{"EpsSmallNegative", [](SavedWedge& s) { put_r8(s.file, eps_small_at(s), -1e-4); },
               "record 11 \\(small terms\\): eps_small is -1e-04; it must be a finite number above 0"},
        Damage{"EpsSmallTiny", [](SavedWedge& s) { put_r8(s.file, eps_small_at(s), 1e-300); }, ""}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

}  // namespace
