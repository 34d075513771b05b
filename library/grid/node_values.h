// Nodes of the current grid, hanging nodes included, and the cells round
// each: node n has coordinates work(n,1), work(n,3); edge e has its start
// and end node numbers in iwork(e,2), iwork(e,3); nnbr(n) cells are listed
// in nbrcel(n, 1..). Nodes 1..nhang are the hanging nodes: nnbr = 3, the two
// fine cells beside the split edge in columns 1 and 2, the coarse cell in
// column 3 and the split edge in column 7.
#pragma once

#include "common/exchange.h"

namespace qelta {

void node_cells(int& nhang, int& nnode);
// Numbers the midpoint of edge e of cell c as the next node when e is split.
void add_hanging_node(int c, int e, int& nnode);
// The edge (or half edge) of cell c other than e with an end at node n; n is
// recorded as its start or end node. No such edge: fatal stop.
int other_edge_at_node(int c, int e, int n);

// Node values as the program receives them (arrays of MAX_CEL elements,
// cell_nodes four such columns).
struct NodeExchange {
    ExchangeArray<double> node_x, node_y;
    ExchangeColumns<int> cell_nodes;  // UR, UL, LL, LR of every active cell
    ExchangeArray<int> hang_nodes;    // end nodes of the split edge, 2 per hanging node
    ExchangeArray<double> node_r, node_p, node_ux, node_uy;
};

// The exchange views of the program's arrays.
NodeExchange node_exchange(double* node_x, double* node_y, int* cell_nodes, int* hang_nodes,
                           double* node_r, double* node_p, double* node_ux, double* node_uy);

// Numbers the nodes (node_cells), averages the primitive cell values to
// them and fills the exchange arrays; afterwards the cell columns of nbrcel
// hold active-list positions. Case 102 returns points and velocities turned
// by minus the angle of attack about (0.25, 0).
void node_values_out(const NodeExchange& out, int& nnode, int& nhang);

// get_cell_vertex, whole: node values for the program, cell values averaged
// to the nodes, the cell-to-node table and the hanging-node pairs.
void cell_vertex_values(double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell, int* hang_nodes,
                        int* nhang, double* node_r, double* node_p, double* node_ux, double* node_uy);

}  // namespace qelta
