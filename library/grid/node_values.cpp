#include "grid/node_values.h"

#include <algorithm>
#include <cmath>

#include "common/log.h"
#include "common/run.h"
#include "common/storage.h"
#include "flow/timestep.h"
#include "grid/gradients.h"
#include "qelta.h"

namespace qelta {

namespace {

constexpr double pi = 3.141592653589793;
// End points match when |dx| + |dy| < match_factor x the cell's shortest
// edge: far below the distance between two corners of the cell however
// thin the wall edge factors make it (shared end points are copies).
constexpr double match_factor = static_cast<double>(0.001f);
// Cells that a walk round a boundary node may list (inner nodes: max_nbr).
constexpr int max_nbr_boundary = 6;

bool at_node(double x, double y, int n, double tol) {
    return std::abs(x - work(n, 1)) + std::abs(y - work(n, 3)) < tol;
}
bool starts_at(int e, int n, double tol) { return at_node(xyedge(e, 1), xyedge(e, 2), n, tol); }
bool ends_at(int e, int n, double tol) { return at_node(xyedge(e, 3), xyedge(e, 4), n, tol); }

// The cell on the other side of edge e from cell c.
int across(int e, int c) { return ileft(e) == c ? iright(e) : ileft(e); }

// The next node number, at (x, y).
int new_node(int& nnode, double x, double y) {
    if (nnode >= MAX_CEL) fatal_stop({free_text("Stop: more grid nodes than the node table holds:", MAX_CEL)});
    ++nnode;
    work(nnode, 1) = x;
    work(nnode, 3) = y;
    return nnode;
}

// Lists cell c as the next cell round node n.
void list_cell(int n, int c, bool boundary) {
    const int k = nnbr(n) + 1;
    if (boundary && k > max_nbr_boundary)
        fatal_stop({"Warning: Too much cells around one node*", free_text("Neighboring cells ", k),
                    "Suggestion: increase constant max_nbr in  common"});
    if (k > max_nbr)
        fatal_stop({free_text("Stop: more than", max_nbr, " cells around inner node", n),
                    free_text("at", work(n, 1), work(n, 3))});
    nbrcel(n, k) = c;
    nnbr(n) = k;
}

// From boundary edge e round node n, cell by cell, to the next boundary edge.
void walk_boundary_node(int e, int n) {
    nnbr(n) = 0;
    int c = ileft(e);
    int f = e;
    for (;;) {
        list_cell(n, c, true);
        f = other_edge_at_node(c, f, n);
        if (lbedge(f)) return;
        c = across(f, c);
    }
}

// From inner edge e once round node n, back to e.
void walk_inner_node(int e, int n) {
    nnbr(n) = 0;
    int c = iright(e);
    int f = e;
    for (;;) {
        list_cell(n, c, false);
        f = other_edge_at_node(c, f, n);
        if (f == e) return;
        c = across(f, c);
    }
}

// Numbers the end points of edge e that have no number yet and lists the
// cells round each.
void number_ends(int e, int& nnode, void (*walk)(int, int)) {
    if (iwork(e, 2) == 0) {
        const int n = new_node(nnode, xyedge(e, 1), xyedge(e, 2));
        iwork(e, 2) = n;
        walk(e, n);
    }
    if (iwork(e, 3) == 0) {
        const int n = new_node(nnode, xyedge(e, 3), xyedge(e, 4));
        iwork(e, 3) = n;
        walk(e, n);
    }
}

// Primitive values at a node.
struct NodeState {
    double r = 0, p = 0, ux = 0, uy = 0;
};

void add_cell(NodeState& s, int c, double w) {
    s.r += w * r(c);
    s.p += w * p(c);
    s.ux += w * ux(c);
    s.uy += w * uy(c);
}

void put_node(const NodeExchange& out, int n, const NodeState& s, double scale) {
    out.node_r.nth(n) = s.r * scale;
    out.node_p.nth(n) = s.p * scale;
    out.node_ux.nth(n) = s.ux * scale;
    out.node_uy.nth(n) = s.uy * scale;
}

// Ordinary nodes: q = (q1 + q2)/2 for two cells, else q = sum(q_i/d_i) / sum(1/d_i),
// d_i the distance from the node to the centroid of cell i.
void average_to_nodes(const NodeExchange& out, int nhang, int nnode) {
    for (int n = nhang + 1; n <= nnode; ++n) {
        NodeState s;
        double wsum = 0;
        for (int k = 1; k <= nnbr(n); ++k) {
            const int c = nbrcel(n, k);
            const double w = nnbr(n) == 2 ? 1.0 : 1.0 / std::hypot(work(n, 1) - xc(c), work(n, 3) - yc(c));
            add_cell(s, c, w);
            wsum += w;
        }
        put_node(out, n, s, 1.0 / wsum);
    }
}

// Hanging nodes: q = (q_a + q_b)/2, a and b the ends of the split edge.
void hanging_node_values(const NodeExchange& out, int nhang) {
    for (int i = 1; i <= nhang; ++i) {
        const int mother = nbrcel(i, 7);
        const int a = iwork(isubedge(mother, 1), 2);
        const int b = iwork(isubedge(mother, 2), 3);
        out.node_r.nth(i) = (out.node_r.nth(a) + out.node_r.nth(b)) / 2;
        out.node_p.nth(i) = (out.node_p.nth(a) + out.node_p.nth(b)) / 2;
        out.node_ux.nth(i) = (out.node_ux.nth(a) + out.node_ux.nth(b)) / 2;
        out.node_uy.nth(i) = (out.node_uy.nth(a) + out.node_uy.nth(b)) / 2;
        out.hang_nodes.nth(2 * i - 1) = a;
        out.hang_nodes.nth(2 * i) = b;
    }
}

// The half of edge e that starts (half 1) or ends (half 2) where e does.
int outer_half(int e, int half) { return lsplit(e) ? isubedge(e, half) : e; }

// Corners of every active cell from its east (1) and west (3) edges: UR, UL,
// LL, LR.
void cell_corners(const NodeExchange& out) {
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        const int east = icedge(c, 1);
        const int west = icedge(c, 3);
        out.cell_nodes[0].nth(j) = iwork(outer_half(east, 2), 3);
        out.cell_nodes[1].nth(j) = iwork(outer_half(west, 2), 3);
        out.cell_nodes[2].nth(j) = iwork(outer_half(west, 1), 2);
        out.cell_nodes[3].nth(j) = iwork(outer_half(east, 1), 2);
    }
}

// The cells listed round every node become their active-list positions.
void cells_to_positions(int nnode) {
    for (int j = 1; j <= grid.ncell; ++j) iwork_cel(list_cel(j)) = j;
    for (int n = 1; n <= nnode; ++n)
        for (int k = 1; k <= nnbr(n); ++k) nbrcel(n, k) = iwork_cel(nbrcel(n, k));
}

// Airfoil: points and velocities turned by theta = -(angle of attack) about
// (0.25, 0): x' = 0.25 + cos(x - 0.25) - sin y, y' = sin(x - 0.25) + cos y.
void turn_to_attack_angle(const NodeExchange& out, int nnode) {
    const double theta = -run.rpar(3) * pi / 180;
    run.wangle = theta;
    const double cs = std::cos(theta);
    const double sn = std::sin(theta);
    for (int n = 1; n <= nnode; ++n) {
        const double x = out.node_x.nth(n) - 0.25;
        const double y = out.node_y.nth(n);
        out.node_x.nth(n) = 0.25 + cs * x - sn * y;
        out.node_y.nth(n) = sn * x + cs * y;
        const double u = out.node_ux.nth(n);
        const double v = out.node_uy.nth(n);
        out.node_ux.nth(n) = cs * u - sn * v;
        out.node_uy.nth(n) = sn * u + cs * v;
    }
}

}  // namespace

namespace {

CellArray<double> match_tolerance;  // of each active cell, while node_cells runs

double shortest_edge(int c) {
    double h = run.big;
    for (int k = 1; k <= 4; ++k) {
        const int f = icedge(c, k);
        if (lsplit(f))
            h = std::min({h, edglen(isubedge(f, 1)), edglen(isubedge(f, 2))});
        else
            h = std::min(h, edglen(f));
    }
    return h;
}

}  // namespace

int other_edge_at_node(int c, int e, int n) {
    const double tol = match_tolerance(c);
    for (int k = 1; k <= 4; ++k) {
        const int f = icedge(c, k);
        if (f == e) continue;
        if (lsplit(f) && (isubedge(f, 1) == e || isubedge(f, 2) == e)) continue;
        const bool from_node = starts_at(f, n, tol);
        if (!from_node && !ends_at(f, n, tol)) continue;
        const int g = !lsplit(f) ? f : isubedge(f, from_node ? 1 : 2);
        if (starts_at(g, n, tol))
            iwork(g, 2) = n;
        else
            iwork(g, 3) = n;
        return g;
    }
    fatal_stop({"failed to find a neibouring edge",
                free_text("cell", c, " edge", e, " node", n, work(n, 1), work(n, 3))});
}

void add_hanging_node(int c, int e, int& nnode) {
    if (!lsplit(e)) return;
    const int first = isubedge(e, 1);
    const int second = isubedge(e, 2);
    const int n = new_node(nnode, xyedge(second, 1), xyedge(second, 2));
    nnbr(n) = 3;
    nbrcel(n, 1) = across(first, c);
    nbrcel(n, 2) = across(second, c);
    nbrcel(n, 3) = c;
    nbrcel(n, 7) = e;
    iwork(first, 3) = n;
    iwork(second, 2) = n;
    // The edge between the two fine cells ends here too.
    other_edge_at_node(nbrcel(n, 1), first, n);
}

void node_cells(int& nhang, int& nnode) {
    for (int e = 1; e <= MAX_EDG; ++e) {
        iwork(e, 2) = 0;
        iwork(e, 3) = 0;
    }
    nnode = 0;
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        match_tolerance(c) = match_factor * shortest_edge(c);
    }
    for (int j = 1; j <= grid.ncell; ++j) {
        const int c = list_cel(j);
        for (int k = 1; k <= 4; ++k) add_hanging_node(c, icedge(c, k), nnode);
    }
    nhang = nnode;
    for (int j = 1; j <= grid.nbedge; ++j) number_ends(list_bedge(j), nnode, walk_boundary_node);
    for (int j = 1; j <= grid.niedge; ++j) number_ends(list_iedge(j), nnode, walk_inner_node);
}

NodeExchange node_exchange(double* node_x, double* node_y, int* cell_nodes, int* hang_nodes,
                           double* node_r, double* node_p, double* node_ux, double* node_uy) {
    return NodeExchange{{node_x, MAX_CEL}, {node_y, MAX_CEL}, {cell_nodes, MAX_CEL, 4},
                        {hang_nodes, MAX_CEL},  {node_r, MAX_CEL}, {node_p, MAX_CEL},
                        {node_ux, MAX_CEL},     {node_uy, MAX_CEL}};
}

void node_values_out(const NodeExchange& out, int& nnode, int& nhang) {
    node_cells(nhang, nnode);
    if (nnode > out.node_x.length())
        fatal_stop({free_text("Stop: more grid nodes than the program's arrays hold:", nnode)});
    if (2L * nhang > out.hang_nodes.length())
        fatal_stop({free_text("Stop: more hanging nodes than the program's array holds:", nhang)});
    average_to_nodes(out, nhang, nnode);
    hanging_node_values(out, nhang);
    cell_corners(out);
    for (int n = 1; n <= nnode; ++n) {
        out.node_x.nth(n) = work(n, 1);
        out.node_y.nth(n) = work(n, 3);
    }
    cells_to_positions(nnode);
    if (case_id() == 102) turn_to_attack_angle(out, nnode);
}

}  // namespace qelta

namespace qelta {

void cell_vertex_values(double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell, int* hang_nodes,
                        int* nhang, double* node_r, double* node_p, double* node_ux, double* node_uy) {
    *ncell = grid.ncell;
    cons_to_prim();
    lsq_edge_terms();
    cell_gradients();
    node_values_out(node_exchange(node_x, node_y, cell_nodes, hang_nodes, node_r, node_p, node_ux, node_uy),
                    *nnode, *nhang);
}

}  // namespace qelta
