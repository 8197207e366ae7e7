#pragma once

// Everything a host needs from libvmrkeru.

// Foundation
#include <vemora/foundation/utException.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utString.h>

// XML
#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlParser.h>
#include <vemora/xml/stXmlSax.h>
