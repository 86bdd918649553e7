#pragma once
// Separable Gaussian blur of 32-bit pixel buffers (all four bytes alike).
#include <cstdint>
#include <vector>

// Standard deviation for a blur radius: the weight at distance r + 1 is 1/255 of the peak.
double gaussianSigma(int radius);

// Normalised weights from -half to +half (size 2 * half + 1, summing to 1). The kernel ends at
// the last distance whose weight is not below 1/255 of the peak, which is radius + 1.
std::vector<double> gaussianKernel(int radius);

// Blurs a width x height buffer in place, rows first, then columns. Samples beyond the border
// count as transparent, so the total of each channel is kept (up to rounding) away from edges.
void gaussianBlur(uint32_t* pixels, int width, int height, int radius);
