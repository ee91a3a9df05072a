#pragma once
// The window system's connection behind an SDL window, apart from the host so that the window
// system's headers (whose macros clash with the platform's names) stay out of it.
struct SDL_Window;

namespace ui {

/// The descriptor of the connection to the X server that `window` lives on; -1 for other
/// window systems.
int windowConnectionDescriptor(SDL_Window* window);

}  // namespace ui
