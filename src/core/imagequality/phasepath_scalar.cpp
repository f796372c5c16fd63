// The phase kernel built for one instruction set (see the build file for its options).
#define PHASEKERNEL_ENTRY phasekernelscalar
#include "core/imagequality/phasekernel.h"
