// The case grids of the flow cases: cylinder and sphere, wedges and cones,
// explosion box, viscous sphere, airfoil.
#pragma once

#include <string>
#include <vector>

#include "mesh.h"

namespace gridgen {

struct CaseGrid {
    std::string file;    // path below the output folder
    std::string title;   // what the grid is for
    std::string domain;  // its geometry in a line
    Mesh mesh;
};

// Half thickness of the airfoil:
// t(x) = 0.11893782960568898 (c1 sqrt x + c2 x + c3 x^2 + c4 x^3 + c5 x^4).
double airfoil_thickness(double x);

CaseGrid cylinder_grid();        // model1
CaseGrid wedge_grid(int angle);  // wedge00 .. wedge90
CaseGrid box_grid();             // model5
CaseGrid sphere_grid();          // model101
CaseGrid airfoil_grid();         // naca1208a

std::vector<CaseGrid> all_case_grids();

}  // namespace gridgen
