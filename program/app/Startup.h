// The program's run inside its application object: the main window, then
// the element-property dialog, the about box and the two contour dialogs,
// and the message loop until the main window closes.
#pragma once

namespace vorlantic {

// Returns the program's exit status: 0 when the main window closed, 1 when
// an error escaped (it is shown by the default handler first), so that a
// program that could not start does not report success.
int RunVorlantic();

}  // namespace vorlantic
