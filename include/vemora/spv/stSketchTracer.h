#pragma once

// The one-call sketch tracer lives with the pipelines; this path stays for hosts that include it.
#include <vemora/engine/stSketchTracer.h>
