// Colour management of decoded pixels: a picture that carries an ICC profile
// is converted from it to the colours of the screen (the monitor's own profile
// when Windows has one assigned to it, else sRGB) with Little CMS. A picture
// without a profile is taken as sRGB and left as it is, at no cost.
//
// A conversion is made once per profile and target and kept (a few of them,
// the most recently used): the common RGB profiles (a matrix and three curves,
// as Adobe RGB, ProPhoto RGB, Display P3 or a camera's sRGB) become tables
// applied by a loop of our own, checked against the library's own result when
// made; an sRGB profile on its way to sRGB comes out as nothing to do; other
// RGB profiles go through the library; a grey profile becomes a table of the
// 256 greys. Profiles of any other colour space (CMYK) and damaged ones leave
// the pixels alone. A large picture is converted on several threads.
//
// No windows, no GDI+: any thread may convert.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

// What pictures are converted to: a display profile, or sRGB.
class ColourTarget {
public:
    // The target for a monitor's profile; sRGB when it is empty, damaged or
    // cannot take colours (not an RGB display profile).
    static std::shared_ptr<const ColourTarget> Make(std::vector<uint8_t> displayProfile);
    // The profile converted to; empty for sRGB.
    const std::vector<uint8_t>& Profile() const { return profile_; }
    bool IsSrgb() const { return profile_.empty(); }
    // Tells targets apart: 1 for sRGB, a digest of the profile otherwise.
    uint64_t Id() const { return id_; }

private:
    std::vector<uint8_t> profile_;
    uint64_t id_ = 1;
};

// How the pixels to convert lie in memory, top-down rows of B, G, R (and A).
enum class PixelLayout {
    Premultiplied,   // BGRA, colours premultiplied by alpha
    Straight,        // BGRA, colours independent of alpha (or no alpha)
    Bgr,             // 3 bytes a pixel
};

enum class ColourOutcome {
    Converted,
    NothingToDo,   // no profile, or one whose conversion changes nothing
    LeftAlone,     // a profile that cannot be used: damaged, or not RGB or grey
};

// Converts `height` rows of `width` pixels, `stride` bytes apart, in place
// from `profile` to `target`.
ColourOutcome ConvertColours(std::span<const uint8_t> profile, const ColourTarget& target, uint8_t* pixels,
                             uint32_t width, uint32_t height, ptrdiff_t stride, PixelLayout layout);

// Converts the rows of a picture as its decoder finishes them, on a thread of
// its own, while the decoder goes on with the next ones: the conversion of a
// large picture costs little more than its decode. Nothing is started for a
// profile that changes nothing or cannot be used.
class RowConversion {
public:
    RowConversion(std::span<const uint8_t> profile, const ColourTarget& target, uint8_t* pixels, uint32_t width,
                  ptrdiff_t stride, PixelLayout layout);
    ~RowConversion() { Finish(); }
    RowConversion(const RowConversion&) = delete;
    RowConversion& operator=(const RowConversion&) = delete;

    // Rows [0, rows) are final.
    void Decoded(uint32_t rows);
    // Returns once every row handed over is converted.
    void Finish();
    ColourOutcome Outcome() const { return outcome_; }

private:
    void Work();
    std::shared_ptr<const void> conversion_;
    ColourOutcome outcome_ = ColourOutcome::NothingToDo;
    uint8_t* pixels_;
    uint32_t width_;
    ptrdiff_t stride_;
    PixelLayout layout_;
    std::mutex lock_;
    std::condition_variable wake_;
    uint32_t decoded_ = 0;
    uint32_t converted_ = 0;
    bool finishing_ = false;
    std::thread worker_;
};

// The conversions made and kept, and how many were found kept (for the tests).
struct ColourCacheCount {
    size_t kept = 0;
    uint64_t made = 0;
    uint64_t found = 0;
};
ColourCacheCount ColourCacheCounts();

// The colour setting as the decode workers read it: null while colour
// management is off, else the target. Set on the interface thread.
class ColourChoice {
public:
    std::shared_ptr<const ColourTarget> Current() const;
    // Keeps the target object when neither the setting nor the profile changed;
    // whether anything changed.
    bool Set(bool on, const std::vector<uint8_t>& displayProfile);

private:
    mutable std::mutex lock_;
    std::shared_ptr<const ColourTarget> current_;
    std::shared_ptr<const ColourTarget> made_;   // kept while off, for when it comes back on
    std::vector<uint8_t> asked_;                 // the display profile it was made of
    bool set_ = false;
};
