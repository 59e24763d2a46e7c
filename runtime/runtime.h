// Everything an element or a container needs from the runtime.
#pragma once

#include "runtime/container.h"
#include "runtime/convert.h"
#include "runtime/data.h"
#include "runtime/points.h"
#include "runtime/startup.h"
