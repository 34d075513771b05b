// The painted pictures of the main window's buttons: the case buttons (the
// body in a shock tube) and the copy button where the theme has no icon.
#pragma once

#include <QIcon>

namespace vorlantic {

enum class CaseGlyph { Wedge, Cone, Sphere, Cylinder, Explosion, Airfoil, More };

// The picture of a case button, 20 x 20 pixels.
QIcon CaseIcon(CaseGlyph glyph);

// The picture of the copy button: two sheets, the front one over the back.
QIcon CopyIcon();

}  // namespace vorlantic
