// Debugging aids: cell and edge dumps on the run log, a grid consistency
// check, a solution dump and an error measure.
#pragma once

namespace qelta {

void dump_cell(int c);
void check_grid();
void dump_cell_edges(int c);
void dump_edge(int e);
void cell_area_stats(double& amin, double& amax, double& atotal);
void dump_cell_geom(int c);
void dump_cell_grad(int c);
void dump_edge_type(int e);
void dump_solution();
void error_norms(double& er, double& eux, double& euy, double& et);

}  // namespace qelta
