// Colour management's cost: the one decode routine on a 24 MP JPEG carrying
// an Adobe RGB profile, converted to sRGB as it is decoded, against the same
// decode of the same JPEG without the profile (the same coded data), measured
// in the same run: at full size (every pixel converted) and at the scale a
// 1280 x 1024 screen shows it at. Alternates the two, after one warm-up each
// (which also makes the conversion, kept from then on).
//
//   bench_colour [with-profile.jpg without-profile.jpg] [rounds]
// Without paths it uses bench_colour.jpg and bench_decode.jpg beside the
// executable; scripts/bench.sh makes the first from the second with exiftool.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "imaging/ColourManage.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureDecode.h"

namespace {

double DecodeOnce(const std::wstring& path, const DecodeLimits& limits, bool& converted) {
    const double t = bench::Now();
    DecodedPicture picture = DecodePictureFile(path.c_str(), limits);
    const double took = bench::Now() - t;
    converted = !picture.colourProfile.empty();
    return picture.outcome == DecodeOutcome::Decoded ? took : -1;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring profiled = argc > 2 ? argv[1] : bench::PictureArgument(1, argv, L"bench_colour.jpg");
    const std::wstring plain = argc > 2 ? argv[2] : bench::PictureArgument(1, argv, L"bench_decode.jpg");
    const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 7;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int status = 0;
    for (const bool scaled : {false, true}) {
        DecodeLimits limits{PicturePixelLimit()};
        limits.colour = ColourTarget::Make({});
        if (scaled) {
            limits.target.valid = true;
            limits.target.area = {1280, 1024};
            limits.target.squeeze = true;
        }
        bool converted = false, plainHasProfile = false;
        if (DecodeOnce(profiled, limits, converted) < 0 || DecodeOnce(plain, limits, plainHasProfile) < 0 ||
            !converted || plainHasProfile) {
            std::printf("bench_colour: %ls must decode with a profile and %ls without one\n", profiled.c_str(),
                        plain.c_str());
            status = 2;
            break;
        }
        std::vector<double> ours, floor;
        for (int i = 0; i < rounds; ++i) {
            floor.push_back(DecodeOnce(plain, limits, plainHasProfile));
            ours.push_back(DecodeOnce(profiled, limits, converted));
        }
        const double m = bench::Median(ours), f = bench::Median(floor);
        std::printf("%s: decode + conversion to sRGB %.1f ms, floor (the same decode without a profile) %.1f ms, "
                    "ratio %.3f (goal <= 1.15)\n",
                    scaled ? "scaled for 1280 x 1024" : "full size", m, f, f > 0 ? m / f : 0.0);
    }
    // The conversion alone, of 24 MP of varied opaque pixels.
    if (status == 0) {
        const std::vector<uint8_t> profile = DecodePictureFile(profiled.c_str(), DecodeLimits{PicturePixelLimit()}).colourProfile;
        const uint32_t w = 6000, h = 4000;
        std::vector<uint8_t> pixels(size_t(w) * h * 4);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : uint8_t(i * 2654435761u >> 13);
        const auto target = ColourTarget::Make({});
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            const double t = bench::Now();
            ConvertColours(profile, *target, pixels.data(), w, h, ptrdiff_t(w) * 4, PixelLayout::Premultiplied);
            times.push_back(bench::Now() - t);
        }
        std::printf("the conversion alone of %ux%u pixels: %.1f ms\n", w, h, bench::Median(times));
    }
    Gdiplus::GdiplusShutdown(token);
    LocalFree(argv);
    return status;
}
