// Playing: the play view, the status line, turns and level outcomes.
#include "terminal_session.h"

#include <gtest/gtest.h>
