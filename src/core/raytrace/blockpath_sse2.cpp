// The block kernel built for one instruction set (see the build file for its options).
#define BLOCKKERNEL_ENTRY traceblocksse2
#include "core/raytrace/blockkernel.h"
