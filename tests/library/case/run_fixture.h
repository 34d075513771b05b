// A three-cell wedge run (case 2 on the built-in grid, no adaptation) with
// a stand-in scheme that leaves the flow as it is, so that the set-up and
// the stepping can be driven whole before the flow schemes take part.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/log.h"
#include "common/run.h"
#include "flow/schemes.h"
#include "support/workdir.h"

namespace qelta::testing {

inline void frozen_flow() {}

struct ThreeCellRun : WorkDir {
    double realPar[20] = {0, 2.0, 30.0, 1.4};
    int intPar[20] = {0, 0, 0, 0, 2, 0};

    void SetUp() override {
        WorkDir::SetUp();
        write_control();
        write_controladv();
        scheme_sweeps(2) = {frozen_flow, frozen_flow, true};
    }

    void write_control(const std::string& rec1 = "0 0 0.01", const std::string& rec3 = "0 2.0 -0.2") {
        write_file("control.dat", rec1 + "\n0.5\n" + rec3 + "\n0 1.0\n0 0 0 0\n'./grid/wedge/wedge30.neu'\n");
    }
    void write_controladv(const std::string& rec4 = "2 1", const std::string& rec2 = "2.0 0.01") {
        write_file("controladv.dat", "0 0\n" + rec2 + "\n0.2 0.05\n" + rec4 + "\n0.0\n0.0\n");
    }

    std::vector<std::string> log_lines() {
        flush_units();
        return read_lines("record.txt");
    }
};

// Each expected record, in order, is the start of some later line.
inline ::testing::AssertionResult in_order(const std::vector<std::string>& lines,
                                           const std::vector<std::string>& expected) {
    std::size_t at = 0;
    for (const std::string& e : expected) {
        while (at < lines.size() && lines[at].rfind(e, 0) != 0) ++at;
        if (at == lines.size()) return ::testing::AssertionFailure() << "missing, or out of order: \"" << e << "\"";
        ++at;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace qelta::testing
