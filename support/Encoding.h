// The text encodings live in the message core (core/Encoding.h), so that
// the toolkit uses them without linking support; this header keeps the
// includes of the layers above working.
#pragma once

#include "core/Encoding.h"
