#pragma once

// Everything a host needs from libvmrkeru.

// Foundation
#include <vemora/foundation/utException.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utSkewRectSlicer.h>
#include <vemora/foundation/utString.h>

// Raster
#include <vemora/raster/stPiIndexing.h>
