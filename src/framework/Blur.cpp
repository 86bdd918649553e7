#include "Blur.h"

#include <cmath>

double gaussianSigma(int radius) {
    double extent = double(radius) + 1.0;
    return std::sqrt(-(extent * extent) / (2.0 * std::log(1.0 / 255.0)));
}

std::vector<double> gaussianKernel(int radius) {
    if (radius < 0) radius = 0;
    // exp(-x^2 / (2 sigma^2)) >= 1/255 exactly when |x| <= radius + 1; computing the bound
    // instead of testing the weight keeps the last tap from depending on floating-point luck.
    int half = radius + 1;
    double sigma = gaussianSigma(radius);
    std::vector<double> weights(size_t(2 * half + 1));
    double sum = 0.0;
    for (int i = -half; i <= half; ++i) {
        double w = std::exp(-double(i) * double(i) / (2.0 * sigma * sigma));
        weights[size_t(i + half)] = w;
        sum += w;
    }
    for (double& w : weights) w /= sum;
    return weights;
}

namespace {

// One pass over `count` lines of `length` samples, `step` apart inside a line and `lineStep`
// apart between lines; four channels per sample.
void blurPass(const std::vector<float>& in, std::vector<float>& out, int count, int length, size_t step,
              size_t lineStep, const std::vector<double>& kernel) {
    int half = int(kernel.size() / 2);
    for (int line = 0; line < count; ++line) {
        size_t base = size_t(line) * lineStep;
        for (int i = 0; i < length; ++i) {
            double acc[4] = {0, 0, 0, 0};
            int from = i - half < 0 ? 0 : i - half;
            int to = i + half >= length ? length - 1 : i + half;
            for (int j = from; j <= to; ++j) {
                double w = kernel[size_t(j - i + half)];
                const float* s = &in[(base + size_t(j) * step) * 4];
                for (int c = 0; c < 4; ++c) acc[c] += w * s[c];
            }
            float* d = &out[(base + size_t(i) * step) * 4];
            for (int c = 0; c < 4; ++c) d[c] = float(acc[c]);
        }
    }
}

} // namespace

void gaussianBlur(uint32_t* pixels, int width, int height, int radius) {
    if (!pixels || width <= 0 || height <= 0 || radius <= 0) return;
    std::vector<double> kernel = gaussianKernel(radius);
    size_t n = size_t(width) * size_t(height);
    std::vector<float> a(n * 4), b(n * 4);
    for (size_t p = 0; p < n; ++p)
        for (int c = 0; c < 4; ++c) a[p * 4 + size_t(c)] = float((pixels[p] >> (8 * c)) & 0xFF);
    blurPass(a, b, height, width, 1, size_t(width), kernel); // rows
    blurPass(b, a, width, height, size_t(width), 1, kernel); // columns
    for (size_t p = 0; p < n; ++p) {
        uint32_t v = 0;
        for (int c = 0; c < 4; ++c) {
            long q = std::lround(a[p * 4 + size_t(c)]);
            q = q < 0 ? 0 : (q > 255 ? 255 : q);
            v |= uint32_t(q) << (8 * c);
        }
        pixels[p] = v;
    }
}
