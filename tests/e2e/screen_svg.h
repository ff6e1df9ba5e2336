// Pictures of the screen for the README: what a terminal session shows,
// written as an SVG image.
#ifndef GRUBBLET_SCREEN_SVG_H
#define GRUBBLET_SCREEN_SVG_H

#include "terminal_session.h"

#include <string>

// The first `rows` rows of the session's screen as an SVG image: every cell
// on a grid in a monospace font, in its colours and bold as the terminal
// shows them, and the cursor where it shows. `title` is the image's text
// for those who cannot see it.
std::string screen_svg(const terminal_session &s, int rows, const std::string &title);

#endif
