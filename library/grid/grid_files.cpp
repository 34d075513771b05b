#include "grid/grid_files.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/checks.h"
#include "common/format.h"
#include "common/list_read.h"
#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "grid/geometry.h"
#include "grid/gradients.h"
#include "grid/grid_store.h"
#include "grid/node_values.h"

namespace qelta {

double axis_tolerance() {
    double ymin = run.big, ymax = -run.big;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        ymin = std::min(ymin, xyedge(e, 2));
        ymax = std::max(ymax, xyedge(e, 2));
    }
    return 1e-10 * (ymax - ymin);
}

bool on_axis(int e, double tol) {
    double s = xyedge(e, 2) + xyedge(e, 4);
    return (s >= 0 && s <= static_cast<double>(1e-6f)) || (s < 0 && std::fabs(s) < tol);
}

void check_axis() {
    if (run.iaxis != 1) return;
    // An edge on y = 0 (to round-off of the grid's height) is the axis; an
    // edge below it cannot be part of a body of revolution.
    double tol = axis_tolerance();
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        double s = xyedge(e, 2) + xyedge(e, 4);
        if (on_axis(e, tol)) {
            ibtype(e) = boundary::symmetry_axis;
        } else if (s < 0) {
            fatal_stop({free_text("y must be greater than 0 for axisymmetric flows", s)});
        }
    }
}

}  // namespace qelta

namespace qelta {

namespace {

constexpr int grid_unit = 11;                    // unit of the grid data file
constexpr double deg = 0.017453292519943295;     // radians per degree
constexpr char bad_orientation[] = "edge direction or cell neighbors are wrong!";

int next_side(int k) { return k % 4 + 1; }  // sides and corners cyclic in 1..4

std::string in_quotes(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

// ---------------------------------------------------------------------------
// Converter tables. Per node n: x, y in work(n,1), work(n,3); the length of
// its neighbour list in iwork(n,1), the boundary flag in iwork(n,2); the
// neighbours in nbrcel(n,.) and their edges in node_edge(n,.). Per edge:
// its start node in iwork(e,3), the done flag of the direction walk in
// iwork_edg(e). A cell's sides k = 1..4 run from its corner k to corner k+1;
// icedge(c,k) holds the edge of side k until the edges are put in order.

Array2<int, MAX_CEL, 4> cell_node;
Array2<int, MAX_CEL, max_nbr> node_edge;

Vec2 node_point(int n) { return {work(n, 1), work(n, 3)}; }
int& list_length(int n) { return iwork(n, 1); }
int& boundary_node(int n) { return iwork(n, 2); }
int& start_node(int e) { return iwork(e, 3); }
int& edge_done(int e) { return iwork_edg(e); }
int side_start(int c, int k) { return cell_node(c, k); }
int side_end(int c, int k) { return cell_node(c, next_side(k)); }

std::string mesh_name() { return run.meshfile.str(); }

[[noreturn]] void bad_node(int n, std::string_view detail);

// Appends b (reached by edge e) to the neighbour list of a.
void append_neighbour(int a, int b, int e) {
    if (list_length(a) == max_nbr)
        bad_node(a, "more than " + std::to_string(max_nbr) + " sides meet at node " + std::to_string(a) +
                        ", where at most " + std::to_string(max_nbr) + " may");
    int k = ++list_length(a);
    nbrcel(a, k) = b;
    node_edge(a, k) = e;
}

bool in_list(int a, int b) {
    for (int k = 1; k <= list_length(a); ++k)
        if (nbrcel(a, k) == b) return true;
    return false;
}

// Twice the signed area of a cell from its corners: 2A = sum_k (p_k x p_k+1),
// positive when the corners run counterclockwise.
double twice_node_area(int c) {
    double s = 0;
    for (int k = 1; k <= 4; ++k) s += cross(node_point(side_start(c, k)), node_point(side_end(c, k)));
    return s;
}

// Record numbers of node n's and cell c's lines in the case grid file.
int node_record(int n) { return 6 + 1 + 2 + n; }
int cell_record(int nn, int c) { return 6 + 1 + 2 + nn + 2 + c; }

// The refusal of a node's or a cell's line of the case grid file.
[[noreturn]] void bad_node(int n, std::string_view detail) {
    refuse_record(mesh_name(), node_record(n), "node " + std::to_string(n), detail);
}
[[noreturn]] void bad_cell(int nn, int c, std::string_view detail) {
    refuse_record(mesh_name(), cell_record(nn, c), "cell " + std::to_string(c), detail);
}

// Whether the line begins with the items of a node line ("irr": a whole
// number and two reals) or of a cell line ("iiiiiii").
bool begins_with(std::string_view line, std::string_view kinds) {
    auto separator = [](char ch) { return ch == ' ' || ch == '\t' || ch == ','; };
    std::size_t pos = 0;
    for (char kind : kinds) {
        while (pos < line.size() && separator(line[pos])) ++pos;
        std::size_t end = pos;
        while (end < line.size() && !separator(line[end])) ++end;
        const std::string_view word = line.substr(pos, end - pos);
        int i = 0;
        double r = 0;
        if (word.empty() || !(kind == 'i' ? parse_int(word, i) : parse_real(word, r))) return false;
        pos = end;
    }
    return true;
}

void read_case_grid(int& nn, int& nc) {
    ListReader in(mesh_name());
    int rec = 0;
    while (rec < 6) in.skip(++rec);
    in.read(++rec, {item(nn, "number of nodes"), item(nc, "number of cells")});
    if (nn < 4 || nn > MAX_CEL) in.fail(rec, free_text("the number of nodes", nn, " is outside 4 ..", MAX_CEL));
    if (nc < 1 || nc > MAX_CEL) in.fail(rec, free_text("the number of cells", nc, " is outside 1 ..", MAX_CEL));
    in.skip(++rec);
    in.skip(++rec);
    // Nodes and cells are numbered by their place in the file: each line's
    // id must be that number.
    for (int n = 1; n <= nn; ++n) {
        int id;
        in.read(++rec, {item(id, "node id"), item(work(n, 1), "node x"), item(work(n, 3), "node y")});
        if (id != n)
            in.fail(rec, "node id " + std::to_string(id) + " where node " + std::to_string(n) +
                             " belongs: the node lines must follow the order of their ids 1 .. " + std::to_string(nn));
        in.require(rec, "the node x", work(n, 1), coordinate_range);
        in.require(rec, "the node y", work(n, 3), coordinate_range);
    }
    if (begins_with(in.read_line(++rec, "the line after the nodes"), "irr"))
        in.fail(rec, "a node line beyond the " + std::to_string(nn) + " nodes that record 7 states");
    in.skip(++rec);
    for (int c = 1; c <= nc; ++c) {
        int id, type, count;
        in.read(++rec, {item(id, "cell id"), item(type, "element type"), item(count, "node count"),
                        item(cell_node(c, 1), "corner node 1"), item(cell_node(c, 2), "corner node 2"),
                        item(cell_node(c, 3), "corner node 3"), item(cell_node(c, 4), "corner node 4")});
        if (id != c)
            in.fail(rec, "cell id " + std::to_string(id) + " where cell " + std::to_string(c) +
                             " belongs: the cell lines must follow the order of their ids 1 .. " + std::to_string(nc));
        for (int k = 1; k <= 4; ++k) {
            int n = cell_node(c, k);
            if (n < 1 || n > nn) in.fail(rec, free_text("corner node", n, " of cell", c, " is outside 1 ..", nn));
            for (int j = 1; j < k; ++j)
                if (cell_node(c, j) == n) in.fail(rec, free_text("cell", c, " lists node", n, " twice"));
        }
    }
    // Nothing after the cells is read, but a further cell line would leave
    // a hole where its cell belongs.
    std::string line;
    while (in.read_line_if_any(line)) {
        ++rec;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        if (begins_with(line, "iiiiiii"))
            in.fail(rec, "a cell line beyond the " + std::to_string(nc) + " cells that record 7 states");
        break;
    }
    write_log("Reading ", nn, " nodes");
    write_log("Reading ", nc, " cells");
}

// Every cell must list its corners counterclockwise, round a convex
// quadrilateral that does not cross itself.
void check_node_orientation(int nn, int nc) {
    for (int c = 1; c <= nc; ++c) {
        if (!(twice_node_area(c) > 0))
            fatal_stop({bad_orientation, free_text("cell", c, " (record", cell_record(nn, c), ") of ",
                                                   in_quotes(mesh_name()), " is not listed counterclockwise")});
        const Vec2 corners[4] = {node_point(cell_node(c, 1)), node_point(cell_node(c, 2)),
                                 node_point(cell_node(c, 3)), node_point(cell_node(c, 4))};
        if (int k = corner_not_turning_left(corners))
            fatal_stop({"Error: cell " + std::to_string(c) + " (record " + std::to_string(cell_record(nn, c)) +
                        ") of " + in_quotes(mesh_name()) +
                        " is tangled or not convex: its sides do not turn left at its corner node " +
                        std::to_string(cell_node(c, k))});
    }
}

// The grid data file keeps six significant digits of every coordinate
// (E14.6). A cell that they do not keep convex and counterclockwise (one
// thinner than about a millionth of its distance from the origin) would be
// refused only when that file is read back, under its name.
double six_digits(double v) {
    const std::string text = fmt_e(v, 14, 6);
    double r = v;
    parse_real(std::string_view(text).substr(text.find_first_not_of(' ')), r);
    return r;
}

void check_six_digit_cells(int nn, int nc) {
    for (int c = 1; c <= nc; ++c) {
        Vec2 corners[4];
        for (int k = 1; k <= 4; ++k) {
            const Vec2 p = node_point(cell_node(c, k));
            corners[k - 1] = {six_digits(p.x), six_digits(p.y)};
        }
        if (int k = corner_not_turning_left(corners))
            bad_cell(nn, c,
                     "the cell is too thin for the six significant digits of its coordinates that the grid data "
                     "file " + in_quotes(run.gridfile.trimmed()) +
                         " keeps: with its corners rounded to them, its sides do not turn left at its corner node " +
                         std::to_string(cell_node(c, k)));
    }
}

// The grid's node tables (node_cells) list at most max_nbr cells round a
// node inside the grid and one fewer round a node on its boundary.
constexpr int max_boundary_cells = max_nbr - 1;

[[noreturn]] void too_many_cells(int n, int cells, bool boundary) {
    bad_node(n, "node " + std::to_string(n) + (boundary ? ", on the boundary of the grid," : "") + " is a corner of " +
                    std::to_string(cells) + " cells, where at most " +
                    std::to_string(max_nbr) + " may meet at a node inside the grid and " +
                    std::to_string(max_boundary_cells) + " at a node on its boundary");
}

int cells_at(int n, int nc) {
    int count = 0;
    for (int c = 1; c <= nc; ++c)
        for (int k = 1; k <= 4; ++k) count += cell_node(c, k) == n;
    return count;
}

// The cell that runs through a side a -> b already, or 0 (the lists of the
// first pass of find_boundary_sides hold cells in place of edges).
int cell_running(int a, int b) {
    for (int k = 1; k <= list_length(a); ++k)
        if (nbrcel(a, k) == b) return node_edge(a, k);
    return 0;
}

// Side a -> b lies on the boundary when no cell runs through it b -> a.
// Its nodes become boundary nodes; icedge(c,k) := -1 marks the side. Two
// cells that run through a side the same way overlap: an inner side has
// exactly two cells, which run through it in opposite directions. Every
// cell at a node has one side from it, so the first pass lists the cells
// at each node.
int find_boundary_sides(int nn, int nc) {
    for (int n = 1; n <= nn; ++n) list_length(n) = 0;
    for (int c = 1; c <= nc; ++c) {
        for (int k = 1; k <= 4; ++k) {
            const int a = side_start(c, k), b = side_end(c, k);
            if (int other = cell_running(a, b))
                bad_cell(nn, c,
                         "cells " + std::to_string(other) + " (record " + std::to_string(cell_record(nn, other)) +
                             ") and " + std::to_string(c) + " both run from node " + std::to_string(a) +
                             " to node " + std::to_string(b) +
                             ": they overlap, where the two cells of an inner side run through it in opposite "
                             "directions");
            if (list_length(a) == max_nbr) too_many_cells(a, cells_at(a, nc), false);
            append_neighbour(a, b, c);
        }
    }
    for (int n = 1; n <= nn; ++n) boundary_node(n) = 0;
    for (int c = 1; c <= nc; ++c) {
        for (int k = 1; k <= 4; ++k) {
            int a = side_start(c, k), b = side_end(c, k);
            bool outer = !in_list(b, a);
            icedge(c, k) = outer ? -1 : 0;
            if (outer) boundary_node(a) = boundary_node(b) = 1;
        }
    }
    int count = 0;
    for (int n = 1; n <= nn; ++n) {
        count += boundary_node(n);
        if (boundary_node(n) && list_length(n) > max_boundary_cells) too_many_cells(n, list_length(n), true);
    }
    return count;
}

int new_edge() {
    if (grid.nedge == MAX_EDG)
        fatal_stop({"Too many edges in the case grid file " + in_quotes(mesh_name()), free_text("at most", MAX_EDG)});
    return ++grid.nedge;
}

[[noreturn]] void missing_edge(int c, int k, int a, int b) {
    write_log("ia,ib,k", a, b, k);
    std::string nbn = "nbnlst,ia", nbe = "nbelst,ia";
    for (int j = 1; j <= list_length(a); ++j) {
        free_item(nbn, nbrcel(a, j));
        free_item(nbe, node_edge(a, j));
    }
    write_log(nbn);
    write_log(nbe);
    fatal_stop({"iedge.eq.0", free_text("side", k, " of cell", c, " in ", in_quotes(mesh_name()))});
}

// Edges with their cells: a boundary side is an edge of its own that holds
// its cell on both sides; an inner side a -> b with b < a makes the edge
// with ileft := the cell, and the cell running it a -> b (a < b) becomes its
// iright.
void create_edges(int nn, int nc) {
    for (int n = 1; n <= nn; ++n) list_length(n) = 0;
    grid.nedge = 0;
    for (int c = 1; c <= nc; ++c) {
        for (int k = 1; k <= 4; ++k) {
            int a = side_start(c, k), b = side_end(c, k);
            bool outer = icedge(c, k) == -1;
            if (!outer && b > a) continue;
            int e = new_edge();
            append_neighbour(a, b, e);
            append_neighbour(b, a, e);
            icedge(c, k) = e;
            ileft(e) = c;
            iright(e) = outer ? c : 0;
            lbedge(e) = outer;
        }
    }
    for (int c = 1; c <= nc; ++c) {
        for (int k = 1; k <= 4; ++k) {
            if (icedge(c, k) != 0) continue;
            int a = side_start(c, k), b = side_end(c, k);
            int e = 0;
            for (int j = 1; j <= list_length(a) && e == 0; ++j)
                if (nbrcel(a, j) == b && !lbedge(node_edge(a, j))) e = node_edge(a, j);
            if (e == 0) missing_edge(c, k, a, b);
            iright(e) = c;
            icedge(c, k) = e;
        }
    }
}

int side_of(int c, int e) {
    for (int k = 1; k <= 4; ++k)
        if (icedge(c, k) == e) return k;
    fatal_stop({bad_orientation, free_text("edge", e, " is not a side of cell", c, " in ", in_quotes(mesh_name()))});
}

// Sets edge e from cell c's side k, run the way c runs it: c becomes ileft.
void direct_edge(int c, int k, int e) {
    int a = side_start(c, k), b = side_end(c, k);
    set_edge(e, node_point(a), node_point(b));
    start_node(e) = a;
    if (a < b) std::swap(ileft(e), iright(e));
    edge_done(e) = 1;
}

// Walks a grid line from edge e in cell c across opposite sides, giving
// every edge it crosses the direction of the cell it enters; a boundary
// edge at the far end runs the same way as the first edge.
void walk_grid_line(int e, int c) {
    while (!edge_done(e)) {
        int k = side_of(c, e);
        direct_edge(c, k, e);
        int kk = next_side(next_side(k));
        int opp = icedge(c, kk);
        if (lbedge(opp)) {
            if (!edge_done(opp)) {
                int a = side_end(c, kk), b = side_start(c, kk);
                set_edge(opp, node_point(a), node_point(b));
                start_node(opp) = a;
                edge_done(opp) = 1;
            }
            return;
        }
        int next = (ileft(opp) == c) ? iright(opp) : ileft(opp);
        if (next < 1) fatal_stop({bad_orientation, free_text("edge", opp, " has one cell only")});
        e = opp;
        c = next;
    }
}

void direct_edges() {
    for (int e = 1; e <= grid.nedge; ++e) edge_done(e) = 0;
    for (int e = 1; e <= grid.nedge; ++e)
        if (lbedge(e) && !edge_done(e)) walk_grid_line(e, ileft(e));
    // Grid lines that close on themselves (rings round a body).
    for (int e = 1; e <= grid.nedge; ++e)
        if (!edge_done(e)) walk_grid_line(e, ileft(e));
}

// Rotates a cell's sides so that edges 4 and 1 are the two it runs through
// forwards (from the edge's start node) and edges 2 and 3 the two it runs
// through backwards.
void order_cell_edges(int c) {
    bool f[5];
    for (int k = 1; k <= 4; ++k) f[k] = start_node(icedge(c, k)) == side_start(c, k);
    for (int k = 1; k <= 4; ++k) {
        int k1 = next_side(k), k2 = next_side(k1), k3 = next_side(k2);
        if (!(f[k] && f[k1] && !f[k2] && !f[k3])) continue;
        int s[4] = {icedge(c, k1), icedge(c, k2), icedge(c, k3), icedge(c, k)};
        for (int j = 1; j <= 4; ++j) icedge(c, j) = s[j - 1];
        return;
    }
    fatal_stop({bad_orientation, free_text("cell", c, " of ", in_quotes(mesh_name()))});
}

// A cell is ileft of its edges 1 and 4 and iright of its edges 2 and 3.
bool cell_edges_agree(int c) {
    return ileft(icedge(c, 1)) == c && ileft(icedge(c, 4)) == c && iright(icedge(c, 2)) == c &&
           iright(icedge(c, 3)) == c;
}

void write_grid_data() {
    open_unit(grid_unit, run.gridfile.trimmed());
    write_record(grid_unit,
                 fmt_i(grid.nedge, 7) + fmt_i(grid.ncell, 7) + fmt_i(grid.nfather, 7) + fmt_i(grid.nmother, 7));
    for (int c = 1; c <= grid.ncell; ++c) {
        std::string rec = fmt_i(c, 7);
        for (int k = 1; k <= 4; ++k) rec += fmt_i(icedge(c, k), 7);
        write_record(grid_unit, rec);
    }
    for (int e = 1; e <= grid.nedge; ++e) {
        std::string rec = fmt_i(e, 7);
        for (int k = 1; k <= 4; ++k) rec += fmt_e(xyedge(e, k), 14, 6);
        rec += fmt_i(ileft(e), 7) + fmt_i(iright(e), 7) + fmt_l(lbedge(e), 2);
        write_record(grid_unit, rec);
    }
    close_unit(grid_unit);
}

}  // namespace

void load_grid() {
    if (std::filesystem::exists(run.meshfile.str())) {
        convert_neu();
    } else if (!std::filesystem::exists(run.gridfile.str())) {
        fatal_stop({"Neither the case grid file " + in_quotes(run.meshfile.trimmed()) + " nor the grid data file " +
                    in_quotes(run.gridfile.trimmed()) + " exists"});
    }
    read_celledge();
    if (case_id() == 2 || case_id() == 4) change_wedge_angle();
}

void convert_neu() {
    int nn = 0, nc = 0;
    read_case_grid(nn, nc);
    write_log("Reading data from ", run.meshfile, "..END");
    write_log("starting...to transform");
    check_node_orientation(nn, nc);
    check_six_digit_cells(nn, nc);

    int nbnode = find_boundary_sides(nn, nc);
    write_log("boundary nodes: ", static_cast<double>(nbnode));

    create_edges(nn, nc);
    direct_edges();
    for (int c = 1; c <= nc; ++c) order_cell_edges(c);
    write_log("tranforming...end");

    for (int c = 1; c <= nc; ++c)
        if (!cell_edges_agree(c)) fatal_stop({bad_orientation, free_text("cell", c, " of ", in_quotes(mesh_name()))});

    grid.ncell = nc;
    grid.nfather = 0;
    grid.nmother = 0;
    write_grid_data();
    write_log("savind data....end");
}

namespace {

// ---------------------------------------------------------------------------
// Fixed-format records of the grid data file: each field is read from its
// columns and must hold a value of its type (blanks round it allowed).
class FixedRecord {
public:
    FixedRecord(ListReader& in, int record, std::string_view what)
        : in_(in), record_(record), line_(in.read_line(record, what)) {}

    int integer(int w, std::string_view what) {
        std::string_view f = field(w);
        int v = 0;
        if (!parse_int(f, v)) bad(w, "an integer", what, f);
        return v;
    }
    double real(int w, std::string_view what) {
        std::string_view f = field(w);
        double v = 0;
        if (!parse_real(f, v)) bad(w, "a real number", what, f);
        return v;
    }
    bool logical(int w, std::string_view what) {
        std::string_view f = field(w);
        if (!f.empty() && f.front() == '.') f.remove_prefix(1);
        char c = f.empty() ? ' ' : f.front();
        if (c == 'T' || c == 't') return true;
        if (c == 'F' || c == 'f') return false;
        bad(w, "T or F", what, field_text_);
    }
    [[noreturn]] void fail(std::string_view what) const { in_.fail(record_, what); }

private:
    std::string_view field(int w) {
        std::size_t from = std::min(static_cast<std::size_t>(col_), line_.size());
        std::string_view f = std::string_view(line_).substr(from, w);
        col_ += w;
        auto first = f.find_first_not_of(' ');
        if (first == std::string_view::npos)
            f = {};
        else
            f = f.substr(first, f.find_last_not_of(' ') - first + 1);
        field_text_ = f;
        return f;
    }
    [[noreturn]] void bad(int w, std::string_view kind, std::string_view what, std::string_view f) const {
        in_.fail(record_, "columns " + std::to_string(col_ - w + 1) + "-" + std::to_string(col_) + " should hold " +
                              std::string(kind) + " (" + std::string(what) + "), found " + in_quotes(f));
    }

    ListReader& in_;
    int record_;
    std::string line_;
    int col_ = 0;
    std::string_view field_text_;
};

void read_grid_data() {
    ListReader in(run.gridfile.str());
    int rec = 1;
    {
        FixedRecord h(in, rec, "the counts");
        grid.nedge = h.integer(7, "nedge");
        grid.ncell = h.integer(7, "ncell");
        int nfather = h.integer(7, "nfather");
        int nmother = h.integer(7, "nmother");
        if (grid.nedge < 4 || grid.nedge > MAX_EDG) h.fail(free_text("nedge", grid.nedge, " is outside 4 ..", MAX_EDG));
        if (grid.ncell < 1 || grid.ncell > MAX_CEL) h.fail(free_text("ncell", grid.ncell, " is outside 1 ..", MAX_CEL));
        // The file holds active cells and edges only.
        if (nfather != 0 || nmother != 0) h.fail("a grid data file holds no father cells or mother edges");
        grid.nfather = 0;
        grid.nmother = 0;
    }
    static constexpr std::string_view cell_edge[4] = {"edge 1 of the cell", "edge 2 of the cell",
                                                       "edge 3 of the cell", "edge 4 of the cell"};
    for (int i = 1; i <= grid.ncell; ++i) {
        FixedRecord f(in, ++rec, "a cell record");
        int c = f.integer(7, "cell number");
        if (c != i) f.fail(free_text("cell number", c, " where cell", i, " belongs"));
        list_cel(i) = c;
        for (int k = 1; k <= 4; ++k) {
            int e = f.integer(7, cell_edge[k - 1]);
            if (e < 1 || e > grid.nedge) f.fail(free_text("edge", e, " of cell", c, " is outside 1 ..", grid.nedge));
            icedge(c, k) = e;
        }
    }
    static constexpr std::string_view coord[4] = {"x1", "y1", "x2", "y2"};
    for (int i = 1; i <= grid.nedge; ++i) {
        FixedRecord f(in, ++rec, "an edge record");
        int e = f.integer(7, "edge number");
        if (e != i) f.fail(free_text("edge number", e, " where edge", i, " belongs"));
        list_edg(i) = e;
        for (int k = 1; k <= 4; ++k) {
            xyedge(e, k) = f.real(14, coord[k - 1]);
            if (!coordinate_range.holds(xyedge(e, k))) f.fail(outside(coord[k - 1], xyedge(e, k), coordinate_range));
        }
        ileft(e) = f.integer(7, "ileft");
        iright(e) = f.integer(7, "iright");
        lbedge(e) = f.logical(2, "lbedge");
        if (ileft(e) < 1 || ileft(e) > grid.ncell || iright(e) < 1 || iright(e) > grid.ncell)
            f.fail(free_text("the cells", ileft(e), iright(e), " of edge", e, " are outside 1 ..", grid.ncell));
    }
}

// Plane area and centroid of cell c.
void cell_area_centroid(int c) {
    PlaneShape s = plane_shape(c);
    area(c) = s.area;
    xc(c) = s.x;
    yc(c) = s.y;
}

// Plane areas and centroids of the active cells, edge lengths and lists.
void base_geometry() {
    for (int i = 1; i <= grid.ncell; ++i) cell_area_centroid(list_cel(i));
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        edglen(e) = norm(edge_end(e) - edge_start(e));
    }
    build_edge_lists();
}

void check_grid_cells() {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        if (!(cell_edges_agree(c) && area(c) > 0))
            fatal_stop({bad_orientation,
                        free_text("cell", c, " of the grid data file ", in_quotes(run.gridfile.trimmed()))});
        const Corners k = cell_corners(c);
        static constexpr const char* names[4] = {"lower left", "lower right", "upper right", "upper left"};
        if (int bad = corner_not_turning_left({k.ll, k.lr, k.ur, k.ul}))
            fatal_stop({"Error: cell " + std::to_string(c) + " of the grid data file " +
                        in_quotes(run.gridfile.trimmed()) +
                        " is tangled or not convex: its sides do not turn left at its " + names[bad - 1] + " corner"});
    }
}

}  // namespace

void read_celledge() {
    read_grid_data();
    base_geometry();
    check_grid_cells();
    cell_geometry();
    if (run.irecon == 1) lsq_matrix();
    if (run.ioptgrid == 1) optgrid();
}

namespace {

// ---------------------------------------------------------------------------
// Node-based corrections. After node_cells: node n at work(n,1), work(n,3),
// the end nodes of edge e in iwork(e,2), iwork(e,3), the cells round node n
// in nbrcel(n, 1..nnbr(n)); nodes 1..nhang hang in the middle of split
// edges. iwork_cel(n) flags the nodes that stay: 1 on the boundary, 2 fixed
// inside.

constexpr int node_free = 0, node_boundary = 1, node_fixed = 2;

int& node_flag(int n) { return iwork_cel(n); }
void move_node(int n, Vec2 q) {
    work(n, 1) = q.x;
    work(n, 3) = q.y;
}

// End nodes of an edge, through the outer halves of a split one.
int first_node(int e) { return lsplit(e) ? first_node(isubedge(e, 1)) : iwork(e, 2); }
int last_node(int e) { return lsplit(e) ? last_node(isubedge(e, 2)) : iwork(e, 3); }

// Corners LL, LR, UR, UL: the ends of edges 3 and 1.
struct CornerNodes {
    int n[4];
};

CornerNodes corner_nodes(int c) {
    return {{first_node(icedge(c, 3)), first_node(icedge(c, 1)), last_node(icedge(c, 1)), last_node(icedge(c, 3))}};
}

// The edge from corner j to corner j+1 of corner_nodes.
int corner_side(int c, int j) {
    static constexpr int side[4] = {4, 1, 2, 3};
    return icedge(c, side[j]);
}

void mark_boundary_nodes(int nnode) {
    for (int n = 1; n <= nnode; ++n) node_flag(n) = node_free;
    for (int i = 1; i <= grid.nbedge; ++i) {
        int e = list_bedge(i);
        node_flag(iwork(e, 2)) = node_flag(iwork(e, 3)) = node_boundary;
    }
}

// One smoothing pass: centroid := mean of the corners; free node := mean of
// the centroids round it; hanging node := midpoint of its split edge.
void smoothing_pass(int nhang, int nnode) {
    for (int i = 1; i <= grid.ncell; ++i) {
        int c = list_cel(i);
        CornerNodes k = corner_nodes(c);
        Vec2 g = 0.25 * (node_point(k.n[0]) + node_point(k.n[1]) + node_point(k.n[2]) + node_point(k.n[3]));
        xc(c) = g.x;
        yc(c) = g.y;
    }
    for (int n = nhang + 1; n <= nnode; ++n) {
        if (node_flag(n) != node_free || nnbr(n) < 1) continue;
        Vec2 s{0, 0};
        for (int j = 1; j <= nnbr(n); ++j) s = s + Vec2{xc(nbrcel(n, j)), yc(nbrcel(n, j))};
        move_node(n, (1.0 / nnbr(n)) * s);
    }
    for (int n = 1; n <= nhang; ++n) {
        int m = nbrcel(n, 7);
        move_node(n, 0.5 * (node_point(first_node(m)) + node_point(last_node(m))));
    }
}

Vec2 first_point(int e) { return lsplit(e) ? first_point(isubedge(e, 1)) : edge_start(e); }
Vec2 last_point(int e) { return lsplit(e) ? last_point(isubedge(e, 2)) : edge_end(e); }

// Edges from the moved nodes, then the geometry that depends on them.
void finish_moved_grid() {
    for (int i = 1; i <= grid.nedge; ++i) {
        int e = list_edg(i);
        set_edge(e, node_point(iwork(e, 2)), node_point(iwork(e, 3)));
    }
    for (int i = MAX_EDG - grid.nmother + 1; i <= MAX_EDG; ++i) {
        int m = list_edg(i);
        set_edge(m, first_point(m), last_point(m));
    }
    for (int i = 1; i <= grid.ncell; ++i) cell_area_centroid(list_cel(i));
    cell_geometry();
    if (run.irecon == 1) lsq_matrix();
}

// Wedge below 45 degrees (surface from the apex (0,0) to x = 1, right-hand
// boundary x = 1, top y = 1). Surface: (x, y) -> v (1, t1), v = r cos(wangle),
// r = |(x, y)| kept; right-hand boundary: y -> 1 - (1 - t1)(1 - y)/(1 - t0),
// t0 = tan(nwangle), t1 = tan(wangle).
void bend_shallow_wedge(int nnode) {
    const double t0 = std::tan(run.nwangle * deg), t1 = std::tan(run.wangle * deg);
    const double below = static_cast<double>(0.9999f), top = static_cast<double>(0.999999f);
    const double snap = static_cast<double>(1e-5f);
    for (int n = 1; n <= nnode; ++n) {
        if (node_flag(n) != node_boundary) continue;
        double x = work(n, 1), y = work(n, 3);
        if (!(x > 0)) continue;
        if (y > below * t0 && y < top) {
            move_node(n, {1.0, 1 - (1 - t1) * (1 - y) / (1 - t0)});
        } else if (y <= below * t0) {
            double v = std::min(std::sqrt(x * x + y * y) * std::cos(run.wangle * deg), 1.0);
            move_node(n, std::fabs(v - 1) < snap ? Vec2{1.0, t1} : Vec2{v, v * t1});
        }
    }
}

// Wedge of 45 degrees or more (surface from the apex to the top y = 1).
// Surface: x -> y / tan(wangle) at the same height; top: x -> (x + 1) ratio - 1,
// ratio = (cot(wangle) + 1)/(cot(nwangle) + 1), which keeps x = -1.
void bend_steep_wedge(int nnode) {
    auto cot = [](double a) { return a == 90 ? 0.0 : 1 / std::tan(a * deg); };
    const double ratio = (cot(run.wangle) + 1) / (1 + cot(run.nwangle));
    write_log("ratio2", ratio);
    for (int n = 1; n <= nnode; ++n)
        if (node_flag(n) == node_boundary && work(n, 1) > -1e-7 && work(n, 3) < 0.9999999)
            work(n, 1) = work(n, 3) / std::tan(run.wangle * deg);
    for (int n = 1; n <= nnode; ++n)
        if (node_flag(n) == node_boundary && work(n, 3) > 0.9999999) work(n, 1) = (work(n, 1) + 1) * ratio - 1;
}

// The node next to boundary node n along the boundary (P) and the node at
// the far end of the cell's side that leaves n into the domain (B), from
// cell c; false unless exactly one of c's two sides at n is a boundary edge.
bool boundary_neighbours(int c, int n, int& P, int& B) {
    CornerNodes k = corner_nodes(c);
    for (int j = 0; j < 4; ++j) {
        if (k.n[j] != n) continue;
        int jn = (j + 1) % 4, jp = (j + 3) % 4;
        bool next_out = lbedge(corner_side(c, j)), prev_out = lbedge(corner_side(c, jp));
        if (next_out == prev_out) return false;
        P = next_out ? k.n[jn] : k.n[jp];
        B = next_out ? k.n[jp] : k.n[jn];
        return true;
    }
    return false;
}

// Puts the first inner node off a straight stretch of boundary onto the
// boundary normal through its boundary node: B := n + ((B - n) . N) N.
void straighten_normals(int nhang, int nnode) {
    for (int n = nhang + 1; n <= nnode; ++n) {
        if (node_flag(n) != node_boundary || nnbr(n) != 2) continue;
        int P, Q, B1, B2;
        if (!boundary_neighbours(nbrcel(n, 1), n, P, B1) || !boundary_neighbours(nbrcel(n, 2), n, Q, B2)) continue;
        if (B1 != B2) fatal_stop({"Error in optgrid,Found two nodes inside"});
        if (node_flag(B1) != node_free) continue;
        Vec2 d = node_point(Q) - node_point(P);
        double len = norm(d);
        if (!(len > 0)) continue;
        Vec2 N{-d.y / len, d.x / len};
        Vec2 x = node_point(n);
        Vec2 b = node_point(B1) - x;
        move_node(B1, x + (b.x * N.x + b.y * N.y) * N);
    }
}

}  // namespace

void change_wedge_angle() {
    if (run.wangle == run.nwangle) return;
    int nhang = 0, nnode = 0;
    node_cells(nhang, nnode);
    mark_boundary_nodes(nnode);
    write_log("nwangle,wangle", run.nwangle, run.wangle);
    if (run.nwangle < 45)
        bend_shallow_wedge(nnode);
    else
        bend_steep_wedge(nnode);
    for (int pass = 1; pass <= 10; ++pass) smoothing_pass(nhang, nnode);
    finish_moved_grid();
}

void optgrid() {
    int nhang = 0, nnode = 0;
    node_cells(nhang, nnode);
    mark_boundary_nodes(nnode);
    // A cell alone at a corner node keeps all four corners.
    for (int n = nhang + 1; n <= nnode; ++n) {
        if (nnbr(n) != 1) continue;
        CornerNodes k = corner_nodes(nbrcel(n, 1));
        for (int m : k.n)
            if (node_flag(m) == node_free) node_flag(m) = node_fixed;
    }
    for (int pass = 1; pass <= 10; ++pass) {
        straighten_normals(nhang, nnode);
        smoothing_pass(nhang, nnode);
    }
    finish_moved_grid();
}

namespace {

bool has_boundary_edge(int c) {
    for (int k = 1; k <= 4; ++k)
        if (lbedge(icedge(c, k))) return true;
    return false;
}

}  // namespace

// A hanging node of a boundary cell is put back onto the straight line of
// the coarse neighbour's split edge S-E at the ratio t = (X - S).(E - S)/|E - S|^2:
// mode 1 relaxes t towards the middle, (min(t, 0.8) + 0.5)/2, on lines of at
// least 1/2^minlev; otherwise X is projected onto the line when |t - 0.5| < 0.15.
void relax_hanging_nodes(int mode) {
    int nhang = 0, nnode = 0;
    node_cells(nhang, nnode);
    const double min_length = std::ldexp(1.0, -run.minlev);
    const double near_middle = static_cast<double>(0.15f);
    for (int n = 1; n <= nhang; ++n) {
        if (!has_boundary_edge(nbrcel(n, 1)) && !has_boundary_edge(nbrcel(n, 2))) continue;
        int m = nbrcel(n, 7);
        Vec2 s = node_point(first_node(m)), d = node_point(last_node(m)) - s;
        double len2 = d.x * d.x + d.y * d.y;
        if (!(len2 > 0)) continue;
        Vec2 x = node_point(n) - s;
        double t = (x.x * d.x + x.y * d.y) / len2;
        if (mode == 1 && t > 0 && std::sqrt(len2) >= min_length) {
            t = 0.5 * (std::min(t, 0.8) + 0.5);
        } else if (!(std::fabs(t - 0.5) < near_middle)) {
            continue;
        }
        move_node(n, s + t * d);
    }
    finish_moved_grid();
}

}  // namespace qelta
