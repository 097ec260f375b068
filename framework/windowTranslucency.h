#pragma once

// Whether the window system shows the translucent pixels of a window as translucent. On X11
// that needs a running compositing manager; without one they come out black, so a drawn
// shadow would be a black frame. Every other platform (Windows, Wayland, macOS, offscreen)
// composites. GUI thread only.
bool windowSystemShowsTranslucency();

class QWidget;

// For a window that cannot be translucent: shows only the rounded rectangle of its current size,
// so that its corners stay round without black. GUI thread only.
void clipToRoundedRect(QWidget* window, int radius);
