// Everything a container needs from the window layer.
#pragma once

#include "ui/controls.h"
#include "ui/extras.h"
#include "ui/form.h"
#include "ui/hints.h"
#include "ui/win.h"
