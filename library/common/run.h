// The run-parameter record shared by the whole library, the values read with
// it, the reference units and the gas. All of it is static storage for the
// life of the process. At the start of every run the set-up sets all of it
// back to zero (keeping the parameter blocks and the units of the run log
// and the optics log), `init_common` gives some fields their start values,
// and the control files, the parameter blocks and the case set-up set the
// others. A field that the run does not set stays zero.
#pragma once

#include <cstdint>

#include "common/array1.h"
#include "common/fixed_text.h"

namespace qelta {

constexpr int npar = 20;  // slots of the parameter blocks realPar and intPar

// The run-parameter record, in its storage order.
struct RunParams {
    double big;        // start value of minimum searches
    double tiny;
    double area_min;   // h_min squared: smaller cells are not refined
    double cputime;    // carried through the restart file
    double radv6;      // read and not used
    FixedText<32> meshfile;  // case grid file (neutral format)
    FixedText<32> gridfile;  // grid data file
    int nout;          // counter of numbered diagnostic files
    int idrag;         // unit of the force history
    int itecout;       // kind of node-value file
    int iolog;         // unit of the run log
    int lightning_done;  // the airfoil's energy deposition has been applied
    double blend_fac;  // dissipation weight factor of scheme 1
    int ischeme;       // flow scheme
    int iflag_run;
    int isteady;       // non-zero: uniform stream instead of a moving shock
    int ibgrid;        // 1: grid from the case grid file; other: three cells
    int ioptgrid;      // 1: smooth the grid after reading it
    int irecon;        // 1 least squares, 2 family mode
    int iflux;         // flux code of schemes 7 and 8
    double amach;      // Mach number
    double xshock;     // initial shock position
    double time;
    double dt;
    double radv5;      // read and not used
    double tend;       // run length after t0
    double t0;         // time offset of the case
    int nstep;
    int ictl41;
    int ictl52, ictl53, ictl51;
    double cfl;
    double rsave1, rsave2, rsave3, rsave4;
    double eps_small;
    double eps_filter;  // noise term of the refinement indicator
    Logical lsource;
    double sut_mu, sut_k;  // Sutherland constants
    int ns;     // 0 inviscid, 1 viscous
    int iaxis;  // 0 plane, 1 axisymmetric
    Array1<int, npar> ipar;
    Array1<double, npar> rpar;
    double reyn, prand, twall;
    double gam, gam1;

    // Read with the record.
    int minlev, lmax;
    double wallratio;
    double h_min;
    double refine_tol, coarse_tol;
    int ioptlog;  // unit of the optics log
    // Wedge and cone: angle asked for and angle of the grid file; airfoil:
    // angle of attack in radians.
    double wangle;
    int nwangle;
};

inline RunParams run;

// Characteristic quantities (SI), in the order the restart file keeps them.
struct Reference {
    double t_ref;      // K
    double l_ref;      // m
    double a_ref;      // m/s, isothermal sound speed
    double t_scale;    // s
    double rho_scale;  // kg/m^3
    double p_ref;      // Pa
    double mu_ref;     // Pa s
    double k_ref;      // W/(m K)
    double e_scale;    // J
};

inline Reference ref;

struct Gas {
    FixedText<20> gasname;
    double wmol;  // kg/mol
    double rgas;  // J/(mol K)
    Array2<double, 7, 2> thcoef;  // thermal polynomial, two temperature ranges
    double thermal_wmol;          // molecular weight of the thermal data
    double thermal_tmid;          // temperature dividing the two ranges
};

inline Gas gas;

}  // namespace qelta

namespace qelta {

// The case id, slot 5 of the integer block.
inline int case_id() { return run.ipar(5); }

}  // namespace qelta
