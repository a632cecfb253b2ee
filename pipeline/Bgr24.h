#pragma once

// The picture layout lives with the imaging primitives, which decode into it; the pipeline
// and everything above it reach it under this name.
#include "imaging/Bgr24.h"
