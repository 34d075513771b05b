// Least-squares gradient reconstruction of the cell values.
#pragma once

namespace qelta {

void lsq_matrix();
void lsq_edge_terms();
void ghost_gradients();

}  // namespace qelta
