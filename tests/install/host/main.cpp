// A host program that only sees the installed package.
#include <vemora.h>

#include <cstdio>

int main() {
    Vemora::utRasterData_c raster(4, 3);
    raster.setPixel(1, 2, 0x00FFFFFFu);
    const bool ok = raster.width() == 4 && raster.height() == 3 && raster.pixel(1, 2) == 0x00FFFFFFu &&
                    raster.pixel(0, 0) == 0u;
    std::printf("host: %ux%u raster %s\n", raster.width(), raster.height(), ok ? "ok" : "wrong");
    return ok ? 0 : 1;
}
