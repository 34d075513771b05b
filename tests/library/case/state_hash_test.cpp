// Short runs of the solver's main paths leave the state that the solver has
// always left, bit for bit: the fingerprints of the flow state of the active
// cells, of the lists and grid arrays, of the clock and of the restart file
// "runsave" equal the ones recorded before the edge sweeps, the gradients
// and the adaptation were rearranged for speed. A change of the arithmetic
// (a division turned into a multiplication by the reciprocal, a sum taken in
// another order) shows here first; only a deliberate change of the results
// may record new values.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "case/restart.h"
#include "case_blocks.h"
#include "qelta.h"
#include "restart_state.h"
#include "support/workdir.h"

using namespace qelta;

namespace {

struct HashRun {
    const char* name;
    int id, iaxis, ns, level;
    double angle;
    int scheme, iflux, steps;
    const char* expected;  // nstep, ncell, clock, flow, grid, restart file
};

void PrintTo(const HashRun& k, std::ostream* os) { *os << k.name; }

// Record 4 of "controladv.dat": the scheme and the flux code.
void choose_scheme(int scheme, int iflux) {
    std::vector<std::string> lines = qelta::testing::read_lines("controladv.dat");
    lines.at(3) = std::to_string(scheme) + " " + std::to_string(iflux);
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    qelta::testing::write_file("controladv.dat", text);
}

// One run of the table: its fingerprints, on one line. The restart file
// is removed afterwards, so that the next run in this directory starts afresh.
std::string run_print(const HashRun& k) {
    choose_scheme(k.scheme, k.iflux);
    qelta::testing::CaseBlocks b(k.id, k.angle, k.iaxis, k.level, k.ns);
    initialize_qelta(b.real, b.ints);
    double progress = 0;
    for (int s = 1; s <= k.steps; ++s) step(&progress);
    write_restart();
    close_recording_file();
    char restart[32];
    std::snprintf(restart, sizeof restart, " %016" PRIx64, qelta::testing::file_print("runsave"));
    std::remove("runsave");
    return qelta::testing::step_print(progress).line() + restart;
}

const HashRun hash_runs[] = {
    {"WedgeScheme1", 2, 0, 0, 4, 30, 1, 1, 100,
     "100 6200 8b671eb0f548e25d 04ccacaf3d6336f7 3d9efe004a5e7239 dcba957ba1bfd9b1"},
    {"WedgeScheme2", 2, 0, 0, 4, 30, 2, 1, 101,
     "101 6923 99e16d9a1b557c11 01700996b1175b6d 8eff774975c53211 e403e5c2441eae38"},
    {"Cone", 4, 1, 0, 4, 20, 2, 1, 40,
     "40 7280 074ac46b0c392799 69e184f1d057351c a1fadd7e603a462e cda0077b08846472"},
    {"ViscousSphere", 101, 1, 1, 2, 50, 2, 1, 20,
     "20 23826 dbdf5c7a0b518c29 0794496891c8d885 09f582354b645425 55db8de4e0208301"},
    {"WedgeScheme3", 2, 0, 0, 3, 30, 3, 1, 40,
     "40 5000 fa3f3f3538068c1d 6a1d80e16f6b1d41 2710996656f01ea7 f56d2f1d0717fc7e"},
    {"WedgeScheme4", 2, 0, 0, 3, 30, 4, 1, 40,
     "40 5240 6b8ec64626702c39 0a068fe360763d8a f9bc68cafe5ff9e3 0f7c37b6ee12f15a"},
    {"WedgeScheme5", 2, 0, 0, 3, 30, 5, 1, 40,
     "40 4760 767193c4d23eeb07 6b9d5549e06d7d02 24266e609cea9cb5 b4e7fa84da5b31a5"},
    {"ConeScheme1", 4, 1, 0, 3, 20, 1, 1, 40,
     "40 4280 006bdc57fa6e7276 e974760be28393f7 f4d860095db8dc8a 19cbe9bd1d69f0d8"},
    {"WedgeScheme8", 2, 0, 0, 3, 30, 8, 2, 40,
     "40 5240 d51ed8199792d2b1 c6026815e96ba966 8c0f2070d9ac3967 90d946ffbf955e77"},
    {"WedgeScheme7", 2, 0, 0, 3, 30, 7, 2, 30,
     "30 5000 ef8e96e60c8ff7f1 d694cdca2a88cae3 3b098e7507a7bc31 9e16bf9b12106efa"},
};

class StateHash : public qelta::testing::WorkDir, public ::testing::WithParamInterface<HashRun> {};

TEST_P(StateHash, EqualsTheRecordedOne) {
    const HashRun& k = GetParam();
    EXPECT_EQ(run_print(k), k.expected);
}

INSTANTIATE_TEST_SUITE_P(Runs, StateHash, ::testing::ValuesIn(hash_runs),
                         [](const ::testing::TestParamInfo<HashRun>& info) { return std::string(info.param.name); });

// The same runs one after another in one process, in the table's order and
// then backwards, so that every run follows others of every kind (a viscous
// run before inviscid ones, an axisymmetric one before plane ones): a run
// leaves nothing that changes the next one's results or restart file.
using StateHashInOneProcess = qelta::testing::WorkDir;

TEST_F(StateHashInOneProcess, EveryRunAfterTheOthers) {
    std::vector<const HashRun*> order;
    for (const HashRun& k : hash_runs) order.push_back(&k);
    for (auto it = std::rbegin(hash_runs); it != std::rend(hash_runs); ++it) order.push_back(&*it);
    const HashRun* before = nullptr;
    for (const HashRun* k : order) {
        SCOPED_TRACE(std::string(k->name) + " after " + (before ? before->name : "nothing"));
        EXPECT_EQ(run_print(*k), k->expected);
        before = k;
    }
}

}  // namespace
