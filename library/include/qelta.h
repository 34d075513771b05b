/* Entry points of the QELTA solver library.
 *
 * Every argument passes by reference, except the code of getIntPar. Reals
 * are 8-byte doubles, integers 32-bit. The library keeps its whole state in
 * static storage: it serves one program and one run at a time, and a fatal
 * condition ends the process after its message has gone to the run log. */
#ifndef QELTA_H
#define QELTA_H

#ifdef __cplusplus
extern "C" {
#endif

#define QELTA_API __attribute__((visibility("default")))

/* Sets up a new run from 20 reals and 20 integers (slots counted from 1 in
 * the library: realPar 2 Mach number, 3 case angle, 4 ratio of specific
 * heats; intPar 2 viscous flag, 3 axisymmetric flag, 5 case id, 6 maximum
 * refinement level). */
QELTA_API void initialize_qelta(const double* realPar, const int* intPar);

/* Advances the run by one time step; progress gets the fraction done. */
QELTA_API void step(double* progress);

/* Capacities and sizes: 0 cell capacity, 1 active cells, 10 optical
 * elements, 11 parameters per element, 12 rays per set and 13 ray sets of
 * the bench schematic; 0 for any other code. */
QELTA_API int getIntPar(int code);

/* Closes the force history of the force cases. */
QELTA_API void close_recording_file(void);

/* Opens and closes the optics log. */
QELTA_API void initial_optics(void);
QELTA_API void close_optics(void);

/* Values at the grid nodes. Arrays of 200000 elements (cell_nodes: 4 such
 * columns, one after the other), element k for node, cell position or
 * hanging node k + 1, holding node numbers counted from 1. Out: nnode
 * nodes (hanging nodes first) with coordinates node_x, node_y and density,
 * pressure and velocity node_r, node_p, node_ux, node_uy; for each of the
 * ncell active cells its upper-right, upper-left, lower-left and
 * lower-right corner nodes in columns 1 to 4 of cell_nodes; for each of the
 * nhang hanging nodes the two end nodes of its split edge in hang_nodes. */
QELTA_API void get_cell_vertex(double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell,
                               int* hang_nodes, int* nhang, double* node_r, double* node_p, double* node_ux,
                               double* node_uy);

#ifdef __cplusplus
}
#endif

#endif
