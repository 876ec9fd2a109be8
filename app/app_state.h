#pragma once
// The process-wide state the handlers and the listing share, and the exit
// routines that release it.

#include <string>

#include "image/image_state.h"

namespace kestrivo {

// The path (UTF-8) of the file last dropped or chosen, exactly as delivered:
// for several dropped files, every path followed by CR LF. Empty at start.
std::string& CurrentPath();

// The headers of the file listed last. Valid between InitState and ReleaseState.
ImageState& SharedImageState();

void InitState();
// Releases CurrentPath and the image headers; registered as exit routine.
void ReleaseState();

// Adds `routine` to the routines run at normal process exit, in the order of
// registration. A routine already registered is not added again.
void RegisterExitRoutine(void (*routine)());

}  // namespace kestrivo
