#include "imaging/Resample.h"

#include <algorithm>
#include <vector>

namespace {

// The source pixels one result pixel covers along one side, and their weights
// in 256ths (summing to 256).
struct Span {
    uint32_t first = 0;
    std::vector<uint16_t> weights;
};

std::vector<Span> SpansFor(uint32_t source, uint32_t result) {
    std::vector<Span> spans(result);
    for (uint32_t i = 0; i < result; ++i) {
        // Result pixel i covers [i * source / result, (i + 1) * source / result)
        // of the source, measured in units of 1 / result of a source pixel.
        const uint64_t begin = uint64_t(i) * source, end = uint64_t(i + 1) * source;
        Span& span = spans[i];
        span.first = uint32_t(begin / result);
        const uint32_t last = uint32_t((end - 1) / result);
        uint32_t given = 0;
        for (uint32_t s = span.first; s <= last; ++s) {
            const uint64_t from = std::max<uint64_t>(begin, uint64_t(s) * result);
            const uint64_t to = std::min<uint64_t>(end, uint64_t(s + 1) * result);
            const uint32_t weight = uint32_t((to - from) * 256 / source);
            span.weights.push_back(uint16_t(weight));
            given += weight;
        }
        // What rounding left over goes to the most covered pixel.
        auto most = std::max_element(span.weights.begin(), span.weights.end());
        *most = uint16_t(*most + (256 - given));
    }
    return spans;
}

}  // namespace

bool ShrinkByArea(const PixelRows& from, uint8_t* to, ptrdiff_t toStride, uint32_t w, uint32_t h) {
    if (!from.pixels || !to || w == 0 || h == 0 || w > from.width || h > from.height) return false;
    const std::vector<Span> columns = SpansFor(from.width, w), rows = SpansFor(from.height, h);
    std::vector<uint32_t> sums(size_t(from.width) * 4);   // one result row's source rows, weighed
    for (uint32_t y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const Span& down = rows[y];
        for (size_t k = 0; k < down.weights.size(); ++k) {
            const uint8_t* row = from.pixels + ptrdiff_t(down.first + k) * from.stride;
            const uint32_t weight = down.weights[k];
            for (size_t i = 0; i < sums.size(); ++i) sums[i] += row[i] * weight;
        }
        uint8_t* out = to + ptrdiff_t(y) * toStride;
        for (uint32_t x = 0; x < w; ++x) {
            const Span& across = columns[x];
            uint32_t channel[4] = {};
            for (size_t k = 0; k < across.weights.size(); ++k) {
                const uint32_t* sum = &sums[size_t(across.first + k) * 4];
                const uint32_t weight = across.weights[k];
                for (int c = 0; c < 4; ++c) channel[c] += sum[c] * weight;
            }
            for (int c = 0; c < 4; ++c) out[x * 4 + c] = uint8_t((channel[c] + 32768) >> 16);
        }
    }
    return true;
}
