/* Entry points of the QELTA solver library.
 *
 * Every argument passes by reference, except the code of getIntPar. Reals
 * are 8-byte doubles, integers 32-bit. The library keeps its whole state in
 * static storage: it serves one program and one run at a time.
 *
 * Stops. A fatal condition (a missing or malformed input file, a value out
 * of its range, a solver that cannot go on) writes its message to the run
 * log (the optics log for the optics) and to standard error, and ends the
 * entry-point call, which returns normally; get_stop_message then gives the
 * message. A stop in initialize_qelta, step or get_cell_vertex leaves no
 * run: step and get_cell_vertex then stop at once ("step is called before
 * initialize_qelta has set up a run"), until the next initialize_qelta sets
 * up a run afresh. A stop of the optics leaves the run as it was. */
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

/* Advances the run by one time step; progress gets the fraction done, and
 * 1 after a stop, so that a caller stepping until the progress reaches 1
 * ends. */
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
 * nhang hanging nodes the two end nodes of its split edge in hang_nodes.
 * After a stop nnode, ncell and nhang are 0. */
QELTA_API void get_cell_vertex(double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell,
                               int* hang_nodes, int* nhang, double* node_r, double* node_p, double* node_ux,
                               double* node_uy);

/* Bench schematic. Tables as for OPTICS_SHADOWGRAPH_A; ropara slots 1..3
 * are set to 50, 0, 0. Out: five rays of five points (source, first lens,
 * section centre, recording lens, film) in ray_x, ray_y (500 values each;
 * point m of ray i of set n at (n - 1) 100 + 5 (m - 1) + i, counted from 1),
 * nsets = 1, and the image of the source point through the two lenses in
 * image_point (x, y, z). After a stop nsets is 0. */
QELTA_API void OPTICS_SHADOWGRAPH_A0(double* ropara, int* iopara, double* elem_par, int* elem_ipar, int* nelem,
                                     double* ray_x, double* ray_y, int* nsets, double* image_point);

/* Shadowgraph or schlieren photograph of the current flow. ropara (20
 * reals) and iopara (20 integers) are the optics blocks, elem_par and
 * elem_ipar 20 values for each of at most 20 elements (element k from
 * entry 20 (k - 1)); nelem elements are used and nelem is set to 5. The
 * flow arrays are those of get_cell_vertex. Out: the ray grid (ray_z,
 * ray_y per ray, nrays = 257 x 257, nray_cells = 256 x 256, ray_cells 4
 * columns of 200000, cell_weight per ray-grid cell), the window corners
 * and pixel size (in for colour pictures), the picture window, npx, npy
 * and (npx + 1)(npy + 1) picture values in [0, 1], one per node (grey) or
 * three (colour). A call whose tables equal those of the previous call
 * returns at once and changes nothing; after a stop (nrays, nray_cells,
 * npx and npy then 0) the next call traces whatever its tables. */
QELTA_API void OPTICS_SHADOWGRAPH_A(double* ropara, int* iopara, double* elem_par, int* elem_ipar, int* nelem,
                                    double* node_x, double* node_y, int* nnode, int* cell_nodes, int* ncell,
                                    int* hang_nodes, int* nhang, double* node_r, double* ray_z, double* ray_y,
                                    int* nrays, int* nray_cells, int* ray_cells, double* cell_weight,
                                    double* win_zmin, double* win_ymin, double* win_zmax, double* win_ymax,
                                    double* pixel_size, double* pxmin, double* pymin, double* pxmax,
                                    double* pymax, int* npx, int* npy, double* picture);

/* The message of the stop that ended the most recent call of another entry
 * point, its records separated by newlines: at most size - 1 bytes of it
 * are copied to message, followed by a NUL (nothing when size is 0 or
 * less), and length gets its full length, 0 when that call ran to its end. */
QELTA_API void get_stop_message(char* message, int* size, int* length);

#ifdef __cplusplus
}
#endif

#endif
