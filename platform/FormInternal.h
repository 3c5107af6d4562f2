#pragma once
// Pieces the runtime's own files share; not for callers of the runtime.
#include <windows.h>

namespace form {
namespace internal {

// The sum of kModCtrl, kModShift and kModAlt for the keys held now.
int ModifierState();
// Registers the picture box's window class once.
void RegisterPictureBoxClass();
HINSTANCE ModuleInstance();

}  // namespace internal
}  // namespace form
