// The phase kernel built for one instruction set (see the build file for its options).
#define PHASEKERNEL_ENTRY phasekernelavx2
#include "core/imagequality/phasekernel.h"
