// The level editor as a level designer uses it.
#include "terminal_session.h"

#include <gtest/gtest.h>
