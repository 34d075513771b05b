// The restart file "runsave": its records as the reader expects them, the
// values a restarted run takes from the file, the control files and the
// program, and damaged, truncated and foreign files, each of which ends the
// run with a message that names the record and a non-zero exit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "case/restart.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "case_blocks.h"
#include "qelta.h"
#include "support/workdir.h"
#include "support/stops.h"

using namespace qelta;
using qelta::testing::read_file;
using qelta::testing::read_lines;
using qelta::testing::stops_with;
using qelta::testing::write_file;

namespace {

// ---- The file as bytes ------------------------------------------------------

std::uint32_t get_u4(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}
void put_u4(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
int get_i4(const std::string& b, std::size_t at) { return static_cast<std::int32_t>(get_u4(b, at)); }
void put_i4(std::string& b, std::size_t at, int v) { put_u4(b, at, static_cast<std::uint32_t>(v)); }
double get_r8(const std::string& b, std::size_t at) {
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | static_cast<unsigned char>(b[at + i]);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
}
void put_r8(std::string& b, std::size_t at, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<char>(u >> (8 * i));
}

// Records in the file: the offset of each one's data and its length, from
// little-endian length markers before and after.
struct Record {
    std::size_t at;
    std::uint32_t length;
};
std::vector<Record> records_of(const std::string& b) {
    std::vector<Record> recs;
    std::size_t at = 0;
    while (at + 8 <= b.size()) {
        std::uint32_t n = get_u4(b, at);
        if (at + 8 + n > b.size() || get_u4(b, at + 4 + n) != n) break;
        recs.push_back({at + 4, n});
        at += 8 + n;
    }
    EXPECT_EQ(at, b.size()) << "bytes outside the records";
    return recs;
}

// The blocks of a wedge run of 30 degrees at Mach 2 (plane, inviscid).
struct Blocks : qelta::testing::CaseBlocks {
    Blocks() : CaseBlocks(2, 30.0, 0, 2) {}
};

// A run of a few steps, saved: its grid holds mother edges and father cells.
struct SavedRun : qelta::testing::WorkDir {
    Blocks b;
    std::string file;
    std::vector<Record> rec;  // rec[n] is record n (rec[0] unused)

    void SetUp() override {
        WorkDir::SetUp();
        initialize_qelta(b.real, b.ints);
        double progress;
        for (int s = 1; s <= 4; ++s) step(&progress);
        write_restart();
        flush_units();
        file = read_file("runsave");
        rec = records_of(file);
        rec.insert(rec.begin(), Record{0, 0});
    }
    int count(int k) const { return get_i4(file, rec[15].at + 4 * (k - 1)); }  // nedge, ncell, nmother, nfather, ncell0
};

// ---- The records ----------------------------------------------------------

TEST_F(SavedRun, RecordsFollowTheTable) {
    ASSERT_GT(grid.nmother, 0);
    ASSERT_GT(grid.nfather, 0);
    ASSERT_EQ(rec.size(), 35u);
    const int ne = grid.nedge, nc = grid.ncell, nm = grid.nmother, nf = grid.nfather;
    const std::uint32_t lengths[35] = {0,      8,      33,     0,      19,      44,     48,     24,     24,
                                       8,      40,     16,     24,     24,      20,     20,     4,      4u * MAX_EDG,
                                       4u * ne, 8u * ne, 48u * ne, 4u * ne, 4u * nm, 16u * nm, 32u * nm, 24u * nm,
                                       4u * nm, 4u * MAX_CEL, 16u * nc, 32u * nc, 16u * nc, 4u * nc, 4u * nc,
                                       60u * nf, 72};
    for (int n = 1; n <= 34; ++n) EXPECT_EQ(rec[n].length, lengths[n]) << "record " << n;
    EXPECT_EQ(get_r8(file, rec[1].at), 6.0);
    EXPECT_EQ(file.substr(rec[4].at, 19), "Data Saving .......");
    EXPECT_EQ(get_i4(file, rec[5].at), 200000);
    EXPECT_EQ(get_i4(file, rec[5].at + 4), 400000);
    EXPECT_EQ(get_i4(file, rec[5].at + 8), 8);
    EXPECT_EQ(get_r8(file, rec[5].at + 12), 293.0);
    EXPECT_EQ(get_r8(file, rec[14].at), run.time);
    EXPECT_EQ(get_i4(file, rec[14].at + 8), 4);
    const int counts[] = {ne, nc, nm, nf, grid.ncell0};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(count(k), counts[k - 1]) << "count " << k;
    // Energy first: the first active cell's group of record 29.
    const int c = list_cel(1);
    EXPECT_EQ(get_r8(file, rec[29].at), cp(c));
    EXPECT_EQ(get_r8(file, rec[29].at + 8), cr(c));
    // Logicals are -1 for true: the boundary flags of the active edges.
    for (int i = 1; i <= ne; ++i)
        ASSERT_EQ(get_i4(file, rec[18].at + 4 * (i - 1)), lbedge(list_edg(i)) ? -1 : 0) << "edge " << i;
    const auto log = read_lines("record.txt");
    EXPECT_EQ(log[log.size() - 2], " Saving data for restarting computation .......");
}

TEST_F(SavedRun, ReadingRestoresTheGridAndTheState) {
    const int ncell = grid.ncell, nedge = grid.nedge, c = list_cel(ncell);
    const double rho = r(c), time = run.time;
    initialize_qelta(b.real, b.ints);  // "runsave" is there
    EXPECT_EQ(grid.ncell, ncell);
    EXPECT_EQ(grid.nedge, nedge);
    EXPECT_EQ(list_cel(ncell), c);
    EXPECT_EQ(r(c), rho);  // primitives from the conservative state
    EXPECT_EQ(run.time, time);
    EXPECT_EQ(run.nstep, 4);
    // No grid is built, no unit set, no initial state applied.
    auto log = read_lines("record.txt");
    EXPECT_EQ(log.back(), " Reading data ....END");
    std::size_t from = log.size();
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i] == " Reading saved data file \"runsave\" ") from = i;
    ASSERT_LT(from, log.size());
    for (std::size_t i = from; i < log.size(); ++i) {
        EXPECT_EQ(log[i].find("Setting units"), std::string::npos) << log[i];
        EXPECT_EQ(log[i].find("Initializing"), std::string::npos) << log[i];
    }
}

// Without mother edges and father cells the file holds neither records
// 22 to 26 nor record 33, and the reader reads neither.
using RestartRun = qelta::testing::WorkDir;

TEST_F(RestartRun, WithoutParentsHoldsNeitherHalvesNorFathers) {
    Blocks b;
    b.ints[5] = 1;  // lmax = minlev = 1: uniform refinement, parents dropped, no adaptation
    initialize_qelta(b.real, b.ints);
    double progress;
    step(&progress);
    ASSERT_EQ(grid.nmother, 0);
    ASSERT_EQ(grid.nfather, 0);
    write_restart();
    auto recs = records_of(read_file("runsave"));
    EXPECT_EQ(recs.size(), 28u);
    const int ncell = grid.ncell;
    initialize_qelta(b.real, b.ints);
    EXPECT_EQ(grid.ncell, ncell);
    EXPECT_EQ(read_lines("record.txt").back(), " Reading data ....END");
}

// ---- What a restarted run takes from where ----------------------------------

TEST_F(SavedRun, ControlFilesAndProgramOverrideTheSavedValues) {
    // control.dat says Mach 3 and level 5; controladv.dat scheme 1 where the
    // file holds 2; the program passes Mach 2.5 and level 3.
    auto control = read_lines("control.dat");
    control[0] = "1 5 0.1";
    control[2] = "0 3.0 -0.2";
    auto adv = read_lines("controladv.dat");
    adv[3] = "1 1";
    std::string c, a;
    for (auto& l : control) c += l + "\n";
    for (auto& l : adv) a += l + "\n";
    write_file("control.dat", c);
    write_file("controladv.dat", a);
    ASSERT_EQ(get_i4(file, rec[8].at + 8), 2);  // ischeme saved
    b.real[1] = 2.5;
    b.ints[5] = 3;
    initialize_qelta(b.real, b.ints);
    EXPECT_EQ(run.amach, 2.5);
    EXPECT_EQ(run.lmax, 3);
    EXPECT_EQ(run.ischeme, 1);
    EXPECT_EQ(run.nstep, 4);  // the run itself comes from the file
}

// A viscous sphere: Reynolds and Prandtl numbers and the wall temperature
// come from the file, and the Sutherland constants follow from its
// reference temperature although no record holds them.
TEST_F(RestartRun, ViscousRunKeepsTheFilesGasParameters) {
    qelta::testing::CaseBlocks v(101, 50.0, 1, 1, 1);
    initialize_qelta(v.real, v.ints);
    double progress;
    step(&progress);
    const double reyn = run.reyn, prand = run.prand, t_ref = ref.t_ref;
    ASSERT_GT(reyn, 1e4);
    write_restart();
    // As in a fresh process.
    run.reyn = run.prand = run.twall = run.sut_mu = run.sut_k = 0;
    close_recording_file();
    initialize_qelta(v.real, v.ints);
    EXPECT_EQ(run.reyn, reyn);
    EXPECT_EQ(run.prand, prand);
    EXPECT_EQ(run.twall, 1.0);
    EXPECT_EQ(run.sut_mu, 111 / t_ref);
    EXPECT_EQ(run.sut_k, 194 / t_ref);
    // The Reynolds number is not computed again; the force history is opened.
    auto log = read_lines("record.txt");
    std::size_t from = 0;
    for (std::size_t i = 0; i < log.size(); ++i)
        if (log[i] == " Reading saved data file \"runsave\" ") from = i;
    ASSERT_GT(from, 0u);
    for (std::size_t i = from; i < log.size(); ++i) EXPECT_EQ(log[i].rfind(" Re=", 0), std::string::npos);
    flush_units();
    EXPECT_EQ(read_lines("draghis.dat"), std::vector<std::string>{"   n  t  Cp  Cv  Cd  Ct"});
}

// ---- Damaged, truncated and foreign files ---------------------------------

struct Damage {
    const char* name;
    std::function<void(SavedRun&)> damage;
    const char* message;  // extended regular expression
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class DamagedFile : public SavedRun, public ::testing::WithParamInterface<Damage> {};

// Position of list entry i of record 17 or 27.
std::size_t entry(const SavedRun& s, int record, int i) { return s.rec[record].at + 4 * (i - 1); }

// The position in list_edg of the first active edge inside the domain, or
// on its boundary.
int edge_position(bool boundary) {
    for (int i = 1; i <= grid.nedge; ++i)
        if (lbedge(list_edg(i)) == boundary) return i;
    return 0;
}

TEST_P(DamagedFile, EndsWithAMessageNamingTheRecord) {
    GetParam().damage(*this);
    write_file("runsave", file);
    EXPECT_TRUE(stops_with([&] { initialize_qelta(b.real, b.ints); }, GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(
        Damage{"Empty", [](SavedRun& s) { s.file.clear(); },
               "record 1 \\(version\\): the file ends before the record"},
        Damage{"CutAfterRecord16", [](SavedRun& s) { s.file.resize(s.rec[16].at + 4 + 4); },
               "record 17 \\(list_edg\\): the file ends before the record"},
        Damage{"CutInsideTheEdgeList", [](SavedRun& s) { s.file.resize(s.rec[17].at + 1001); },
               "record 17 \\(list_edg\\): the record is cut short by the end of the file"},
        Damage{"CutInsideTheFlowState", [](SavedRun& s) { s.file.resize(s.rec[29].at + 100); },
               "record 29 \\(conservative state\\): the record is cut short"},
        Damage{"CutBeforeTheLastMarker", [](SavedRun& s) { s.file.resize(s.file.size() - 4); },
               "record 34 .*the end of the file comes before the record's closing length marker"},
        Damage{"DataAfterTheLastRecord", [](SavedRun& s) { s.file += std::string(12, '\0'); },
               "data follow the last record"},
        Damage{"ClosingMarkerDiffers", [](SavedRun& s) { put_u4(s.file, s.rec[20].at + s.rec[20].length, 7); },
               "record 20 .*closing length marker 7 differs from the opening one"},
        Damage{"RecordOfTheWrongLength",
               [](SavedRun& s) {
                   // Record 8 made 4 bytes longer, consistently framed.
                   std::size_t at = s.rec[8].at;
                   s.file.insert(at + 24, 4, '\0');
                   put_u4(s.file, at - 4, 28);
                   put_u4(s.file, at + 28, 28);
               },
               "record 8 \\(scheme\\): the record holds 28 bytes where 24 belong"},
        Damage{"ArraySizesOfAnotherBuild", [](SavedRun& s) { put_i4(s.file, s.rec[5].at, 100000); },
               "Mismatching in array size"},
        Damage{"CellCountAboveTheCapacity", [](SavedRun& s) { put_i4(s.file, s.rec[15].at + 4, 300000); },
               "record 15 \\(counts\\): ncell = 300000 is outside 0 \\.\\. 200000"},
        Damage{"NegativeMotherCount", [](SavedRun& s) { put_i4(s.file, s.rec[15].at + 8, -1); },
               "record 15 \\(counts\\): nmother = -1 is outside"},
        Damage{"EdgeListEntryOutsideTheCapacity", [](SavedRun& s) { put_i4(s.file, entry(s, 17, 5), 400001); },
               "record 17 \\(list_edg\\): the entry 400001 at position 5 is outside 1 \\.\\. 400000"},
        Damage{"CellListEntryTwice",
               [](SavedRun& s) { put_i4(s.file, entry(s, 27, 9), get_i4(s.file, entry(s, 27, 3))); },
               "record 27 \\(list_cel\\): [0-9]+ appears twice \\(again at position 9\\)"},
        Damage{"EdgeNamesAFreeCell",
               [](SavedRun& s) {
                   int free_cell = get_i4(s.file, entry(s, 27, s.count(2) + 1));
                   put_i4(s.file, s.rec[19].at, free_cell);
               },
               "record 19 \\(cells of the edges\\): edge [0-9]+ names cell [0-9]+, which is neither an active "
               "cell nor a father cell"},
        Damage{"CellNamesEdgeZero", [](SavedRun& s) { put_i4(s.file, s.rec[30].at + 8, 0); },
               "record 30 \\(edges of the cells\\): cell [0-9]+ names edge 0"},
        Damage{"ChildOutsideTheCapacity", [](SavedRun& s) { put_i4(s.file, s.rec[33].at + 24 + 5 * 4, 200001); },
               "record 33 \\(father cells\\): father cell [0-9]+ names cell 200001"},
        Damage{"CellsOfAnEdgeSwapped",
               [](SavedRun& s) {
                   std::size_t at = s.rec[19].at + 8 * (edge_position(false) - 1);
                   int left = get_i4(s.file, at);
                   put_i4(s.file, at, get_i4(s.file, at + 4));
                   put_i4(s.file, at + 4, left);
               },
               "record 30 \\(edges of the cells\\): cell [0-9]+ has edge [0-9]+ as its edge"},
        Damage{"HalfOfTwoMotherEdges",
               [](SavedRun& s) { put_i4(s.file, s.rec[23].at + 16, get_i4(s.file, s.rec[23].at)); },
               "record 23 .*: edge [0-9]+ is a half of mother edge"},
        Damage{"ChildrenSwapped",
               [](SavedRun& s) {
                   std::size_t at = s.rec[33].at + 24 + 5 * 4;  // ichild of the first father
                   int first = get_i4(s.file, at);
                   put_i4(s.file, at, get_i4(s.file, at + 4));
                   put_i4(s.file, at + 4, first);
               },
               "record 33 \\(father cells\\): the children of father cell [0-9]+ do not hold"},
        Damage{"DensityZero", [](SavedRun& s) { put_r8(s.file, s.rec[29].at + 8, 0.0); },
               "record 29 \\(conservative state\\): a density is not positive"},
        Damage{"EndPointNotANumber", [](SavedRun& s) { put_r8(s.file, s.rec[20].at + 8, std::nan("")); },
               "record 20 .*: an end point is nan; it must be a finite number in \\[-1e\\+06, 1e\\+06\\]"},
        Damage{"ForeignTextFile", [](SavedRun& s) { s.file = read_file("control.dat"); },
               "record 1 \\(version\\): the record holds [0-9]+ bytes where 8 belong"},
        Damage{"ForeignByteOrder",
               [](SavedRun& s) {
                   // Every length marker big-endian.
                   for (std::size_t n = 1; n < s.rec.size(); ++n) {
                       std::uint32_t len = s.rec[n].length, swapped = __builtin_bswap32(len);
                       put_u4(s.file, s.rec[n].at - 4, swapped);
                       put_u4(s.file, s.rec[n].at + len, swapped);
                   }
               },
               "record 1 \\(version\\): the record holds 134217728 bytes where 8 belong"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

// ---- Well-framed files with values outside their meaning -----------------

// The message names the record, the value and its range.
INSTANTIATE_TEST_SUITE_P(
    Values, DamagedFile,
    ::testing::Values(
        Damage{"EnergyHuge", [](SavedRun& s) { put_r8(s.file, s.rec[29].at, 1e300); },
               R"(record 29 \(conservative state\): the pressure of cell [0-9]+ is [0-9.]+e\+299; it must be a finite number in \(0, 1e\+12\))"},
        Damage{"MomentumHuge", [](SavedRun& s) { put_r8(s.file, s.rec[29].at + 16, 1e300); },
               R"(record 29 \(conservative state\): the pressure of cell [0-9]+ is -inf)"},
        Damage{"GamAndGamOneInconsistent", [](SavedRun& s) { put_r8(s.file, s.rec[13].at + 8, 0.5); },
               R"(record 13 \(gas and time offset\): gam1 = 0.5 is not gam - 1 = 0.399)"},
        Damage{"GamAboveThree",
               [](SavedRun& s) {
                   put_r8(s.file, s.rec[13].at, 5);
                   put_r8(s.file, s.rec[13].at + 8, 4);
               },
               R"(record 13 \(gas and time offset\): gam is 5; it must be a finite number in \(1, 3\])"},
        Damage{"TimeFarBeforeTheStart", [](SavedRun& s) { put_r8(s.file, s.rec[14].at, -1e300); },
               R"(record 14 \(time and step\): time is -1e\+300; it must be a finite number of at least 0)"},
        Damage{"TimeOffsetHuge", [](SavedRun& s) { put_r8(s.file, s.rec[13].at + 16, 1e300); },
               R"(record 14 \(time and step\): from the time [0-9.e+-]+ at the pace of the step [0-9.e+-]+ the run would need more than 10000000 steps to its end at 1e\+300)"},
        Damage{"StepZero", [](SavedRun& s) { put_r8(s.file, s.rec[14].at + 12, 0.0); },
               R"(record 14 \(time and step\): dt is 0; it must be a finite number above 0)"},
        Damage{"StepCountNegative", [](SavedRun& s) { put_i4(s.file, s.rec[14].at + 8, -5); },
               R"(record 14 \(time and step\): nstep is -5; it must be an integer in 0 \.\. 10000000)"},
        Damage{"WeightHuge", [](SavedRun& s) { put_r8(s.file, s.rec[20].at + 32, 1e300); },
               R"(record 20 \(end points and weights\): an end weight is 1e\+300; it must be a finite number in \[0.01, 100\])"},
        Damage{"EndPointFarOut", [](SavedRun& s) { put_r8(s.file, s.rec[20].at, 1e7); },
               R"(record 20 \(end points and weights\): an end point is 1e\+07; it must be)"},
        Damage{"BoundaryTypeNinetyNine",
               [](SavedRun& s) { put_i4(s.file, s.rec[21].at + 4 * (edge_position(true) - 1), 99); },
               R"(record 21 \(boundary types\): edge [0-9]+ has the boundary type 99, which is none of -1, 0, 1, 2, 3, 4 and 6)"},
        Damage{"BoundaryTypeMinusSeven",
               [](SavedRun& s) { put_i4(s.file, s.rec[21].at + 4 * (edge_position(true) - 1), -7); },
               R"(record 21 \(boundary types\): edge [0-9]+ has the boundary type -7)"},
        Damage{"BoundaryEdgeOfTypeZero",
               [](SavedRun& s) { put_i4(s.file, s.rec[21].at + 4 * (edge_position(true) - 1), 0); },
               R"(record 21 \(boundary types\): boundary edge [0-9]+ from \(.*\) to \(.*\) has the type 0 where case 2 gives it the type [12]: the file holds the grid of another case or run)"},
        Damage{"WedgeFileReadByASphereRun",
               [](SavedRun& s) {
                   s.b.ints[2] = 1;  // axisymmetric
                   s.b.ints[4] = 3;  // the shock over a sphere
               },
               R"(record 21 \(boundary types\): boundary edge [0-9]+ .* where case 3 gives it the type [126]: the file holds the grid of another case)"},
        Damage{"MotherEdgeLengthWrong",
               [](SavedRun& s) { put_r8(s.file, s.rec[25].at, 2 * get_r8(s.file, s.rec[25].at)); },
               R"(record 25 .*: mother edge [0-9]+ has the length [0-9.e+-]+ where its end points are [0-9.e+-]+ apart)"},
        Damage{"CentreOutsideItsCell", [](SavedRun& s) { put_r8(s.file, s.rec[28].at, 50.0); },
               R"(record 28 \(cell centres\): the centre \(50, [0-9.e+-]+\) of cell [0-9]+ lies outside its corners)"},
        Damage{"FatherAreaHuge", [](SavedRun& s) { put_r8(s.file, s.rec[33].at + 16, 1e6); },
               R"(record 33 \(father cells\): father cell [0-9]+ has the area 1e\+06, where its corners allow)"},
        Damage{"ReferenceLengthNegative", [](SavedRun& s) { put_r8(s.file, s.rec[34].at + 8, -1.0); },
               R"(record 34 \(characteristic quantities\): l_ref is -1; it must be a finite number above 0)"}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

}  // namespace
