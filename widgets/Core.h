// The toolkit speaks the message core's vocabulary (handles, messages,
// timers, components) as its own, so its controls read like window code,
// and adds its input vocabulary (keys, buttons, hit tests: Input.h).
#pragma once

#include "core/Component.h"
#include "core/MessageWindow.h"
#include "core/Messages.h"
#include "core/Timer.h"
#include "widgets/Input.h"

namespace widgets {
using namespace core;
}  // namespace widgets
