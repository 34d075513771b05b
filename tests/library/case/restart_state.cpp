#include "restart_state.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "common/run.h"
#include "common/storage.h"

namespace qelta::testing {

namespace {

// FNV-1a over the bytes of the values, in order.
class Hash {
public:
    template <class T>
    Hash& operator<<(const T& v) {
        unsigned char b[sizeof(T)];
        std::memcpy(b, &v, sizeof(T));
        for (unsigned char c : b) h_ = (h_ ^ c) * 1099511628211ULL;
        return *this;
    }
    std::uint64_t value() const { return h_; }

private:
    std::uint64_t h_ = 1469598103934665603ULL;
};

}  // namespace

StepPrint step_print(double progress) {
    StepPrint s;
    s.nstep = run.nstep;
    s.ncell = grid.ncell;
    Hash clock, flow, g;
    clock << run.time << run.dt << progress << run.lightning_done;
    g << grid.ncell << grid.nedge << grid.nmother << grid.nfather << grid.nbedge << grid.niedge << grid.nsplit;
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        flow << c;
        for (int k = 1; k <= nstate; ++k) flow << state(c, k);
        g << c << xc(c) << yc(c) << area(c) << level(c);
        for (int k = 1; k <= 4; ++k) g << icedge(c, k);
    }
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        g << e << ileft(e) << iright(e) << ibtype(e) << edglen(e);
        for (int k = 1; k <= 4; ++k) g << xyedge(e, k);
    }
    for (int i = 1; i <= grid.nbedge; ++i) g << list_bedge(i);
    for (int i = 1; i <= grid.niedge; ++i) g << list_iedge(i);
    for (int i = 1; i <= grid.nsplit; ++i) g << list_split(i);
    s.clock = clock.value();
    s.flow = flow.value();
    s.grid = g.value();
    return s;
}

std::uint64_t file_print(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    Hash h;
    for (auto it = std::istreambuf_iterator<char>(in); it != std::istreambuf_iterator<char>(); ++it) h << *it;
    return h.value();
}

std::string StepPrint::line() const {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%d %d %016" PRIx64 " %016" PRIx64 " %016" PRIx64, nstep, ncell, clock, flow,
                  grid);
    return buf;
}

StepPrint StepPrint::parse(const std::string& line) {
    StepPrint s;
    std::sscanf(line.c_str(), "%d %d %" SCNx64 " %" SCNx64 " %" SCNx64, &s.nstep, &s.ncell, &s.clock, &s.flow,
                &s.grid);
    return s;
}

}  // namespace qelta::testing
