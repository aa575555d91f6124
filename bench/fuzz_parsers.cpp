// Mutation fuzzing of the parsers that read files from outside: the picture
// header judge, the EXIF orientation and embedded-thumbnail readers, the
// metafile check, the JPEG, WebP, JPEG XL and HEIF decoders, the frames of animated GIFs and
// WebPs, the INI and language readers, the shortcut check and the shortcut reader.
//
//   fuzz_parsers.exe <work folder> <data folder> [count] [seconds] [seed]
//
// Seeds are the test pictures and settings under <data folder> and files made
// here. Each input is a seed with a few simple mutations (bit flips, bytes set
// to 0x00/0xFF/0x7F/0x80, truncation, a block duplicated or inserted,
// interesting 16/32-bit values), derived from the seed number and the input's
// number alone, so a run can resume after any input. Memory parsers get their
// input flush against a no-access page, so a read past the end faults.
//
// Before each input the harness writes it, with its parser and number, to
// <work folder>\current.bin (a mapped file, so it survives a crash), along with
// the run's counters. Started again after a crash, it saves the input that
// killed it under <work folder>\findings, counts the crash and goes on with the
// next input; scripts/fuzz.sh does the restarting. An input running longer
// than 10 s is saved as a stall and the process ends (exit code 3).
// Exit code 0: the count or the time is used up; the report is printed.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "config/IniFile.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"
#include "exhibit/ShortcutCheck.h"
#include "imaging/AnimationFrames.h"
#include "imaging/ExifOrientation.h"
#include "imaging/HeifDecode.h"
#include "imaging/JpegDecode.h"
#include "imaging/JxlDecode.h"
#include "imaging/MetafileCheck.h"
#include "imaging/PictureHeader.h"
#include "imaging/WebpDecode.h"

namespace {

using Bytes = std::vector<uint8_t>;

enum Parser { kHeader, kExif, kMetafile, kIni, kLanguage, kShortcutCheck, kShortcut, kJpeg, kWebp, kJxl, kHeif,
              kGifFrames, kWebpFrames, kParsers };
const char* const kNames[kParsers] = {"header",   "exif",     "metafile", "ini",  "language", "lnkcheck", "shortcut",
                                     "jpeg",     "webp",     "jxl",      "heif", "gifanim",  "webpanim"};

constexpr size_t kMaxInput = size_t(4) << 20;
constexpr DWORD kStallMs = 10000;

// What survives a crash: the run's counters and the input being tried.
struct Record {
    uint32_t magic;
    uint32_t running;          // 1 while an input is being tried
    uint64_t next;             // number of the next input
    uint64_t tried[kParsers];
    uint64_t crashes[kParsers];
    double slowestMs[kParsers];
    double totalMs[kParsers];
    double elapsedMs;
    uint32_t parser;
    uint32_t size;
    uint8_t bytes[kMaxInput];
};
constexpr uint32_t kMagic = 0x5A465846;

Record* g_record = nullptr;
std::wstring g_work;
volatile LONG64 g_startedAt = 0;   // tick of the input under way, 0 when none

bool WriteWhole(const std::wstring& path, const void* data, size_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD wrote = 0;
    const BOOL ok = WriteFile(file, data, DWORD(size), &wrote, nullptr);
    CloseHandle(file);
    return ok && wrote == size;
}

Bytes ReadWhole(const std::wstring& path) {
    Bytes bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < int64_t(kMaxInput)) {
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr)) got = 0;
        bytes.resize(got);
    }
    CloseHandle(file);
    return bytes;
}

void SaveInput(const char* kind, uint32_t parser, uint64_t number, const uint8_t* data, size_t size) {
    CreateDirectoryW((g_work + L"\\findings").c_str(), nullptr);
    wchar_t name[128];
    swprintf(name, 128, L"\\findings\\%hs-%hs-%llu.bin", kind, kNames[parser], (unsigned long long)number);
    WriteWhole(g_work + name, data, size);
}

// A copy of the bytes ending flush against a no-access page.
class Guarded {
public:
    explicit Guarded(const Bytes& bytes) {
        const size_t page = 4096, pages = bytes.size() / page + 1;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT,
                                                   PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + pages * page - bytes.size();
        if (!bytes.empty()) std::memcpy(data_, bytes.data(), bytes.size());
    }
    ~Guarded() { VirtualFree(base_, 0, MEM_RELEASE); }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;
    const uint8_t* data() const { return data_; }

private:
    uint8_t* base_;
    uint8_t* data_;
};

// ---- seeds made here ----

void Put16(Bytes& b, uint32_t v, bool big = false) {
    if (big) b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
    else b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
}
void Put32(Bytes& b, uint32_t v, bool big = false) {
    if (big) Put16(b, v >> 16, true), Put16(b, v, true);
    else Put16(b, v), Put16(b, v >> 16);
}

Bytes Png(uint32_t w, uint32_t h) {
    Bytes b{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    Put32(b, w, true), Put32(b, h, true);
    b.insert(b.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    b.insert(b.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return b;
}

Bytes Tiff(bool big, uint32_t w, uint32_t h) {
    Bytes b{uint8_t(big ? 'M' : 'I'), uint8_t(big ? 'M' : 'I')};
    Put16(b, 42, big), Put32(b, 8, big), Put16(b, 3, big);
    for (const auto& [tag, value] : {std::pair{256u, w}, {257u, h}, {274u, 6u}})
        Put16(b, tag, big), Put16(b, 4, big), Put32(b, 1, big), Put32(b, value, big);
    Put32(b, 0, big);
    return b;
}

// A JPEG whose EXIF block carries orientation 6 and an embedded thumbnail.
Bytes ExifJpeg() {
    const Bytes frame{0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 16, 0, 32, 1, 1, 0x11, 0, 0xFF, 0xD9};
    Bytes tiff{'I', 'I'};
    Put16(tiff, 42), Put32(tiff, 8);
    Put16(tiff, 1), Put16(tiff, 274), Put16(tiff, 3), Put32(tiff, 1), Put32(tiff, 6);
    Put32(tiff, 26);   // IFD1 follows
    Put16(tiff, 2);
    Put16(tiff, 0x201), Put16(tiff, 4), Put32(tiff, 1), Put32(tiff, 26 + 2 + 24 + 4);
    Put16(tiff, 0x202), Put16(tiff, 4), Put32(tiff, 1), Put32(tiff, uint32_t(frame.size()));
    Put32(tiff, 0);
    tiff.insert(tiff.end(), frame.begin(), frame.end());
    Bytes j{0xFF, 0xD8, 0xFF, 0xE1};
    Put16(j, uint32_t(tiff.size() + 8), true);
    j.insert(j.end(), {'E', 'x', 'i', 'f', 0, 0});
    j.insert(j.end(), tiff.begin(), tiff.end());
    j.insert(j.end(), frame.begin() + 2, frame.end());
    return j;
}

Bytes Emf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(dc, 0, 0, 32, 16);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

Bytes Wmf() {
    HDC dc = CreateMetaFileW(nullptr);
    Rectangle(dc, 0, 0, 32, 16);
    HMETAFILE wmf = CloseMetaFile(dc);
    Bytes bytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, UINT(bytes.size()), bytes.data());
    DeleteMetaFile(wmf);
    return bytes;
}

Bytes Utf16(const std::wstring& text, bool bom) {
    Bytes b;
    if (bom) b = {0xFF, 0xFE};
    for (const wchar_t c : text) Put16(b, uint32_t(c));
    return b;
}

const wchar_t kIniText[] =
    L"[Oxbrill]\r\nversion=1.00\r\n\r\n[Tweak]\r\nautorefresh latency=200\r\nzoom=-5\r\nflag=TRUE\r\n"
    L"octal=0777\r\nhex=ffff\r\nratio=1.5e3\r\n# a comment\r\nname=C:\\pictures\\summer\r\n[Fuzz]\r\nlong=2147483647\r\n";

void AddFolder(const std::wstring& folder, std::vector<Bytes>& into) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) AddFolder(folder + L"\\" + name, into);
        else if (Bytes bytes = ReadWhole(folder + L"\\" + name); !bytes.empty()) into.push_back(std::move(bytes));
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

// ---- mutations ----

Bytes Mutate(const Bytes& seed, std::mt19937& rng) {
    Bytes b = seed;
    const auto below = [&](size_t n) { return n ? size_t(rng() % n) : 0; };
    const int count = 1 + int(rng() % 4);
    for (int m = 0; m < count; ++m) {
        if (b.empty()) b.push_back(0);
        const size_t at = below(b.size());
        switch (rng() % 7) {
        case 0: b[at] ^= uint8_t(1u << (rng() % 8)); break;
        case 1: {
            static const uint8_t values[] = {0x00, 0xFF, 0x7F, 0x80};
            b[at] = values[rng() % 4];
            break;
        }
        case 2: b.resize(below(b.size() + 1)); break;
        case 3: {   // a block duplicated in place
            const size_t length = std::min<size_t>(1 + below(256), b.size() - at);
            const Bytes block(b.begin() + ptrdiff_t(at), b.begin() + ptrdiff_t(at + length));
            if (b.size() + length < kMaxInput) b.insert(b.begin() + ptrdiff_t(below(b.size())), block.begin(), block.end());
            break;
        }
        case 4: {   // random bytes inserted
            const size_t length = 1 + below(64);
            Bytes block(length);
            for (uint8_t& v : block) v = uint8_t(rng());
            if (b.size() + length < kMaxInput) b.insert(b.begin() + ptrdiff_t(at), block.begin(), block.end());
            break;
        }
        case 5:
        case 6: {   // an interesting value, either byte order
            static const uint32_t values[] = {0,          1,          2,          0x7F,       0x80,       0xFF,
                                              0x100,      0x7FFF,     0x8000,     0xFFFF,     0x10000,    0x7FFFFFFF,
                                              0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 65500,      100000,     0x40000000};
            uint32_t v = values[rng() % (sizeof values / sizeof values[0])];
            if (rng() % 4 == 0) v = uint32_t(b.size() + (rng() % 16) - 8);
            const bool wide = rng() % 2, big = rng() % 2;
            const size_t n = wide ? 4 : 2;
            if (at + n > b.size()) break;
            for (size_t i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * (big ? n - 1 - i : i)));
            break;
        }
        }
    }
    return b;
}

// ---- the parsers ----

std::atomic<uint64_t> g_sink{0};   // keeps the results alive

void RunHeader(const Bytes& input) {
    const Guarded g(input);
    ClaimedSize claimed;
    PictureFormat format = PictureFormat::Unknown;
    const HeaderVerdict verdict = JudgeHeader(g.data(), input.size(), input.size(), 1ull << 28, &claimed, &format);
    // A head cut short of the file, as the thumbnail maker reads it.
    const HeaderVerdict head = JudgeHeader(g.data(), input.size(), uint64_t(input.size()) * 8 + 1, 1ull << 22);
    g_sink += int(verdict) + int(head) + claimed.width + claimed.height + int(format);
}

void RunExif(const Bytes& input) {
    const Guarded g(input);
    const int orientation = ExifOrientationFromJpeg(g.data(), input.size());
    EmbeddedThumbnail thumbnail;
    uint64_t sum = uint64_t(orientation);
    if (ExifThumbnailFromJpeg(g.data(), input.size(), &thumbnail)) {
        if (thumbnail.data < g.data() || thumbnail.data + thumbnail.size > g.data() + input.size()) {
            std::fprintf(stderr, "embedded thumbnail outside the bytes\n");
            RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
        }
        sum += uint64_t(JudgeHeader(thumbnail.data, thumbnail.size, thumbnail.size, 2ull << 20));
    }
    uint32_t w = 0, h = 0;
    if (JpegFrameSize(g.data(), input.size(), &w, &h)) sum += w + h;
    g_sink += sum;
}

// Decoded at full size and at an eighth, within a budget of 4 megapixels.
void RunJpeg(const Bytes& input) {
    const Guarded g(input);
    for (const uint32_t side : {0u, 1u}) {
        const DecodedPixels p = DecodeJpeg(g.data(), input.size(), PixelRequest{side, side, false, 1u << 22});
        g_sink += uint64_t(p.outcome) + p.width + p.height + (p.pixels ? p.pixels[p.Stride() * p.height - 1] : 0);
    }
}

// Decoded at full size and at one pixel's worth, within a budget of 4 megapixels,
// and its EXIF chunk read.
void RunWebp(const Bytes& input) {
    const Guarded g(input);
    for (const uint32_t side : {0u, 1u}) {
        const DecodedPixels p = DecodeWebp(g.data(), input.size(), PixelRequest{side, side, false, 1u << 22});
        g_sink += uint64_t(p.outcome) + p.width + p.height + (p.pixels ? p.pixels[p.Stride() * p.height - 1] : 0);
    }
    g_sink += uint64_t(ExifOrientationFromWebp(g.data(), input.size()));
}

// Decoded within a budget of 4 megapixels (a megapixel of colour, as the
// library's planes count), and its orientation read.
void RunJxl(const Bytes& input) {
    const Guarded g(input);
    const DecodedPixels p = DecodeJxl(g.data(), input.size(), PixelRequest{0, 0, false, 1u << 22});
    g_sink += uint64_t(p.outcome) + p.width + p.height + (p.pixels ? p.pixels[p.Stride() * p.height - 1] : 0);
    g_sink += uint64_t(OrientationFromJxl(g.data(), input.size()));
}

// Decoded within a budget of 4 megapixels (the library decodes at full size only).
void RunHeif(const Bytes& input) {
    const Guarded g(input);
    const DecodedPixels p = DecodeHeif(g.data(), input.size(), PixelRequest{0, 0, false, 1u << 22});
    g_sink += uint64_t(p.outcome) + p.width + p.height + (p.pixels ? p.pixels[p.Stride() * p.height - 1] : 0);
}

// Played within a budget of 4 megapixels: up to 40 frames, then rewound for 2 more.
void RunAnimation(const Bytes& input) {
    const Guarded g(input);
    const std::unique_ptr<AnimationFrames> frames = OpenAnimation(g.data(), input.size(), 1u << 22);
    if (!frames) return;
    DecodedPixels frame;
    uint32_t delay = 0;
    uint64_t sum = frames->Width() + frames->Height() + frames->Loops();
    for (int pass = 0; pass < 2; ++pass, frames->Rewind())
        for (int i = 0; i < (pass ? 2 : 40) && frames->Next(frame, delay); ++i)
            sum += delay + frame.pixels[frame.Stride() * frame.height - 1];
    g_sink += sum;
}

void RunMetafile(const Bytes& input) {
    const Guarded g(input);
    g_sink += uint64_t(MetafileKindOf(g.data(), input.size())) + uint64_t(CheckMetafile(g.data(), input.size()));
}

void RunIni(const std::wstring& path) {
    IniFile ini;
    ini.Open(path.c_str(), 0);
    wchar_t text[260] = {};
    int32_t number = 0, latency = 0, longValue = 0;
    int16_t shortValue = 0, octal = 0, hex = 0;
    uint16_t version = 0;
    uint8_t flag = 0;
    float ratio = 0;
    double precise = 0;
    const IniEntry rows[] = {
        {L"version", kIniUShort, &version},        {L"flag", kIniBool, &flag},
        {L"zoom", kIniShort, &shortValue},          {L"autorefresh latency", kIniLong, &latency},
        {L"octal", kIniShortOctal, &octal},         {L"long", kIniLongOctal, &longValue},
        {L"hex", kIniShortHex, &hex},               {L"wide", kIniLongHex, &number},
        {L"ratio", kIniFloat, &ratio},              {L"precise", kIniDouble, &precise},
        {L"name", kIniString, text},                {nullptr, 0, nullptr},
    };
    for (const wchar_t* header : {L"[Oxbrill]", L"[Tweak]", L"[Fuzz]", L"[Portable]", L"[Tweak Transitions]"})
        ini.ReadSection(rows, header, 260);
    g_sink += uint64_t(version + flag + shortValue + latency + octal + longValue + hex + number) + text[0];
}

void RunLanguage(const std::wstring& path) {
    TransferLanguage(path.c_str(), 0);
    for (int id = 0; id < 64; ++id)
        if (const wchar_t* text = MessageText(id)) g_sink += wcslen(text);
    ResetLanguageTables();
}

void RunShortcutCheck(const Bytes& input) {
    const Guarded g(input);
    g_sink += ShortcutLooksSound(g.data(), input.size());
}

void RunShortcut(const std::wstring& path) {
    ShellLink link;
    wchar_t target[ShellLink::kLinkPathSize] = {};
    if (link.Read(path.c_str(), target, false)) g_sink += wcslen(target);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "crash 0x%08lX in %s, input %llu\n", info->ExceptionRecord->ExceptionCode,
                 g_record ? kNames[g_record->parser % kParsers] : "?",
                 g_record ? (unsigned long long)g_record->next : 0ull);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 2);
    return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI StallWatch(void*) {
    for (;;) {
        Sleep(500);
        const LONG64 started = g_startedAt;
        if (started && GetTickCount64() - uint64_t(started) > kStallMs && g_record) {
            SaveInput("stall", g_record->parser, g_record->next, g_record->bytes, g_record->size);
            g_record->crashes[g_record->parser % kParsers]++;
            g_record->slowestMs[g_record->parser % kParsers] =
                std::max(g_record->slowestMs[g_record->parser % kParsers], double(kStallMs));
            g_record->running = 0;
            g_record->next++;
            FlushViewOfFile(g_record, 0);
            std::fprintf(stderr, "stall in %s, input %llu\n", kNames[g_record->parser % kParsers],
                         (unsigned long long)(g_record->next - 1));
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

Parser ParserFor(uint64_t n) {
    const uint64_t k = n % 22;
    if (k == 20) return kGifFrames;
    if (k == 21) return kWebpFrames;
    if (k < 4) return kHeader;
    if (k < 5) return kJpeg;
    if (k < 6) return kWebp;
    if (k < 7) return kJxl;
    if (k < 8) return kHeif;
    if (k < 10) return kExif;
    if (k < 14) return kMetafile;
    if (k < 17) return kIni;
    if (k < 19) return kLanguage;
    return (n / 22) % 5 == 0 ? kShortcut : kShortcutCheck;   // the shell is slow: one input in a hundred
}

// Runs `parser` on `input`; the parsers that read a file read it from `path`.
void RunParser(int parser, const Bytes& input, const std::wstring& path) {
    switch (parser) {
    case kHeader: RunHeader(input); break;
    case kExif: RunExif(input); break;
    case kMetafile: RunMetafile(input); break;
    case kJpeg: RunJpeg(input); break;
    case kWebp: RunWebp(input); break;
    case kJxl: RunJxl(input); break;
    case kHeif: RunHeif(input); break;
    case kGifFrames:
    case kWebpFrames: RunAnimation(input); break;
    case kIni: RunIni(path); break;
    case kLanguage: RunLanguage(path); break;
    case kShortcutCheck: RunShortcutCheck(input); break;
    case kShortcut: RunShortcut(path); break;
    default: break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto wide = [](const char* s) { return std::wstring(s, s + std::strlen(s)); };
    if (argc == 4 && std::strcmp(argv[1], "--replay") == 0) {
        // fuzz_parsers --replay <parser> <file>: times one input, twice (the first warms the parser up).
        int parser = 0;
        while (parser < kParsers && std::strcmp(kNames[parser], argv[2]) != 0) ++parser;
        const std::wstring path = wide(argv[3]);
        const Bytes input = ReadWhole(path);
        for (int round = 0; round < 2 && parser < kParsers; ++round) {
            const double t = bench::Now();
            RunParser(parser, input, path);
            std::printf("%s: %.2f ms\n", argv[2], bench::Now() - t);
        }
        return parser < kParsers ? 0 : 1;
    }
    if (argc < 3) {
        std::printf("usage: fuzz_parsers <work folder> <data folder> [count] [seconds] [seed]\n"
                    "       fuzz_parsers --replay <parser> <file>\n");
        return 1;
    }
    g_work = wide(argv[1]);
    const std::wstring data = wide(argv[2]);
    const uint64_t count = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 100000;
    const double seconds = argc > 4 ? std::atof(argv[4]) : 60;
    const uint32_t seed = argc > 5 ? uint32_t(std::strtoul(argv[5], nullptr, 10)) : 1;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    CreateDirectoryW(g_work.c_str(), nullptr);

    // The record of the run, in a mapped file that outlives a crash.
    HANDLE file = CreateFileW((g_work + L"\\current.bin").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE mapping = file == INVALID_HANDLE_VALUE ? nullptr
                                                  : CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, sizeof(Record), nullptr);
    g_record = mapping ? static_cast<Record*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Record))) : nullptr;
    if (!g_record) {
        std::printf("fuzz_parsers: cannot map %ls\\current.bin\n", g_work.c_str());
        return 1;
    }
    Record& r = *g_record;
    if (r.magic != kMagic) {
        std::memset(&r, 0, offsetof(Record, bytes));
        r.magic = kMagic;
    } else if (r.running) {
        // The last run died on this input: a finding.
        SaveInput("crash", r.parser % kParsers, r.next, r.bytes, std::min<size_t>(r.size, kMaxInput));
        r.crashes[r.parser % kParsers]++;
        r.running = 0;
        r.next++;
    }

    // Seeds: pictures, settings and language files, shortcuts.
    std::vector<Bytes> pictures, texts, links;
    AddFolder(data + L"\\exif", pictures);
    AddFolder(data + L"\\formats", pictures);
    AddFolder(data + L"\\e2e", pictures);
    AddFolder(data + L"\\jpeg", pictures);
    AddFolder(data + L"\\webp", pictures);
    AddFolder(data + L"\\jxl", pictures);
    AddFolder(data + L"\\heif", pictures);
    AddFolder(data + L"\\anim", pictures);
    for (const Bytes& made : {Png(64, 48), Png(20000, 20000), Tiff(false, 64, 48), Tiff(true, 70000, 70000),
                              ExifJpeg(), Emf(), Wmf()})
        pictures.push_back(made);
    AddFolder(data + L"\\settings", texts);
    texts.push_back(Utf16(kIniText, true));
    texts.push_back(Utf16(kIniText, false));
    {
        std::string narrow;
        for (const wchar_t* c = kIniText; *c; ++c) narrow.push_back(char(*c));
        texts.push_back(Bytes(narrow.begin(), narrow.end()));
        texts.push_back(Bytes{0xEF, 0xBB, 0xBF});
        texts.back().insert(texts.back().end(), narrow.begin(), narrow.end());
    }
    const std::wstring languagePath = g_work + L"\\seed.lang.ini";
    if (TransferLanguage(languagePath.c_str(), 1)) texts.push_back(ReadWhole(languagePath));
    const std::wstring target = g_work + L"\\target.jpg", linkPath = g_work + L"\\seed.lnk";
    WriteWhole(target, pictures[0].data(), pictures[0].size());
    {
        ShellLink link;
        if (link.CreateShortcut(target.c_str(), linkPath.c_str())) links.push_back(ReadWhole(linkPath));
    }
    if (links.empty()) links.push_back(Bytes{'L', 0, 0, 0, 1, 0x14, 2, 0});
    // Metafile, EXIF, WebP, JPEG XL, HEIF and animation inputs start from their own kinds more often.
    std::vector<Bytes> metafiles, jpegs, webps, jxls, heifs, gifs, animatedWebps;
    for (const Bytes& p : pictures) {
        if (MetafileKindOf(p.data(), p.size()) != MetafileKind::None) metafiles.push_back(p);
        if (p.size() > 2 && p[0] == 0xFF && p[1] == 0xD8) jpegs.push_back(p);
        if (FormatOf(p.data(), p.size()) == PictureFormat::Webp) webps.push_back(p);
        if (FormatOf(p.data(), p.size()) == PictureFormat::Jxl) jxls.push_back(p);
        if (FormatOf(p.data(), p.size()) == PictureFormat::Heif) heifs.push_back(p);
        if (FormatOf(p.data(), p.size()) == PictureFormat::Gif) gifs.push_back(p);
        if (FormatOf(p.data(), p.size()) == PictureFormat::Webp && OpenAnimation(p.data(), p.size(), 1u << 22))
            animatedWebps.push_back(p);
    }
    std::printf("fuzz_parsers: %zu picture, %zu text and %zu shortcut seeds; from input %llu\n", pictures.size(),
                texts.size(), links.size(), (unsigned long long)r.next);
    std::fflush(stdout);

    HANDLE watch = CreateThread(nullptr, 0, StallWatch, nullptr, 0, nullptr);
    if (watch) CloseHandle(watch);
    const std::wstring inputPath = g_work + L"\\input";
    const double start = bench::Now() - r.elapsedMs;
    while (r.next < count && bench::Now() - start < seconds * 1000) {
        std::mt19937 rng(seed * 2654435761u ^ uint32_t(r.next) ^ uint32_t(r.next >> 32) * 40503u);
        const Parser parser = ParserFor(r.next);
        const std::vector<Bytes>* pool = &pictures;
        if (parser == kIni || parser == kLanguage) pool = &texts;
        else if (parser == kShortcut || parser == kShortcutCheck) pool = &links;
        else if (parser == kMetafile && !metafiles.empty() && rng() % 4 != 0) pool = &metafiles;
        else if ((parser == kExif || parser == kJpeg) && !jpegs.empty() && rng() % 4 != 0) pool = &jpegs;
        else if (parser == kWebp && !webps.empty() && rng() % 4 != 0) pool = &webps;
        else if (parser == kJxl && !jxls.empty() && rng() % 4 != 0) pool = &jxls;
        else if (parser == kHeif && !heifs.empty() && rng() % 4 != 0) pool = &heifs;
        else if (parser == kGifFrames && !gifs.empty() && rng() % 8 != 0) pool = &gifs;
        else if (parser == kWebpFrames && !animatedWebps.empty() && rng() % 8 != 0) pool = &animatedWebps;
        const Bytes input = Mutate((*pool)[rng() % pool->size()], rng);

        r.parser = parser;
        r.size = uint32_t(input.size());
        if (!input.empty()) std::memcpy(r.bytes, input.data(), input.size());
        r.running = 1;
        const bool onDisk = parser == kIni || parser == kLanguage || parser == kShortcut;
        const std::wstring path = inputPath + (parser == kShortcut ? L".lnk" : L".ini");
        if (onDisk) WriteWhole(path, input.data(), input.size());

        const double t = bench::Now();
        g_startedAt = LONG64(GetTickCount64());
        RunParser(parser, input, path);
        g_startedAt = 0;
        const double spent = bench::Now() - t;
        r.running = 0;
        r.tried[parser]++;
        r.totalMs[parser] += spent;
        if (spent > r.slowestMs[parser]) {
            r.slowestMs[parser] = spent;
            wchar_t name[64];
            swprintf(name, 64, L"\\slowest-%hs.bin", kNames[parser]);
            WriteWhole(g_work + name, input.data(), input.size());
        }
        r.next++;
        r.elapsedMs = bench::Now() - start;
    }
    r.elapsedMs = bench::Now() - start;

    std::printf("fuzz_parsers: %llu inputs in %.1f s (seed %u)\n", (unsigned long long)r.next, r.elapsedMs / 1000,
                seed);
    std::printf("%-10s %10s %8s %12s %12s\n", "parser", "inputs", "crashes", "slowest ms", "mean ms");
    for (int p = 0; p < kParsers; ++p)
        std::printf("%-10s %10llu %8llu %12.2f %12.4f\n", kNames[p], (unsigned long long)r.tried[p],
                    (unsigned long long)r.crashes[p], r.slowestMs[p], r.tried[p] ? r.totalMs[p] / double(r.tried[p]) : 0.0);
    std::fflush(stdout);
    r.magic = 0;   // the next run starts afresh
    FlushViewOfFile(g_record, 0);
    return 0;
}
