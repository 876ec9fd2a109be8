#include "app/app_state.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace kestrivo {
namespace {

std::string g_currentPath;
std::unique_ptr<ImageState> g_imageState;
std::vector<void (*)()> g_exitRoutines;

void RunExitRoutines() {
  for (void (*routine)() : g_exitRoutines) routine();
}

}  // namespace

std::string& CurrentPath() { return g_currentPath; }

ImageState& SharedImageState() {
  // The handlers only run after start-up created the state; a test that drives
  // them without InitState still gets a valid, zeroed record.
  if (!g_imageState) InitState();
  return *g_imageState;
}

void InitState() { g_imageState = std::make_unique<ImageState>(); }

void ReleaseState() {
  std::string().swap(g_currentPath);
  g_imageState.reset();
}

void RegisterExitRoutine(void (*routine)()) {
  for (void (*known)() : g_exitRoutines) {
    if (known == routine) return;
  }
  if (g_exitRoutines.empty()) std::atexit(RunExitRoutines);
  g_exitRoutines.push_back(routine);
}

}  // namespace kestrivo
