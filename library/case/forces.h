// Force histories of the sphere-drag and airfoil cases ("draghis.dat").
#pragma once

namespace qelta {

// Recorder modes: 0 open the file and write its header, 1 write a row when
// due, 2 close.
void record_drag(int mode);
void record_lift_drag(int mode);

}  // namespace qelta
