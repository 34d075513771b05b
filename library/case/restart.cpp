// The restart file "runsave": records 1 to 34 in their order, each framed by
// its length before and after. Active edges are list_edg(1..nedge), mother
// edges the top nmother positions, active cells list_cel(1..ncell), father
// cells the top nfather positions; a record of per-edge or per-cell groups
// holds them one after another in list order.
#include "case/restart.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "case/cases.h"
#include "case/run_driver.h"
#include "case/units.h"
#include "common/checks.h"
#include "common/fixed_text.h"
#include "common/format.h"
#include "common/log.h"
#include "common/record_file.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/adapt.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_files.h"
#include "grid/grid_store.h"

namespace qelta {

namespace {

constexpr char restart_file[] = "runsave";
constexpr double file_version = 6.0;  // 6.0 and later hold record 34
constexpr int ident_length = 33;
constexpr char ident_text[] = "QELTA adaptive flow solver v 6.0";
constexpr char saving_text[] = "Data Saving .......";
constexpr int saving_length = 19;
constexpr int sizes_third = 8;  // written, not checked

// Item sizes in bytes.
constexpr long i4 = 4, r8 = 8, l4 = 4;

// Physical ranges of the values the file restores (non-dimensional, in the
// units of the reference state): densities and pressures positive and below
// 1e12 times those of the undisturbed gas, speeds below that of light
// (1e6 a_ref).
constexpr Range state_range{0, 1e12, true, true};
constexpr Range speed_range{-1e6, 1e6};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string quoted_name() { return std::string("\"") + restart_file + "\""; }

// The fatal stop for a record that does not hold what it should.
[[noreturn]] void bad_record(int record, std::string_view what, std::string_view detail) {
    refuse_record(restart_file, record, what, detail);
}

// Positions of the zones of the two lists.
bool mother_position(int i) { return i > MAX_EDG - grid.nmother; }
bool father_position(int i) { return i > MAX_CEL - grid.nfather; }

// The items of a zone in list order.
template <class Item>
void each_active_edge(Item item) {
    for (int i = 1; i <= grid.nedge; ++i) item(list_edg(i));
}
template <class Item>
void each_mother_edge(Item item) {
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) item(list_edg(i));
}
template <class Item>
void each_active_cell(Item item) {
    for (int i = 1; i <= grid.ncell; ++i) item(list_cel(i));
}
template <class Item>
void each_father_cell(Item item) {
    for (int i = MAX_CEL - grid.nfather + 1; i <= MAX_CEL; ++i) item(list_cel(i));
}

// ---------------------------------------------------------------------------
// Writing.

void write_edge_records(RecordWriter& out) {
    const int ne = grid.nedge, nm = grid.nmother;
    out.record(MAX_EDG * i4, [&] {  // 17
        for (int i = 1; i <= MAX_EDG; ++i) out.int4(list_edg(i));
    });
    out.record(ne * l4, [&] { each_active_edge([&](int e) { out.logical4(lbedge(e)); }); });  // 18
    out.record(ne * 2 * i4, [&] {  // 19
        each_active_edge([&](int e) {
            out.int4(ileft(e));
            out.int4(iright(e));
        });
    });
    out.record(ne * 6 * r8, [&] {  // 20
        each_active_edge([&](int e) {
            for (int k = 1; k <= 4; ++k) out.real8(xyedge(e, k));
            out.real8(edgratio(e, 1));
            out.real8(edgratio(e, 2));
        });
    });
    out.record(ne * i4, [&] { each_active_edge([&](int e) { out.int4(ibtype(e)); }); });  // 21
    if (nm == 0) return;
    out.record(nm * l4, [&] { each_mother_edge([&](int e) { out.logical4(lbedge(e)); }); });  // 22
    out.record(nm * 4 * i4, [&] {  // 23
        each_mother_edge([&](int e) {
            out.int4(isubedge(e, 1));
            out.int4(isubedge(e, 2));
            out.int4(ileft(e));
            out.int4(iright(e));
        });
    });
    out.record(nm * 4 * r8, [&] {  // 24
        each_mother_edge([&](int e) {
            for (int k = 1; k <= 4; ++k) out.real8(xyedge(e, k));
        });
    });
    out.record(nm * 3 * r8, [&] {  // 25
        each_mother_edge([&](int e) {
            out.real8(edglen(e));
            out.real8(edgratio(e, 1));
            out.real8(edgratio(e, 2));
        });
    });
    out.record(nm * i4, [&] { each_mother_edge([&](int e) { out.int4(ibtype(e)); }); });  // 26
}

void write_cell_records(RecordWriter& out) {
    const int nc = grid.ncell, nf = grid.nfather;
    out.record(MAX_CEL * i4, [&] {  // 27
        for (int i = 1; i <= MAX_CEL; ++i) out.int4(list_cel(i));
    });
    out.record(nc * 2 * r8, [&] {  // 28
        each_active_cell([&](int c) {
            out.real8(xc(c));
            out.real8(yc(c));
        });
    });
    out.record(nc * 4 * r8, [&] {  // 29
        each_active_cell([&](int c) {
            out.real8(cp(c));
            out.real8(cr(c));
            out.real8(cux(c));
            out.real8(cuy(c));
        });
    });
    out.record(nc * 4 * i4, [&] {  // 30
        each_active_cell([&](int c) {
            for (int k = 1; k <= 4; ++k) out.int4(icedge(c, k));
        });
    });
    out.record(nc * l4, [&] { each_active_cell([&](int c) { out.logical4(lkeep(c)); }); });  // 31
    out.record(nc * i4, [&] { each_active_cell([&](int c) { out.int4(level(c)); }); });       // 32
    if (nf == 0) return;
    out.record(nf * (3 * r8 + 9 * i4), [&] {  // 33
        each_father_cell([&](int c) {
            out.real8(xc(c));
            out.real8(yc(c));
            out.real8(area(c));
            for (int k = 1; k <= 4; ++k) out.int4(icedge(c, k));
            out.int4(level(c));
            for (int k = 1; k <= 4; ++k) out.int4(ichild(c, k));
        });
    });
}

// ---------------------------------------------------------------------------
// Reading.

class RecordReader {
public:
    RecordReader() : f_(std::fopen(restart_file, "rb")) {
        if (!f_) fatal_stop({"Cannot open the file " + quoted_name() + ": " + std::strerror(errno)});
    }

    // Opens record n, whose length must be `length` bytes.
    void begin(int n, std::string_view what, long length) {
        open(n, what);
        if (length_ != length)
            fail("the record holds " + std::to_string(length_) + " bytes where " + std::to_string(length) + " belong");
    }
    // Passes over record n, whatever its length.
    void skip(int n, std::string_view what) {
        open(n, what);
        if (std::fseek(f_.get(), length_, SEEK_CUR) != 0) fail("the record is cut short by the end of the file");
        left_ = 0;
        end();
    }
    // The trailing length marker of the record.
    void end() {
        std::uint32_t m = 0;
        if (!bytes(4, m)) fail("the end of the file comes before the record's closing length marker");
        if (m != length_)
            fail("the closing length marker " + std::to_string(m) + " differs from the opening one " +
                 std::to_string(length_));
    }
    // Nothing may follow the last record.
    void finish() {
        if (std::fgetc(f_.get()) != EOF) fail_after("data follow the last record");
    }

    int int4() {
        std::uint32_t v = 0;
        item(4, v);
        return static_cast<std::int32_t>(v);
    }
    double real8() {
        std::uint64_t u = 0;
        item(8, u);
        double v;
        std::memcpy(&v, &u, sizeof v);
        return v;
    }
    Logical logical4() { return Logical::from_word(int4()); }
    // A real that the grid or the flow computes with: a finite number, or
    // a positive one.
    double finite8(std::string_view name) {
        double v = real8();
        if (!std::isfinite(v)) fail(std::string(name) + " is not a finite number");
        return v;
    }
    double positive8(std::string_view name) {
        double v = finite8(name);
        if (!(v > 0)) fail(std::string(name) + " is not positive");
        return v;
    }
    // A real within its range.
    double ranged8(std::string_view name, const Range& r) {
        double v = real8();
        if (!r.holds(v)) fail(outside(name, v, r));
        return v;
    }
    int ranged4(std::string_view name, int lo, int hi) {
        int v = int4();
        if (v < lo || v > hi) fail(outside(name, v, lo, hi));
        return v;
    }

    [[noreturn]] void fail(std::string_view detail) const { bad_record(record_, what_, detail); }

private:
    void open(int n, std::string_view what) {
        record_ = n;
        what_ = what;
        std::uint32_t m = 0;
        if (!bytes(4, m)) fail("the file ends before the record");
        length_ = m;
        left_ = length_;
    }
    template <class U>
    void item(int n, U& v) {
        if (left_ < n) fail("the record is shorter than its contents");
        if (!bytes(n, v)) fail("the record is cut short by the end of the file");
        left_ -= n;
    }
    // n little-endian bytes into v; false at the end of the file.
    template <class U>
    bool bytes(int n, U& v) {
        unsigned char b[8];
        if (std::fread(b, 1, n, f_.get()) != static_cast<std::size_t>(n)) return false;
        v = 0;
        for (int i = 0; i < n; ++i) v |= static_cast<U>(b[i]) << (8 * i);
        return true;
    }
    [[noreturn]] void fail_after(std::string_view detail) const {
        fatal_stop({"Error reading " + quoted_name() + ": " + std::string(detail)});
    }

    File f_;
    int record_ = 0;
    std::string_view what_;
    long length_ = 0;
    long left_ = 0;
};

// ---- Records 1 to 5 ----

double read_header(RecordReader& in) {
    in.begin(1, "version", r8);
    double version = in.real8();
    in.end();
    in.skip(2, "identification");
    in.skip(3, "empty record");
    in.skip(4, "title");
    in.begin(5, "sizes and gas parameters", 3 * i4 + 4 * r8);
    int cells = in.int4(), edges = in.int4();
    in.int4();
    double t_ref = in.real8();
    double reyn = in.real8(), prand = in.real8(), twall = in.real8();
    in.end();
    if (cells != MAX_CEL || edges != MAX_EDG) fatal_stop({"Mismatching in array size"});
    for (double v : {t_ref, reyn, prand, twall})
        if (!std::isfinite(v)) in.fail("the reference temperature and gas parameters must be finite numbers");
    if (!(t_ref > 0)) in.fail("the reference temperature is not positive");
    // Zero unless a viscous run set them: every run starts them at zero.
    for (auto [name, v] : {std::pair{"reyn", reyn}, {"prand", prand}, {"twall", twall}})
        if (!not_negative.holds(v)) in.fail(outside(name, v, not_negative));
    ref.t_ref = t_ref;
    run.reyn = reyn;
    run.prand = prand;
    run.twall = twall;
    // No record holds the Sutherland constants: they follow from t_ref.
    set_sutherland_constants();
    return version;
}

// ---- Records 6 to 16 ----

void read_run_records(RecordReader& in) {
    in.begin(6, "reserved reals", 6 * r8);
    for (int k = 1; k <= 6; ++k) in.real8();
    in.end();
    in.begin(7, "output counter", 6 * i4);
    run.nout = in.int4();
    for (int k = 1; k <= 5; ++k) in.int4();
    in.end();
    in.begin(8, "scheme", 2 * r8 + 2 * i4);
    run.cfl = in.ranged8("cfl", cfl_range);
    run.ischeme = in.int4();
    run.iflag_run = in.int4();
    run.cputime = in.ranged8("cputime", not_negative);
    in.end();
    in.begin(9, "levels", 2 * i4);
    run.minlev = in.int4();
    run.lmax = in.int4();
    in.end();
    in.begin(10, "adaptation thresholds", 5 * r8);
    run.refine_tol = in.ranged8("refine_tol", any_finite);
    run.coarse_tol = in.ranged8("coarse_tol", any_finite);
    run.rsave1 = in.ranged8("rsave1", any_finite);
    run.rsave2 = in.ranged8("rsave2", any_finite);
    run.rsave3 = in.ranged8("rsave3", any_finite);
    in.end();
    in.begin(11, "small terms", 2 * r8);
    // The small term of scheme 1's dissipation divides a gradient by
    // |gradient| + d eps_small: zero would give 0/0 in a flat region.
    run.eps_small = in.ranged8("eps_small", positive);
    run.eps_filter = in.ranged8("eps_filter", any_finite);
    in.end();
    in.begin(12, "Mach number and shock", 3 * r8);
    run.amach = in.ranged8("amach", any_finite);
    run.rsave4 = in.ranged8("rsave4", any_finite);
    run.xshock = in.ranged8("xshock", any_finite);
    in.end();
    in.begin(13, "gas and time offset", 3 * r8);
    run.gam = in.finite8("gam");
    run.gam1 = in.positive8("gam1");
    run.t0 = in.ranged8("t0", not_negative);
    if (!(run.gam > 1)) in.fail("gam is not above 1");
    if (!(run.gam <= gam_max)) in.fail(outside("gam", run.gam, Range{1, gam_max, true}));
    // gam1 is gam - 1 as the units set it.
    if (!(std::fabs(run.gam1 - (run.gam - 1)) <= 1e-12 * run.gam))
        in.fail("gam1 = " + number_text(run.gam1) + " is not gam - 1 = " + number_text(run.gam - 1));
    in.end();
    in.begin(14, "time and step", 2 * r8 + i4);
    run.time = in.ranged8("time", not_negative);
    run.nstep = in.ranged4("nstep", 0, max_run_steps);
    run.dt = in.ranged8("dt", positive);
    in.end();
}

void check_count(const RecordReader& in, std::string_view name, int value, int lo, int hi) {
    if (value < lo || value > hi)
        in.fail(std::string(name) + " = " + std::to_string(value) + " is outside " + std::to_string(lo) + " .. " +
                std::to_string(hi));
}

void read_counts(RecordReader& in) {
    in.begin(15, "counts", 5 * i4);
    grid.nedge = in.int4();
    grid.ncell = in.int4();
    grid.nmother = in.int4();
    grid.nfather = in.int4();
    grid.ncell0 = in.int4();
    check_count(in, "nedge", grid.nedge, 0, MAX_EDG);
    check_count(in, "nmother", grid.nmother, 0, MAX_EDG - grid.nedge);
    check_count(in, "ncell", grid.ncell, 0, MAX_CEL);
    check_count(in, "nfather", grid.nfather, 0, MAX_CEL - grid.ncell);
    check_count(in, "ncell0", grid.ncell0, 0, MAX_CEL);
    in.end();
    in.begin(16, "energy source", l4);
    run.lsource = in.logical4();
    in.end();
}

// ---- The lists and the links between cells and edges ----

// Zone of each number, from its list position: 1 active, 2 mother edge or
// father cell, 3 free; 0 while the list has not named it.
enum Zone { unnamed = 0, active_zone = 1, parent_zone = 2, free_zone = 3 };
int& edge_zone(int e) { return iwork_edg(e); }
int& cell_zone(int c) { return iwork_cel(c); }

// A list must name every number 1..N once.
template <class List, class ZoneOf, class ZoneAt>
void read_list(RecordReader& in, List& list, ZoneOf zone, ZoneAt zone_at) {
    constexpr int n = List::size;
    for (int i = 1; i <= n; ++i) zone(i) = unnamed;
    for (int i = 1; i <= n; ++i) {
        int v = in.int4();
        if (v < 1 || v > n)
            in.fail("the entry " + std::to_string(v) + " at position " + std::to_string(i) + " is outside 1 .. " +
                    std::to_string(n));
        if (zone(v) != unnamed)
            in.fail(std::to_string(v) + " appears twice (again at position " + std::to_string(i) + ")");
        zone(v) = zone_at(i);
        list(i) = v;
    }
}

void read_edge_list(RecordReader& in) {
    in.begin(17, "list_edg", MAX_EDG * i4);
    read_list(in, list_edg, edge_zone, [](int i) {
        return i <= grid.nedge ? active_zone : mother_position(i) ? parent_zone : free_zone;
    });
    in.end();
}

void read_cell_list(RecordReader& in) {
    in.begin(27, "list_cel", MAX_CEL * i4);
    read_list(in, list_cel, cell_zone, [](int i) {
        return i <= grid.ncell ? active_zone : father_position(i) ? parent_zone : free_zone;
    });
    in.end();
}

double end_point(RecordReader& in) { return in.ranged8("an end point", coordinate_range); }
double end_weight(RecordReader& in) { return in.ranged8("an end weight", wall_factor_range); }

// The codes of the boundary types; inner edges hold 0 (the run start clears
// every edge's type and adaptation gives its inner edges 0).
bool known_boundary_type(int type) {
    using namespace boundary;
    return type == 0 || type == -1 || type == slip_wall || type == open_boundary || type == isothermal_wall ||
           type == no_slip_wall || type == symmetry_axis;
}

int boundary_type(RecordReader& in, int e) {
    int type = in.int4();
    if (!known_boundary_type(type))
        in.fail("edge " + std::to_string(e) + " has the boundary type " + std::to_string(type) +
                ", which is none of -1, 0, 1, 2, 3, 4 and 6");
    // A type on an inner edge would limit its fluxes and project its split
    // points as if it were a wall.
    if (!lbedge(e) && type != 0)
        in.fail("inner edge " + std::to_string(e) + " has the boundary type " + std::to_string(type) +
                ", where an edge inside the grid has the type 0");
    return type;
}

void read_edge_records(RecordReader& in) {
    const int ne = grid.nedge, nm = grid.nmother;
    read_edge_list(in);
    in.begin(18, "boundary flags", ne * l4);
    each_active_edge([&](int e) { lbedge(e) = in.logical4(); });
    in.end();
    in.begin(19, "cells of the edges", ne * 2 * i4);
    each_active_edge([&](int e) {
        ileft(e) = in.int4();
        iright(e) = in.int4();
    });
    in.end();
    in.begin(20, "end points and weights", ne * 6 * r8);
    each_active_edge([&](int e) {
        for (int k = 1; k <= 4; ++k) xyedge(e, k) = end_point(in);
        edgratio(e, 1) = end_weight(in);
        edgratio(e, 2) = end_weight(in);
    });
    in.end();
    in.begin(21, "boundary types", ne * i4);
    each_active_edge([&](int e) { ibtype(e) = boundary_type(in, e); });
    in.end();
    if (nm == 0) return;
    in.begin(22, "boundary flags of the mother edges", nm * l4);
    each_mother_edge([&](int e) { lbedge(e) = in.logical4(); });
    in.end();
    in.begin(23, "halves and cells of the mother edges", nm * 4 * i4);
    each_mother_edge([&](int e) {
        isubedge(e, 1) = in.int4();
        isubedge(e, 2) = in.int4();
        ileft(e) = in.int4();
        iright(e) = in.int4();
    });
    in.end();
    in.begin(24, "end points of the mother edges", nm * 4 * r8);
    each_mother_edge([&](int e) {
        for (int k = 1; k <= 4; ++k) xyedge(e, k) = end_point(in);
    });
    in.end();
    in.begin(25, "lengths and weights of the mother edges", nm * 3 * r8);
    each_mother_edge([&](int e) {
        edglen(e) = in.finite8("a length");
        const double length = std::hypot(xyedge(e, 3) - xyedge(e, 1), xyedge(e, 4) - xyedge(e, 2));
        if (!(std::fabs(edglen(e) - length) <= 1e-9 * length))
            in.fail("mother edge " + std::to_string(e) + " has the length " + number_text(edglen(e)) +
                    " where its end points are " + number_text(length) + " apart");
        edgratio(e, 1) = end_weight(in);
        edgratio(e, 2) = end_weight(in);
    });
    in.end();
    in.begin(26, "boundary types of the mother edges", nm * i4);
    each_mother_edge([&](int e) { ibtype(e) = boundary_type(in, e); });
    in.end();
    each_mother_edge([](int e) { lsplit(e) = true; });
}

// The primitive state of every active cell lies in its physical range.
void check_state() {
    each_active_cell([](int c) {
        auto check = [c](std::string_view name, double v, const Range& range) {
            if (!range.holds(v))
                bad_record(29, "conservative state", outside(std::string(name) + " of cell " + std::to_string(c), v, range));
        };
        check("the density", r(c), state_range);
        check("the pressure", p(c), state_range);
        check("the x velocity", ux(c), speed_range);
        check("the y velocity", uy(c), speed_range);
    });
}

void read_cell_records(RecordReader& in) {
    const int nc = grid.ncell, nf = grid.nfather;
    read_cell_list(in);
    in.begin(28, "cell centres", nc * 2 * r8);
    each_active_cell([&](int c) {
        xc(c) = in.finite8("a cell centre");
        yc(c) = in.finite8("a cell centre");
    });
    in.end();
    in.begin(29, "conservative state", nc * 4 * r8);
    each_active_cell([&](int c) {
        cp(c) = in.finite8("an energy");
        cr(c) = in.positive8("a density");
        cux(c) = in.finite8("a momentum");
        cuy(c) = in.finite8("a momentum");
    });
    in.end();
    in.begin(30, "edges of the cells", nc * 4 * i4);
    each_active_cell([&](int c) {
        for (int k = 1; k <= 4; ++k) icedge(c, k) = in.int4();
    });
    in.end();
    in.begin(31, "keep marks", nc * l4);
    each_active_cell([&](int c) { lkeep(c) = in.logical4(); });
    in.end();
    in.begin(32, "levels", nc * i4);
    each_active_cell([&](int c) { level(c) = in.int4(); });
    in.end();
    cons_to_prim();
    check_state();
    if (nf == 0) return;
    in.begin(33, "father cells", nf * (3 * r8 + 9 * i4));
    each_father_cell([&](int c) {
        xc(c) = in.finite8("a cell centre");
        yc(c) = in.finite8("a cell centre");
        area(c) = in.finite8("an area");
        for (int k = 1; k <= 4; ++k) icedge(c, k) = in.int4();
        level(c) = in.int4();
        for (int k = 1; k <= 4; ++k) ichild(c, k) = in.int4();
    });
    in.end();
    each_father_cell([](int c) { lfather(c) = true; });
}

void read_reference(RecordReader& in) {
    in.begin(34, "characteristic quantities", 9 * r8);
    ref.t_ref = in.ranged8("t_ref", positive);
    ref.l_ref = in.ranged8("l_ref", positive);
    ref.a_ref = in.ranged8("a_ref", positive);
    ref.t_scale = in.ranged8("t_scale", positive);
    ref.rho_scale = in.ranged8("rho_scale", positive);
    ref.p_ref = in.ranged8("p_ref", positive);
    ref.mu_ref = in.ranged8("mu_ref", not_negative);  // zero unless a viscous run set it
    ref.k_ref = in.ranged8("k_ref", not_negative);
    ref.e_scale = in.ranged8("e_scale", positive);
    in.end();
}

// ---- Consistency of the grid that the file describes ----
//
// A grid that passes these checks can be stepped and adapted: every number
// it names is a live cell or edge, every cell lies on the side of its edges
// that the orientation gives it, every mother edge is split into two
// shorter halves of its own, every father's edges are mother edges whose
// halves its children hold, and the edges' cells own those edges (or the
// edges they were split from).

// Words and numbers of a message, one blank between them.
std::string words(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts) {
        if (!s.empty()) s += ' ';
        s += p;
    }
    return s;
}
std::string num(long v) { return std::to_string(v); }

// Every cell and edge that the grid names must be one that the lists hold
// as active or as parent (father cell, mother edge).
bool live_cell(int c) { return c >= 1 && c <= MAX_CEL && (cell_zone(c) == active_zone || cell_zone(c) == parent_zone); }
bool live_edge(int e) { return e >= 1 && e <= MAX_EDG && (edge_zone(e) == active_zone || edge_zone(e) == parent_zone); }
bool mother_edge(int e) { return edge_zone(e) == parent_zone; }

void check_links() {
    auto bad = [](int record, std::string_view what, std::string_view owner, int n, std::string_view kind, int v) {
        std::string parent = (kind == "edge") ? "mother edge" : "father cell";
        bad_record(record, what,
                   std::string(owner) + " " + std::to_string(n) + " names " + std::string(kind) + " " +
                       std::to_string(v) + ", which is neither an active " + std::string(kind) + " nor a " + parent);
    };
    each_active_edge([&](int e) {
        for (int v : {ileft(e), iright(e)})
            if (!live_cell(v)) bad(19, "cells of the edges", "edge", e, "cell", v);
    });
    each_mother_edge([&](int e) {
        for (int v : {isubedge(e, 1), isubedge(e, 2)})
            if (!live_edge(v)) bad(23, "halves and cells of the mother edges", "mother edge", e, "edge", v);
        for (int v : {ileft(e), iright(e)})
            if (!live_cell(v)) bad(23, "halves and cells of the mother edges", "mother edge", e, "cell", v);
    });
    each_active_cell([&](int c) {
        for (int k = 1; k <= 4; ++k)
            if (!live_edge(icedge(c, k))) bad(30, "edges of the cells", "cell", c, "edge", icedge(c, k));
    });
    each_father_cell([&](int c) {
        for (int k = 1; k <= 4; ++k) {
            if (!live_edge(icedge(c, k))) bad(33, "father cells", "father cell", c, "edge", icedge(c, k));
            if (!live_cell(ichild(c, k))) bad(33, "father cells", "father cell", c, "cell", ichild(c, k));
        }
    });
}

// Scratch of the checks: the mother edge of each half and the father of
// each child (0: none).
int& mother_of(int e) { return iwork(e, 1); }
int& father_of(int c) { return iwork_ad(c); }

double edge_length(int e) { return std::hypot(xyedge(e, 3) - xyedge(e, 1), xyedge(e, 4) - xyedge(e, 2)); }

std::string point_text(Vec2 p) {
    std::string s(1, '(');
    s += number_text(p.x);
    s += ", ";
    s += number_text(p.y);
    s += ')';
    return s;
}

// Points that the grid shares are the same numbers in a file of the
// library's own; the tolerance allows the round-off of a length scale and
// of the coordinates' size.
double round_off(double length, std::initializer_list<Vec2> points) {
    double size = 0;
    for (Vec2 p : points) size = std::max({size, std::fabs(p.x), std::fabs(p.y)});
    return 1e-9 * length + 1e-15 * size;
}
bool same_point(Vec2 a, Vec2 b, double tol) { return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol; }

// Two distinct halves per mother edge, each the half of no other edge and
// shorter than its mother (so that no chain of halves returns to its start).
void check_halves() {
    for (int e = 1; e <= MAX_EDG; ++e) mother_of(e) = 0;
    constexpr int record = 23;
    constexpr std::string_view what = "halves and cells of the mother edges";
    each_mother_edge([&](int m) {
        for (int h = 1; h <= 2; ++h) {
            int e = isubedge(m, h);
            if (mother_of(e) != 0 || e == m)
                bad_record(record, what,
                           words({"edge", num(e), "is a half of mother edge", num(m), "and of edge",
                                  num(mother_of(e) != 0 ? mother_of(e) : m)}));
            if (!(edge_length(e) < edge_length(m)))
                bad_record(record, what, words({"half", num(e), "is not shorter than its mother edge", num(m)}));
            mother_of(e) = m;
        }
        // The first half runs from the mother's start to the split point,
        // the second from there to the mother's end.
        const int h1 = isubedge(m, 1), h2 = isubedge(m, 2);
        const double tol = round_off(edge_length(m), {edge_start(m), edge_end(m)});
        if (!(same_point(edge_start(h1), edge_start(m), tol) && same_point(edge_end(h1), edge_start(h2), tol) &&
              same_point(edge_end(h2), edge_end(m), tol)))
            bad_record(24, "end points of the mother edges",
                       "the halves " + num(h1) + " and " + num(h2) + " of mother edge " + num(m) + " run from " +
                           point_text(edge_start(h1)) + " to " + point_text(edge_end(h1)) + " and from " +
                           point_text(edge_start(h2)) + " to " + point_text(edge_end(h2)) +
                           ", which is not from its start " + point_text(edge_start(m)) +
                           " through one point to its end " + point_text(edge_end(m)));
    });
}

// A cell is ileft of its edges 1 and 4 and iright of its edges 2 and 3.

void check_orientation() {
    auto check = [](int record, std::string_view what, int c) {
        for (int k = 1; k <= 4; ++k) {
            int e = icedge(c, k);
            if (own_side(e, k) != c)
                bad_record(record, what,
                           words({"cell", num(c), "has edge", num(e), "as its edge", num(k),
                                  "but the edge holds cell", num(own_side(e, k)), "on that side"}));
        }
    };
    each_active_cell([&](int c) { check(30, "edges of the cells", c); });
    each_father_cell([&](int c) { check(33, "father cells", c); });
}

// Cell c holds edge e, or an edge that e is a part of, as its edge k.
bool holds(int c, int k, int e) {
    for (int a = e; a != 0; a = mother_of(a))
        if (icedge(c, k) == a) return true;
    return false;
}

// The cells of every edge hold it: the left cell as its edge 1 or 4, the
// right one as 2 or 3; a boundary edge holds its cell on both sides.
void check_edge_cells() {
    auto check = [](int record, std::string_view what, int e) {
        int L = ileft(e), R = iright(e);
        bool ok;
        if (lbedge(e))
            ok = L == R && (holds(L, 1, e) || holds(L, 2, e) || holds(L, 3, e) || holds(L, 4, e));
        else
            ok = (holds(L, 1, e) || holds(L, 4, e)) && (holds(R, 2, e) || holds(R, 3, e));
        if (!ok)
            bad_record(record, what,
                       words({lbedge(e) ? "boundary edge" : "edge", num(e), "names the cells", num(L), "and",
                              num(R), "which do not hold it on those sides"}));
    };
    each_active_edge([&](int e) { check(19, "cells of the edges", e); });
    each_mother_edge([&](int e) { check(23, "halves and cells of the mother edges", e); });
}

// Children of one father each, one level below it; the edges of the family
// as adapt lays them out (the children hold the halves of the father's
// edges and share the four inner edges).
void check_families() {
    constexpr int record = 33;
    constexpr std::string_view what = "father cells";
    for (int c = 1; c <= MAX_CEL; ++c) father_of(c) = 0;
    auto level_ok = [](int record, std::string_view what, int c) {
        if (level(c) < 0 || level(c) > max_level)
            bad_record(record, what,
                       words({"cell", num(c), "has the level", num(level(c)) + ";", "levels run from 0 to",
                              num(max_level)}));
    };
    each_active_cell([&](int c) { level_ok(32, "levels", c); });
    each_father_cell([&](int f) {
        level_ok(record, what, f);
        for (int j = 1; j <= 4; ++j) {
            int c = ichild(f, j);
            if (father_of(c) != 0 || c == f)
                bad_record(record, what,
                           words({"cell", num(c), "is a child of father cell", num(f), "and of cell",
                                  num(father_of(c) != 0 ? father_of(c) : f)}));
            if (static_cast<long>(level(c)) != static_cast<long>(level(f)) + 1)
                bad_record(record, what,
                           words({"child", num(c), "of level", num(level(c)), "of father cell", num(f), "of level",
                                  num(level(f))}));
            father_of(c) = f;
        }
        for (int k = 1; k <= 4; ++k)
            if (!mother_edge(icedge(f, k)))
                bad_record(record, what, words({"edge", num(k), "of father cell", num(f), "is not a mother edge"}));
        auto half = [&](int k, int h) { return isubedge(icedge(f, k), h); };
        auto child_edge = [&](int j, int k) { return icedge(ichild(f, j), k); };
        bool fits = child_edge(1, 1) == half(1, 1) && child_edge(1, 4) == half(4, 2) &&  // south-east
                    child_edge(2, 1) == half(1, 2) && child_edge(2, 2) == half(2, 2) &&  // north-east
                    child_edge(3, 2) == half(2, 1) && child_edge(3, 3) == half(3, 2) &&  // north-west
                    child_edge(4, 3) == half(3, 1) && child_edge(4, 4) == half(4, 1) &&  // south-west
                    child_edge(1, 2) == child_edge(2, 4) && child_edge(2, 3) == child_edge(3, 1) &&
                    child_edge(3, 4) == child_edge(4, 2) && child_edge(4, 1) == child_edge(1, 3);
        if (!fits)
            bad_record(record, what,
                       words({"the children of father cell", num(f), "do not hold its halves and inner edges"}));
    });
}

// The edges of every cell close round its corners: edge 4 runs from the
// lower-left corner to the lower-right one, edge 1 on to the upper right,
// edge 3 from the lower left to the upper left and edge 2 on to the upper
// right (a split edge by the end points of the whole edge).
void check_cell_loops() {
    auto check = [](int record, std::string_view what, int c) {
        const int e1 = icedge(c, 1), e2 = icedge(c, 2), e3 = icedge(c, 3), e4 = icedge(c, 4);
        struct Join {
            const char* corner;
            int k1;
            Vec2 a;
            const char* runs;
            int k2;
            Vec2 b;
            const char* runs2;
        };
        const Join joins[4] = {
            {"lower right", 4, edge_end(e4), "ends", 1, edge_start(e1), "starts"},
            {"upper right", 1, edge_end(e1), "ends", 2, edge_end(e2), "ends"},
            {"upper left", 3, edge_end(e3), "ends", 2, edge_start(e2), "starts"},
            {"lower left", 4, edge_start(e4), "starts", 3, edge_start(e3), "starts"},
        };
        const double tol = round_off(edge_length(e1) + edge_length(e2) + edge_length(e3) + edge_length(e4),
                                     {edge_start(e4), edge_end(e4), edge_end(e1), edge_end(e3)});
        for (const Join& j : joins) {
            if (same_point(j.a, j.b, tol)) continue;
            bad_record(record, what,
                       "the edges of cell " + num(c) + " do not close round its corners: at its " + j.corner +
                           " corner its edge " + num(j.k1) + " (edge " + num(icedge(c, j.k1)) + ") " + j.runs +
                           " at " + point_text(j.a) + " and its edge " + num(j.k2) + " (edge " +
                           num(icedge(c, j.k2)) + ") " + j.runs2 + " at " + point_text(j.b));
        }
    };
    each_active_cell([&](int c) { check(30, "edges of the cells", c); });
    each_father_cell([&](int c) { check(33, "father cells", c); });
}

// The cells without a father are the base cells refined uniformly at the
// run start: all of one level, the level of the first of them.
struct Roots {
    int level = 0;
    long count = 0;
};
Roots roots;

void check_root_levels() {
    roots = Roots{};
    int first = 0;
    auto check = [&first](int record, std::string_view what, int c) {
        if (father_of(c) != 0) return;
        ++roots.count;
        if (first == 0) {
            first = c;
            roots.level = level(c);
            return;
        }
        if (level(c) != roots.level)
            bad_record(record, what,
                       "cell " + num(c) + ", which has no father, has the level " + num(level(c)) + " where cell " +
                           num(first) + " has the level " + num(roots.level) +
                           ": the cells without a father are the base grid refined uniformly, all of one level");
    };
    each_active_cell([&](int c) { check(32, "levels", c); });
    each_father_cell([&](int c) { check(33, "father cells", c); });
}

// The centre of every cell lies within the box of its corners, and the
// area of a father is positive and within what a cell of that box can
// have, plane or axisymmetric (the integral of 2y).
void check_cell_shapes() {
    auto check = [](int record, std::string_view what, int c, bool father) {
        const Corners k = cell_corners(c);
        const double x0 = std::min({k.ll.x, k.lr.x, k.ur.x, k.ul.x}), x1 = std::max({k.ll.x, k.lr.x, k.ur.x, k.ul.x});
        const double y0 = std::min({k.ll.y, k.lr.y, k.ur.y, k.ul.y}), y1 = std::max({k.ll.y, k.lr.y, k.ur.y, k.ul.y});
        const double tol = 1e-9 * ((x1 - x0) + (y1 - y0));
        if (!(xc(c) >= x0 - tol && xc(c) <= x1 + tol && yc(c) >= y0 - tol && yc(c) <= y1 + tol))
            bad_record(record, what,
                       "the centre (" + number_text(xc(c)) + ", " + number_text(yc(c)) + ") of cell " + num(c) +
                           " lies outside its corners");
        if (!father) return;
        const double most = (x1 - x0) * (y1 - y0) * std::max(1.0, 2 * std::max(std::fabs(y0), std::fabs(y1)));
        if (!(area(c) > 0 && area(c) <= most * (1 + 1e-9)))
            bad_record(record, what,
                       "father cell " + num(c) + " has the area " + number_text(area(c)) +
                           ", where its corners allow above 0 and at most " + number_text(most));
    };
    each_active_cell([&](int c) { check(28, "cell centres", c, false); });
    each_father_cell([&](int c) { check(33, "father cells", c, true); });
}

// ---- The grid the run builds itself ----
//
// A file of the run holds the base grid that the run start builds (the
// case's grid file converted, bent to the run's angle and smoothed as the
// run asks, or the built-in grid), refined uniformly to the level of its
// cells without a father: ncell0 base cells, 4^level times as many cells
// without a father, and a corner of one of those at every corner of a base
// cell (a split adds points and moves none). The base grid is built before
// the file is read, in the storage that the file then fills; its corners
// are kept sorted by x, then y.

struct BaseCorner {
    Vec2 at;
    int cell;
    bool found;
};
Array1<BaseCorner, 4 * MAX_CEL> base_corner;

struct BaseGrid {
    int ncell = 0;
    int ncorner = 0;
    double tol = 0;    // round-off of the grid's size
    std::string name;  // case 2 on the grid of "./grid/wedge/wedge30.neu" at 35 degrees
};
BaseGrid base;

std::string run_grid_name() {
    std::string s = "case " + num(case_id());
    if (run.ibgrid != 1) return s + " on the built-in grid of three cells";
    const bool mesh = std::filesystem::exists(run.meshfile.str());
    s += " on the grid of \"" + (mesh ? run.meshfile.str() : run.gridfile.str()) + "\"";
    if (case_id() == 2 || case_id() == 4) s += " at " + number_text(run.wangle) + " degrees";
    if (run.ioptgrid == 1) s += ", smoothed";
    return s;
}

bool corner_before(const BaseCorner& a, const BaseCorner& b) {
    return a.at.x < b.at.x || (a.at.x == b.at.x && a.at.y < b.at.y);
}

// The base grid as build_base_grid reads it, and its cells' corners.
void read_run_base_grid() {
    base = BaseGrid{};
    base.name = run_grid_name();
    write_log("Base grid of the run, to compare with the grid of ", quoted_name());
    if (run.ibgrid == 1)
        load_grid();
    else
        grid_three_cells();
    base.ncell = grid.ncell;
    double x0 = run.big, x1 = -run.big, y0 = run.big, y1 = -run.big;
    for (int i = 1; i <= grid.ncell; ++i) {
        const int c = list_cel(i);
        const Corners k = cell_corners(c);
        for (Vec2 p : {k.ll, k.lr, k.ur, k.ul}) {
            base_corner(++base.ncorner) = {p, c, false};
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
    }
    base.tol = 1e-9 * std::max(x1 - x0, y1 - y0);
    std::sort(base_corner.data(), base_corner.data() + base.ncorner, corner_before);
}

// Marks the base corners at point p.
void mark_base_corners(Vec2 p) {
    BaseCorner* first = base_corner.data();
    BaseCorner* last = first + base.ncorner;
    const BaseCorner low{{p.x - base.tol, -run.big}, 0, false};
    for (BaseCorner* b = std::lower_bound(first, last, low, corner_before); b != last && b->at.x <= p.x + base.tol;
         ++b)
        if (std::fabs(b->at.y - p.y) <= base.tol) b->found = true;
}

// Marks the base corners at the corners of the file's cells without a
// father (with the fathers of check_families).
void mark_file_corners() {
    auto mark = [](int c) {
        if (father_of(c) != 0) return;
        const Corners k = cell_corners(c);
        for (Vec2 p : {k.ll, k.lr, k.ur, k.ul}) mark_base_corners(p);
    };
    each_active_cell(mark);
    each_father_cell(mark);
}

// After the boundary types, which tell most files of another case apart.
void compare_base_grid() {
    const std::string another = ": the file holds the grid of another case or grid file";
    if (grid.ncell0 != base.ncell)
        bad_record(15, "counts",
                   "the file's grid has " + num(grid.ncell0) + " base cells (ncell0) where " + base.name + " has " +
                       num(base.ncell) + another);
    long refined = grid.ncell0;
    for (int l = 1; l <= roots.level; ++l) refined *= 4;
    if (roots.count != refined)
        bad_record(15, "counts",
                   "the file's grid has " + num(roots.count) + " cells without a father, of level " +
                       num(roots.level) + ", where its " + num(grid.ncell0) +
                       " base cells (ncell0) refined uniformly to that level make " + num(refined));
    for (int i = 1; i <= base.ncorner; ++i) {
        const BaseCorner& b = base_corner(i);
        if (!b.found)
            bad_record(20, "end points and weights",
                       "base cell " + num(b.cell) + " of " + base.name + " has a corner at " + point_text(b.at) +
                           ", where no cell of the file's grid without a father has one (to " +
                           number_text(base.tol) + ")" + another);
    }
}

void check_grid() {
    check_links();
    check_halves();
    check_orientation();
    check_edge_cells();
    check_families();
    check_root_levels();
    check_cell_loops();
    check_cell_shapes();
    mark_file_corners();
}

// ---- The run that reads the file ----
//
// The file must hold the grid of the case that reads it, with the boundary
// types the case gives its edges and the base grid that the run builds;
// cells of positive area; the gas parameters of a viscous run; and an end
// within the steps a run may take.

void check_boundary_types() {
    const double tol = axis_tolerance();
    auto check = [tol](int record, std::string_view what, int e) {
        if (!lbedge(e)) return;
        const int want = case_boundary_type(e, tol);
        if (ibtype(e) == want) return;
        bad_record(record, what,
                   "boundary edge " + num(e) + " from (" + number_text(xyedge(e, 1)) + ", " +
                       number_text(xyedge(e, 2)) + ") to (" + number_text(xyedge(e, 3)) + ", " +
                       number_text(xyedge(e, 4)) + ") has the type " + num(ibtype(e)) + " where case " +
                       num(case_id()) + " gives it the type " + num(want) +
                       ": the file holds the grid of another case or run");
    };
    each_active_edge([&](int e) { check(21, "boundary types", e); });
    each_mother_edge([&](int e) { check(26, "boundary types of the mother edges", e); });
}

void check_restored_run() {
    check_boundary_types();
    compare_base_grid();
    each_active_cell([](int c) {
        if (!(area(c) > 0))
            bad_record(20, "end points and weights",
                       "cell " + num(c) + " has the area " + number_text(area(c)) + " from the end points of its edges");
    });
    if (run.ns == 1) {
        for (auto [name, v] : {std::pair{"reyn", run.reyn}, {"prand", run.prand}, {"twall", run.twall}})
            if (!(v > 0))
                bad_record(5, "sizes and gas parameters",
                           std::string(name) + " is " + number_text(v) + ", where a viscous run needs it positive");
    }
    if (!steps_fit(run.dt))
        bad_record(14, "time and step",
                   "from the time " + number_text(run.time) + " at the pace of the step " + number_text(run.dt) +
                       " the run would need more than " + num(max_run_steps) + " steps to its end at " +
                       number_text(run.t0 + run.tend));
}

// ---- Steps after the file ----

void complete_setup() {
    read_control_file();
    apply_block_overrides();
    run.gridfile = "celledge.dat";
    set_background_grid();
    write_log("DD");
    read_controladv_file();
    derive_run_parameters();
    // No record holds the airfoil's deposition flag. The deposition comes in
    // the first step that begins after half the run, so it has been made
    // when the last step before the save, which began at time - dt, did.
    run.lightning_done = run.nstep > 0 && run.time - run.dt > run.tend / 2;
    build_edge_lists();
    cell_geometry();
    check_restored_run();
    if (run.irecon == 1) lsq_matrix();
    write_log("Reading data ....END");
}

}  // namespace

void write_restart() {
    write_log();
    write_log("Saving data for restarting computation .......");
    write_log();
    RecordWriter out(restart_file);
    FixedText<ident_length> ident;
    ident = ident_text;
    out.record(r8, [&] { out.real8(file_version); });                    // 1
    out.record(ident_length, [&] { out.text(ident.padded()); });       // 2
    out.record(0, [] {});                                              // 3
    out.record(saving_length, [&] { out.text(saving_text); });         // 4
    out.record(3 * i4 + 4 * r8, [&] {                                  // 5
        out.int4(MAX_CEL);
        out.int4(MAX_EDG);
        out.int4(sizes_third);
        for (double v : {ref.t_ref, run.reyn, run.prand, run.twall}) out.real8(v);
    });
    out.record(6 * r8, [&] {  // 6
        for (int k = 1; k <= 6; ++k) out.real8(0.0);
    });
    out.record(6 * i4, [&] {  // 7
        out.int4(run.nout);
        for (int k = 1; k <= 5; ++k) out.int4(0);
    });
    out.record(2 * r8 + 2 * i4, [&] {  // 8
        out.real8(run.cfl);
        out.int4(run.ischeme);
        out.int4(run.iflag_run);
        out.real8(run.cputime);
    });
    out.record(2 * i4, [&] {  // 9
        out.int4(run.minlev);
        out.int4(run.lmax);
    });
    out.record(5 * r8, [&] {  // 10
        for (double v : {run.refine_tol, run.coarse_tol, run.rsave1, run.rsave2, run.rsave3}) out.real8(v);
    });
    out.record(2 * r8, [&] {  // 11
        out.real8(run.eps_small);
        out.real8(run.eps_filter);
    });
    out.record(3 * r8, [&] {  // 12
        for (double v : {run.amach, run.rsave4, run.xshock}) out.real8(v);
    });
    out.record(3 * r8, [&] {  // 13
        for (double v : {run.gam, run.gam1, run.t0}) out.real8(v);
    });
    out.record(2 * r8 + i4, [&] {  // 14
        out.real8(run.time);
        out.int4(run.nstep);
        out.real8(run.dt);
    });
    out.record(5 * i4, [&] {  // 15
        for (int v : {grid.nedge, grid.ncell, grid.nmother, grid.nfather, grid.ncell0}) out.int4(v);
    });
    out.record(l4, [&] { out.logical4(run.lsource); });  // 16
    write_edge_records(out);                               // 17-26
    write_cell_records(out);                               // 27-33
    out.record(9 * r8, [&] {                               // 34
        for (double v : {ref.t_ref, ref.l_ref, ref.a_ref, ref.t_scale, ref.rho_scale, ref.p_ref, ref.mu_ref,
                         ref.k_ref, ref.e_scale})
            out.real8(v);
    });
    out.close();
}

void read_restart() {
    write_log("Reading saved data file ", quoted_name(), " ");
    read_run_base_grid();
    {
        RecordReader in;
        double version = read_header(in);
        read_run_records(in);
        read_counts(in);
        read_edge_records(in);
        read_cell_records(in);
        if (version >= file_version) read_reference(in);
        in.finish();
        check_grid();
    }
    complete_setup();
}

}  // namespace qelta
