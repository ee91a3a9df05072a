#include "platform/ui/host/HostConnection.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

namespace ui {

int windowConnectionDescriptor(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
    return -1;
  return ConnectionNumber(info.info.x11.display);
}

}  // namespace ui
