// The restart file "runsave".
#pragma once

namespace qelta {

void read_restart();

}  // namespace qelta
