// The loopback peers now live with the device server's in one header.
#pragma once

#include "../support/tcp_peer.h"  // found from here by the benchmarks too
