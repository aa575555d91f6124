#include "imaging/ColourManage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <list>
#include <system_error>
#include <thread>

#include "imaging/Lcms.h"

namespace {

// FNV-1a: enough to tell profiles apart before their bytes are compared.
uint64_t Digest(std::span<const uint8_t> bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// One context for every profile and transform: no plugins, and errors (a
// damaged profile) are only seen as a failed call.
cmsContext Context() {
    static const cmsContext context = [] {
        const cmsContext made = cmsCreateContext(nullptr, nullptr);
        cmsSetLogErrorHandlerTHR(made, [](cmsContext, cmsUInt32Number, const char*) {});
        return made;
    }();
    return context;
}

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using IccProfile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

// A profile is at least its 128-byte header and a tag count.
IccProfile Open(std::span<const uint8_t> bytes) {
    if (bytes.size() < 132 || bytes.size() > UINT32_MAX) return {};
    return IccProfile(cmsOpenProfileFromMemTHR(Context(), bytes.data(), cmsUInt32Number(bytes.size())));
}

IccProfile OpenTarget(const ColourTarget& target) {
    return target.IsSrgb() ? IccProfile(cmsCreate_sRGBProfileTHR(Context())) : Open(target.Profile());
}

Transform MakeTransform(const IccProfile& from, cmsUInt32Number inFormat, const IccProfile& to, cmsUInt32Number outFormat,
                        cmsUInt32Number flags = 0) {
    return Transform(cmsCreateTransformTHR(Context(), from.get(), inFormat, to.get(), outFormat, INTENT_PERCEPTUAL,
                                           flags | cmsFLAGS_NOCACHE));
}

uint8_t Level(double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

uint8_t Unpremultiply(unsigned c, unsigned a) { return uint8_t(std::min(255u, (c * 255 + a / 2) / a)); }
uint8_t Premultiply(unsigned c, unsigned a) { return uint8_t((c * a + 127) / 255); }

// Applies `map` (straight B, G, R in place) to every pixel of the rows; a
// premultiplied pixel is taken apart and put back together around it, a
// transparent one left as it is.
template <PixelLayout kLayout, typename Map>
void MapRows(const Map& map, uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride) {
    constexpr size_t kBytes = kLayout == PixelLayout::Bgr ? 3 : 4;
    for (uint32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels + ptrdiff_t(y) * stride;
        for (uint8_t* end = p + size_t(width) * kBytes; p != end; p += kBytes) {
            if constexpr (kLayout == PixelLayout::Premultiplied) {
                const unsigned a = p[3];
                if (a != 255) {
                    if (a == 0) continue;
                    uint8_t straight[3] = {Unpremultiply(p[0], a), Unpremultiply(p[1], a), Unpremultiply(p[2], a)};
                    map(straight);
                    for (int i = 0; i < 3; ++i) p[i] = Premultiply(straight[i], a);
                    continue;
                }
            }
            map(p);
        }
    }
}

template <typename Map>
void MapRowsAs(PixelLayout layout, const Map& map, uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride) {
    switch (layout) {
    case PixelLayout::Premultiplied: MapRows<PixelLayout::Premultiplied>(map, pixels, width, rows, stride); break;
    case PixelLayout::Straight: MapRows<PixelLayout::Straight>(map, pixels, width, rows, stride); break;
    case PixelLayout::Bgr: MapRows<PixelLayout::Bgr>(map, pixels, width, rows, stride); break;
    }
}

class Conversion {
public:
    virtual ~Conversion() = default;
    virtual void Rows(uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride, PixelLayout layout) const = 0;
};

// A matrix and curves on both sides, as tables: each input level's share of
// each output channel in linear light (in steps of the output tables), the
// three shares packed in one 64-bit word, 20 bits each, biased so that none
// is negative: one pixel is three words added, then each output channel
// unpacked, clamped and looked up in its output curve's table.
class MatrixConversion final : public Conversion {
public:
    static constexpr int kSteps = 16384;   // linear light 0..1 in the output tables
    static constexpr int kBits = 20;
    static constexpr int32_t kBias = 1 << 17;   // a share lies within +-4 (2^16 steps)
    static constexpr uint64_t kField = (1u << kBits) - 1;

    uint64_t share[3][256] = {};   // [input R, G, B][level]: output R, G, B from the low bits up
    uint8_t curves[3][kSteps + 1] = {};
    // The output curves' tables, one shared by all when they are alike (as
    // sRGB's are): less for the processor's cache to hold.
    const uint8_t* out[3] = {curves[0], curves[1], curves[2]};

    void ShareAlikeCurves() {
        for (int o = 1; o < 3; ++o)
            if (std::memcmp(curves[o], curves[0], sizeof curves[0]) == 0) out[o] = curves[0];
    }

    static int32_t Step(uint64_t sum, int channel) {
        return std::clamp(int32_t(sum >> (kBits * channel) & kField) - 3 * kBias, 0, kSteps);
    }

    // Straight B, G, R in place.
    void Map(uint8_t* p) const {
        const uint64_t sum = share[0][p[2]] + share[1][p[1]] + share[2][p[0]];
        p[0] = out[2][Step(sum, 2)];
        p[1] = out[1][Step(sum, 1)];
        p[2] = out[0][Step(sum, 0)];
    }

    void Rows(uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride, PixelLayout layout) const override {
        MapRowsAs(layout, [this](uint8_t* p) { Map(p); }, pixels, width, rows, stride);
    }
};

// A grey profile: each grey level's colour. Pixels that are not grey (a
// profile that does not belong to the picture) are left alone.
class GreyConversion final : public Conversion {
public:
    uint8_t bgr[256][3] = {};

    void Rows(uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride, PixelLayout layout) const override {
        MapRowsAs(
            layout,
            [this](uint8_t* p) {
                if (p[0] != p[1] || p[1] != p[2]) return;
                std::memcpy(p, bgr[p[0]], 3);
            },
            pixels, width, rows, stride);
    }
};

// Any other RGB profile, or a target that is not a matrix and curves: the
// library's own transform, one made for each layout when first needed.
class LibraryConversion final : public Conversion {
public:
    LibraryConversion(IccProfile from, IccProfile to) : from_(std::move(from)), to_(std::move(to)) {}

    void Rows(uint8_t* pixels, uint32_t width, uint32_t rows, ptrdiff_t stride, PixelLayout layout) const override {
        const int index = int(layout);
        std::call_once(made_[index], [&] {
            static constexpr cmsUInt32Number kFormats[] = {TYPE_BGRA_8_PREMUL, TYPE_BGRA_8, TYPE_BGR_8};
            // Alpha is left where it lies: the colours are converted in place.
            transforms_[index] = MakeTransform(from_, kFormats[index], to_, kFormats[index]);
        });
        if (!transforms_[index]) return;
        for (uint32_t y = 0; y < rows; ++y) {
            uint8_t* row = pixels + ptrdiff_t(y) * stride;
            cmsDoTransform(transforms_[index].get(), row, row, width);
            // A transparent pixel stays all nought, whatever black becomes.
            if (layout == PixelLayout::Premultiplied)
                for (uint8_t *p = row, *end = row + size_t(width) * 4; p != end; p += 4)
                    if (p[3] == 0) std::memset(p, 0, 3);
        }
    }

private:
    IccProfile from_, to_;
    mutable std::once_flag made_[3];
    mutable Transform transforms_[3];
};

// The colorants of a matrix-and-curves RGB profile, as the columns of its
// matrix to XYZ, and its three curves; false for any other profile.
bool ReadMatrix(const IccProfile& profile, double matrix[3][3], const cmsToneCurve* curves[3]) {
    if (cmsGetColorSpace(profile.get()) != cmsSigRgbData || !cmsIsMatrixShaper(profile.get())) return false;
    static constexpr cmsTagSignature kColorants[] = {cmsSigRedColorantTag, cmsSigGreenColorantTag,
                                                     cmsSigBlueColorantTag};
    static constexpr cmsTagSignature kCurves[] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    for (int c = 0; c < 3; ++c) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile.get(), kColorants[c]));
        curves[c] = static_cast<const cmsToneCurve*>(cmsReadTag(profile.get(), kCurves[c]));
        if (!xyz || !curves[c]) return false;
        matrix[0][c] = xyz->X;
        matrix[1][c] = xyz->Y;
        matrix[2][c] = xyz->Z;
    }
    return true;
}

bool Invert(const double m[3][3], double inverse[3][3]) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!std::isfinite(det) || std::fabs(det) < 1e-9) return false;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inverse[r][c] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    return true;
}

// The tables of a conversion between two matrix-and-curves profiles; null
// when either is not one.
std::unique_ptr<MatrixConversion> MatrixTables(const IccProfile& from, const IccProfile& to) {
    double in[3][3], outMatrix[3][3], toRgb[3][3];
    const cmsToneCurve *inCurves[3], *outCurves[3];
    if (!ReadMatrix(from, in, inCurves) || !ReadMatrix(to, outMatrix, outCurves) || !Invert(outMatrix, toRgb))
        return nullptr;
    auto tables = std::make_unique<MatrixConversion>();
    double m[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = toRgb[r][0] * in[0][c] + toRgb[r][1] * in[1][c] + toRgb[r][2] * in[2][c];
    const double unit = MatrixConversion::kSteps;
    for (int c = 0; c < 3; ++c)
        for (int level = 0; level < 256; ++level) {
            const double linear = cmsEvalToneCurveFloat(inCurves[c], cmsFloat32Number(level / 255.0));
            for (int o = 0; o < 3; ++o) {
                const int32_t share = int32_t(std::lround(std::clamp(m[o][c] * linear, -4.0, 4.0) * unit));
                tables->share[c][level] |= uint64_t(share + MatrixConversion::kBias) << (MatrixConversion::kBits * o);
            }
        }
    for (int o = 0; o < 3; ++o) {
        cmsToneCurve* reverse = cmsReverseToneCurveEx(4096, outCurves[o]);
        if (!reverse) return nullptr;
        for (int i = 0; i <= MatrixConversion::kSteps; ++i)
            tables->curves[o][i] = Level(cmsEvalToneCurveFloat(reverse, cmsFloat32Number(double(i) / MatrixConversion::kSteps)));
        cmsFreeToneCurve(reverse);
    }
    tables->ShareAlikeCurves();
    return tables;
}

// Levels 0, 17, ..., 255 on each axis: the sample the tables are checked on.
constexpr int kGrid = 16;

// The largest difference, in levels, between the tables and the library's own
// transform (in floating point), over the grid.
int TableError(const MatrixConversion& tables, const IccProfile& from, const IccProfile& to) {
    Transform exact = MakeTransform(from, TYPE_RGB_DBL, to, TYPE_RGB_DBL);
    if (!exact) return 255;
    std::vector<double> in(kGrid * kGrid * kGrid * 3), out(in.size());
    for (size_t i = 0; i < in.size() / 3; ++i)
        for (int c = 0; c < 3; ++c) in[i * 3 + c] = double(i / (c == 0 ? kGrid * kGrid : c == 1 ? kGrid : 1) % kGrid) * 17 / 255;
    cmsDoTransform(exact.get(), in.data(), out.data(), cmsUInt32Number(in.size() / 3));
    int worst = 0;
    for (size_t i = 0; i < in.size() / 3; ++i) {
        uint8_t p[3] = {Level(in[i * 3 + 2]), Level(in[i * 3 + 1]), Level(in[i * 3])};
        tables.Map(p);
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(p[2 - c]) - int(Level(out[i * 3 + c]))));
    }
    return worst;
}

// Whether the conversion moves no level by more than one: every grey, and the grid.
bool ChangesNothing(const Conversion& conversion) {
    std::vector<uint8_t> pixels;
    for (int level = 0; level < 256; ++level) pixels.insert(pixels.end(), {uint8_t(level), uint8_t(level), uint8_t(level)});
    for (int i = 0; i < kGrid * kGrid * kGrid; ++i)
        pixels.insert(pixels.end(), {uint8_t(i % kGrid * 17), uint8_t(i / kGrid % kGrid * 17), uint8_t(i / (kGrid * kGrid) * 17)});
    const std::vector<uint8_t> before = pixels;
    conversion.Rows(pixels.data(), uint32_t(pixels.size() / 3), 1, 0, PixelLayout::Bgr);
    for (size_t i = 0; i < pixels.size(); ++i)
        if (std::abs(int(pixels[i]) - int(before[i])) > 1) return false;
    return true;
}

struct Made {
    std::shared_ptr<const Conversion> conversion;
    ColourOutcome outcome = ColourOutcome::LeftAlone;   // without a conversion
};

Made MakeConversion(std::span<const uint8_t> bytes, const ColourTarget& target) {
    IccProfile from = Open(bytes);
    IccProfile to = OpenTarget(target);
    if (!from || !to) return {};
    std::shared_ptr<const Conversion> conversion;
    const cmsColorSpaceSignature space = cmsGetColorSpace(from.get());
    if (space == cmsSigGrayData) {
        Transform transform = MakeTransform(from, TYPE_GRAY_DBL, to, TYPE_RGB_DBL);
        if (!transform) return {};
        double grey[256], rgb[256 * 3];
        for (int i = 0; i < 256; ++i) grey[i] = i / 255.0;
        cmsDoTransform(transform.get(), grey, rgb, 256);
        auto table = std::make_shared<GreyConversion>();
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c) table->bgr[i][2 - c] = Level(rgb[i * 3 + c]);
        conversion = std::move(table);
    } else if (space == cmsSigRgbData) {
        std::unique_ptr<MatrixConversion> tables = MatrixTables(from, to);
        if (tables && TableError(*tables, from, to) <= 1) conversion = std::move(tables);
        else conversion = std::make_shared<LibraryConversion>(std::move(from), std::move(to));
    } else {
        return {};   // CMYK and the rest: the decoder's own reading stands
    }
    if (ChangesNothing(*conversion)) return {nullptr, ColourOutcome::NothingToDo};
    return {std::move(conversion), ColourOutcome::Converted};
}

// The conversions made, the most recently used first.
struct Kept {
    uint64_t digest = 0;
    std::vector<uint8_t> profile;
    uint64_t target = 0;
    Made made;
};

constexpr size_t kMaxKept = 8;

struct ConversionCache {
    std::mutex lock;
    std::list<Kept> kept;
    uint64_t made = 0;
    uint64_t found = 0;
};

ConversionCache& Cache() {
    static ConversionCache cache;
    return cache;
}

Made ConversionFor(std::span<const uint8_t> profile, const ColourTarget& target) {
    const uint64_t digest = Digest(profile);
    ConversionCache& cache = Cache();
    const auto same = [&](const Kept& k) {
        return k.digest == digest && k.target == target.Id() && std::ranges::equal(k.profile, profile);
    };
    {
        std::lock_guard<std::mutex> hold(cache.lock);
        const auto at = std::ranges::find_if(cache.kept, same);
        if (at != cache.kept.end()) {
            cache.kept.splice(cache.kept.begin(), cache.kept, at);
            ++cache.found;
            return at->made;
        }
    }
    // Made outside the lock: two workers may make the same one, and one is kept.
    Made made = MakeConversion(profile, target);
    std::lock_guard<std::mutex> hold(cache.lock);
    ++cache.made;
    if (std::ranges::none_of(cache.kept, same)) {
        cache.kept.push_front(Kept{digest, std::vector<uint8_t>(profile.begin(), profile.end()), target.Id(), made});
        if (cache.kept.size() > kMaxKept) cache.kept.pop_back();
    }
    return made;
}

// Rows shared out among up to four threads for a picture of a megapixel or more.
template <typename Work>
void SplitRows(uint32_t width, uint32_t height, const Work& work) {
    constexpr uint64_t kWorthSplitting = 1u << 20;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const uint32_t parts = uint64_t(width) * height < kWorthSplitting ? 1 : std::min({cores, 4u, height});
    std::vector<std::thread> helpers;
    const uint32_t each = (height + parts - 1) / parts;
    for (uint32_t part = 1; part < parts; ++part) {
        const uint32_t first = part * each, count = std::min(each, height - std::min(height, first));
        if (count == 0) break;
        try {
            helpers.emplace_back([&work, first, count] { work(first, count); });
        } catch (const std::system_error&) {
            work(first, count);   // no thread to be had: done here
        }
    }
    work(0, std::min(each, height));
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

std::shared_ptr<const ColourTarget> ColourTarget::Make(std::vector<uint8_t> displayProfile) {
    auto target = std::make_shared<ColourTarget>();
    const IccProfile profile = Open(displayProfile);
    if (profile && cmsGetColorSpace(profile.get()) == cmsSigRgbData &&
        cmsIsIntentSupported(profile.get(), INTENT_PERCEPTUAL, LCMS_USED_AS_OUTPUT)) {
        // 0 and 1 are left to no target and sRGB.
        target->id_ = std::max<uint64_t>(Digest(displayProfile), 2);
        target->profile_ = std::move(displayProfile);
    }
    return target;
}

ColourOutcome ConvertColours(std::span<const uint8_t> profile, const ColourTarget& target, uint8_t* pixels,
                             uint32_t width, uint32_t height, ptrdiff_t stride, PixelLayout layout) {
    if (profile.empty() || !pixels || width == 0 || height == 0) return ColourOutcome::NothingToDo;
    if (!target.IsSrgb() && std::ranges::equal(profile, target.Profile())) return ColourOutcome::NothingToDo;
    const Made made = ConversionFor(profile, target);
    if (!made.conversion) return made.outcome;
    SplitRows(width, height, [&](uint32_t first, uint32_t count) {
        made.conversion->Rows(pixels + ptrdiff_t(first) * stride, width, count, stride, layout);
    });
    return ColourOutcome::Converted;
}

RowConversion::RowConversion(std::span<const uint8_t> profile, const ColourTarget& target, uint8_t* pixels,
                             uint32_t width, ptrdiff_t stride, PixelLayout layout)
    : pixels_(pixels), width_(width), stride_(stride), layout_(layout) {
    if (profile.empty() || !pixels || width == 0) return;
    if (!target.IsSrgb() && std::ranges::equal(profile, target.Profile())) return;
    const Made made = ConversionFor(profile, target);
    outcome_ = made.outcome;
    if (!made.conversion) return;
    conversion_ = made.conversion;
    try {
        worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the rows are converted as they are handed over.
    }
}

void RowConversion::Decoded(uint32_t rows) {
    if (!conversion_) return;
    if (!worker_.joinable()) {
        const auto* conversion = static_cast<const Conversion*>(conversion_.get());
        if (rows > converted_)
            conversion->Rows(pixels_ + ptrdiff_t(converted_) * stride_, width_, rows - converted_, stride_, layout_);
        converted_ = std::max(converted_, rows);
        return;
    }
    std::lock_guard<std::mutex> hold(lock_);
    decoded_ = std::max(decoded_, rows);
    wake_.notify_one();
}

void RowConversion::Finish() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        finishing_ = true;
        wake_.notify_one();
    }
    worker_.join();
}

void RowConversion::Work() {
    const auto* conversion = static_cast<const Conversion*>(conversion_.get());
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        wake_.wait(hold, [this] { return decoded_ > converted_ || finishing_; });
        if (decoded_ == converted_) return;   // finishing, and nothing left
        const uint32_t first = converted_, last = decoded_;
        hold.unlock();
        conversion->Rows(pixels_ + ptrdiff_t(first) * stride_, width_, last - first, stride_, layout_);
        hold.lock();
        converted_ = last;
    }
}

ColourCacheCount ColourCacheCounts() {
    ConversionCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    return {cache.kept.size(), cache.made, cache.found};
}

std::shared_ptr<const ColourTarget> ColourChoice::Current() const {
    std::lock_guard<std::mutex> hold(lock_);
    return current_;
}

bool ColourChoice::Set(bool on, const std::vector<uint8_t>& displayProfile) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!made_ || asked_ != displayProfile) {
        made_ = ColourTarget::Make(displayProfile);
        asked_ = displayProfile;
    }
    std::shared_ptr<const ColourTarget> now = on ? made_ : nullptr;
    const bool changed = !set_ || (now ? now->Id() : 0) != (current_ ? current_->Id() : 0);
    current_ = std::move(now);
    set_ = true;
    return changed;
}
