// A host program that only sees the installed package.
#include <vemora.h>

#include <cmath>
#include <cstdio>

int main() {
    Vemora::utRasterData_c raster(4, 3);
    raster.setPixel(1, 2, 0x00FFFFFFu);
    const bool ok = raster.width() == 4 && raster.height() == 3 &&
                    raster.pixel(1, 2) == 0x00FFFFFFu && raster.pixel(0, 0) == 0u;
    std::printf("host: %ux%u raster %s\n", raster.width(), raster.height(), ok ? "ok" : "wrong");

    // A non-symmetric matrix goes through LAPACK inside the library: eigenvalues 2 and 3.
    Vemora::utSquireMatrix_c a(2);
    a[0][0] = 2;
    a[0][1] = 1;
    a[1][1] = 3;
    double values[2] = {0, 0};
    Vemora::utSquireMatrix_c vectors(2);
    const bool solved = a.eigenSystem(values, vectors) &&
                        std::fabs(values[0] * values[1] - 6) < 1e-9 &&
                        std::fabs(values[0] + values[1] - 5) < 1e-9;
    std::printf("host: eigen-solver %s\n", solved ? "ok" : "wrong");
    return ok && solved ? 0 : 1;
}
