#include "imaging/HeifBoxes.h"

#include <algorithm>
#include <vector>

namespace {

constexpr uint32_t Tag(const char (&name)[5]) {
    return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
           (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}

uint64_t Be(const uint8_t* p, unsigned bytes) {
    uint64_t value = 0;
    for (unsigned i = 0; i < bytes; ++i) value = (value << 8) | p[i];
    return value;
}

// The brands of still pictures and sequences coded in HEVC or AV1, and
// the plain image-file brands they are all compatible with.
constexpr uint32_t kBrands[] = {Tag("heic"), Tag("heix"), Tag("hevc"), Tag("hevx"), Tag("heim"),
                                Tag("heis"), Tag("mif1"), Tag("msf1"), Tag("avif"), Tag("avis")};

bool KnownBrand(uint32_t brand) {
    return std::find(std::begin(kBrands), std::end(kBrands), brand) != std::end(kBrands);
}

struct Box {
    uint32_t type = 0;
    uint64_t body = 0;   // offset of the body, after the header
    uint64_t end = 0;    // offset just past the box
};

enum class Header { Read, Beyond, Bad };

// The header of the box at `pos` inside a parent that ends at `limit`, from
// bytes `size` long: Beyond when it lies past the bytes, Bad when the box has
// a size no box may have or runs past its parent.
Header ReadBox(const uint8_t* data, uint64_t size, uint64_t pos, uint64_t limit, Box& box) {
    if (limit - pos < 8) return Header::Bad;
    if (size < 8 || pos > size - 8) return Header::Beyond;
    uint64_t length = Be(data + pos, 4), header = 8;
    box.type = uint32_t(Be(data + pos + 4, 4));
    if (length == 1) {   // a 64-bit size follows the type
        if (limit - pos < 16) return Header::Bad;
        if (size < 16 || pos > size - 16) return Header::Beyond;
        length = Be(data + pos + 8, 8);
        header = 16;
    } else if (length == 0) {   // to the end of its parent
        length = limit - pos;
    }
    if (length < header || length > limit - pos) return Header::Bad;
    box.body = pos + header;
    box.end = pos + length;
    return Header::Read;
}

// Calls `visit(box)` for each child box in [from, to), all within the bytes;
// false when one of them is malformed.
template <class Visit>
bool WalkBoxes(const uint8_t* data, uint64_t size, uint64_t from, uint64_t to, Visit visit) {
    for (uint64_t pos = from; pos < to;) {
        Box box;
        if (ReadBox(data, size, pos, to, box) != Header::Read) return false;
        visit(box);
        pos = box.end;
    }
    return true;
}

// Big-endian fields read in turn from [pos, end); a read past the end reads
// 0 and spoils the rest.
struct Fields {
    const uint8_t* data;
    uint64_t pos;
    uint64_t end;
    bool ok = true;

    uint64_t Take(uint64_t bytes) {
        if (!ok || bytes > 8 || end - pos < bytes) {
            ok = false;
            return 0;
        }
        const uint64_t value = Be(data + pos, unsigned(bytes));
        pos += bytes;
        return value;
    }
    void Skip(uint64_t bytes) {
        if (!ok || end - pos < bytes) ok = false;
        else pos += bytes;
    }
};

Fields FieldsOf(const uint8_t* data, const Box& box) { return Fields{data, box.body, box.end}; }

// The meta box's parts the primary picture's size is found from.
struct MetaParts {
    uint32_t primary = 0;
    bool hasPrimary = false;
    Box iinf, iloc, idat, ipco, iref;
    std::vector<Box> ipma;
};

// Calls `visit(id, type)` for each item entry of the iinf box that names its type.
template <class Visit>
void WalkItemTypes(const uint8_t* data, uint64_t size, const MetaParts& meta, Visit visit) {
    if (meta.iinf.type == 0) return;
    Fields f = FieldsOf(data, meta.iinf);
    const uint64_t version = f.Take(1);
    f.Take(3);
    f.Take(version == 0 ? 2 : 4);   // the entry count: the boxes themselves tell
    if (!f.ok) return;
    WalkBoxes(data, size, f.pos, meta.iinf.end, [&](const Box& infe) {
        if (infe.type != Tag("infe")) return;
        Fields e = FieldsOf(data, infe);
        const uint64_t v = e.Take(1);
        e.Take(3);
        if (v < 2) return;   // the early entries name no item type
        const uint64_t id = e.Take(v == 2 ? 2 : 4);
        e.Take(2);   // protection
        const uint64_t type = e.Take(4);
        if (e.ok) visit(id, uint32_t(type));
    });
}

bool IsGrid(const uint8_t* data, uint64_t size, const MetaParts& meta) {
    bool grid = false;
    WalkItemTypes(data, size, meta, [&](uint64_t id, uint32_t type) {
        if (id == meta.primary) grid = type == Tag("grid");
    });
    return grid;
}

// Whether the primary picture is made, through the `dimg` references of
// derived items (grids, overlays), from itself: the decoder would follow
// such a loop until its stack gives out. A chain deeper than any real file
// has counts as one.
bool DerivedFromItself(const uint8_t* data, uint64_t size, const MetaParts& meta) {
    if (meta.iref.type == 0) return false;
    Fields head = FieldsOf(data, meta.iref);
    const uint64_t idSize = head.Take(1) == 0 ? 2 : 4;
    head.Take(3);
    if (!head.ok) return false;
    std::vector<std::pair<uint64_t, uint64_t>> edges;   // derived item -> an item it is made of
    WalkBoxes(data, size, head.pos, meta.iref.end, [&](const Box& reference) {
        if (reference.type != Tag("dimg")) return;
        Fields f = FieldsOf(data, reference);
        const uint64_t from = f.Take(idSize), count = f.Take(2);
        for (uint64_t i = 0; i < count && f.ok && edges.size() < 4096; ++i) {
            const uint64_t to = f.Take(idSize);
            if (f.ok) edges.emplace_back(from, to);
        }
    });
    constexpr int kDeepest = 8;
    std::vector<std::pair<uint64_t, int>> open{{meta.primary, 0}};   // item, depth
    std::vector<uint64_t> path;
    while (!open.empty()) {
        const auto [item, depth] = open.back();
        open.pop_back();
        path.resize(size_t(depth));
        if (depth >= kDeepest || std::find(path.begin(), path.end(), item) != path.end()) return true;
        path.push_back(item);
        for (const auto& [from, to] : edges)
            if (from == item) open.emplace_back(to, depth + 1);
    }
    return false;
}

// The property indices (1-based, in ipco's order) associated with the primary item.
std::vector<uint64_t> PrimaryProperties(const uint8_t* data, const MetaParts& meta) {
    std::vector<uint64_t> indices;
    for (const Box& ipma : meta.ipma) {
        Fields f = FieldsOf(data, ipma);
        const uint64_t version = f.Take(1), flags = f.Take(3), count = f.Take(4);
        for (uint64_t i = 0; i < count && f.ok; ++i) {
            const uint64_t id = f.Take(version < 1 ? 2 : 4), associations = f.Take(1);
            for (uint64_t a = 0; a < associations && f.ok; ++a) {
                const uint64_t entry = (flags & 1) ? f.Take(2) & 0x7FFF : f.Take(1) & 0x7F;
                if (f.ok && id == meta.primary && entry != 0 && indices.size() < 64) indices.push_back(entry);
            }
        }
    }
    return indices;
}

// Calls `visit(id, from, to)` for each item of the iloc box whose first
// extent starts within the bytes (in the file or in the meta box's idat):
// its data lies in [from, to), `to` the end of the bytes or of the idat.
template <class Visit>
void WalkItemLocations(const uint8_t* data, uint64_t size, const MetaParts& meta, Visit visit) {
    if (meta.iloc.type == 0) return;
    Fields f = FieldsOf(data, meta.iloc);
    const uint64_t version = f.Take(1);
    f.Take(3);
    const uint64_t sizes = f.Take(1), more = f.Take(1);
    const uint64_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
    const uint64_t indexSize = (version == 1 || version == 2) ? more & 15 : 0;
    for (const uint64_t s : {offsetSize, lengthSize, baseSize, indexSize})
        if (s != 0 && s != 4 && s != 8) return;
    const uint64_t count = f.Take(version < 2 ? 2 : 4);
    for (uint64_t i = 0; i < count && f.ok; ++i) {
        const uint64_t id = f.Take(version < 2 ? 2 : 4);
        const uint64_t method = (version == 1 || version == 2) ? f.Take(2) & 15 : 0;
        f.Take(2);   // data reference
        const uint64_t base = f.Take(baseSize), extents = f.Take(2);
        // Only the first extent matters; the rest are stepped over whole
        // (extents of no bytes at all cost no walk).
        uint64_t offset = 0;
        if (extents > 0) {
            f.Take(indexSize);
            offset = f.Take(offsetSize);
            f.Take(lengthSize);
            f.Skip((extents - 1) * (indexSize + offsetSize + lengthSize));
        }
        if (!f.ok || extents == 0 || method > 1 || (method == 1 && meta.idat.type == 0)) continue;
        const uint64_t from = method == 1 ? meta.idat.body : 0, to = method == 1 ? meta.idat.end : size;
        if (base > to - from || offset > to - from - base) continue;
        visit(id, from + base + offset, to);
    }
}

// The output size of the primary grid from its description.
bool GridSize(const uint8_t* data, uint64_t size, const MetaParts& meta, uint32_t& w, uint32_t& h) {
    bool found = false;
    WalkItemLocations(data, size, meta, [&](uint64_t id, uint64_t from, uint64_t to) {
        if (id != meta.primary || found) return;
        Fields grid{data, from, to};
        const uint64_t gridVersion = grid.Take(1), gridFlags = grid.Take(1);
        grid.Take(2);   // rows and columns
        const uint64_t side = (gridFlags & 1) ? 4 : 2;
        const uint64_t gw = grid.Take(side), gh = grid.Take(side);
        if (!grid.ok || gridVersion != 0) return;
        w = uint32_t(gw);
        h = uint32_t(gh);
        found = true;
    });
    return found;
}

// The bits of a parameter set, read in turn; a read past the end reads 0
// and spoils the rest.
struct Bits {
    std::vector<uint8_t> bytes;
    uint64_t at = 0;   // in bits
    bool ok = true;

    uint64_t Read(unsigned count) {
        uint64_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++at) {
            if (at / 8 >= bytes.size()) {
                ok = false;
                return 0;
            }
            value = (value << 1) | ((bytes[at / 8] >> (7 - at % 8)) & 1);
        }
        return value;
    }
    // An unsigned Exp-Golomb code.
    uint64_t Ue() {
        unsigned zeros = 0;
        while (ok && Read(1) == 0)
            if (++zeros > 31) ok = false;
        return ok ? (uint64_t(1) << zeros) - 1 + Read(zeros) : 0;
    }
};

// The coded size (luma samples) of an HEVC sequence parameter set, 0 when
// it cannot be read. The HEVC decoder allocates for it whatever the
// container says, up to 65535 on a side.
uint64_t SequencePixels(const uint8_t* nal, uint64_t length) {
    if (length < 3 || ((nal[0] >> 1) & 0x3F) != 33) return 0;
    Bits bits;
    // The size comes within the first few hundred bytes; emulation prevention bytes are taken out.
    unsigned zeros = 0;
    for (uint64_t i = 2; i < std::min<uint64_t>(length, 512); ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        bits.bytes.push_back(nal[i]);
        zeros = nal[i] == 0 ? zeros + 1 : 0;
    }
    bits.Read(4);   // video parameter set
    const uint64_t subLayers = bits.Read(3);
    if (subLayers > 6) return 0;
    bits.Read(1);
    bits.Read(96);   // the general profile, tier and level
    bool profile[6] = {}, level[6] = {};
    for (uint64_t i = 0; i < subLayers; ++i) profile[i] = bits.Read(1), level[i] = bits.Read(1);
    if (subLayers > 0) bits.Read(unsigned(2 * (8 - subLayers)));
    for (uint64_t i = 0; i < subLayers; ++i) bits.Read((profile[i] ? 88 : 0) + (level[i] ? 8 : 0));
    bits.Ue();   // its own id
    if (bits.Ue() == 3) bits.Read(1);   // 4:4:4, its planes maybe apart
    const uint64_t w = bits.Ue(), h = bits.Ue();
    return bits.ok ? w * h : 0;
}

// The largest coded size of the sequence parameter sets of an HEVC configuration box.
uint64_t HevcConfigPixels(const uint8_t* data, const Box& hvcC) {
    Fields f = FieldsOf(data, hvcC);
    f.Skip(22);
    const uint64_t arrays = f.Take(1);
    uint64_t largest = 0;
    for (uint64_t a = 0; a < arrays && f.ok; ++a) {
        f.Take(1);
        const uint64_t units = f.Take(2);
        for (uint64_t u = 0; u < units && f.ok; ++u) {
            const uint64_t length = f.Take(2);
            if (!f.ok || length > f.end - f.pos) break;
            largest = std::max(largest, SequencePixels(data + f.pos, length));
            f.Skip(length);
        }
    }
    return largest;
}

// An unsigned variable-length code of AV1 (leading zeros, then as many bits).
uint64_t Uvlc(Bits& bits) {
    unsigned zeros = 0;
    while (bits.ok && bits.Read(1) == 0) ++zeros;
    if (zeros >= 32) return UINT32_MAX;
    return bits.Read(zeros) + (uint64_t(1) << zeros) - 1;
}

// The largest frame (luma samples) an AV1 sequence header allows, 0 when it
// cannot be read. The AV1 decoder allocates for its frames whatever the
// container says, up to 2^30 samples.
uint64_t Av1SequencePixels(const uint8_t* header, uint64_t length) {
    Bits bits;
    bits.bytes.assign(header, header + std::min<uint64_t>(length, 512));
    bits.Read(4);   // profile and still picture
    if (bits.Read(1)) {   // the reduced header of a still picture
        bits.Read(5);
    } else {
        bool decoderModel = false;
        unsigned delayBits = 0;
        if (bits.Read(1)) {   // timing
            bits.Read(64);
            if (bits.Read(1)) Uvlc(bits);
            decoderModel = bits.Read(1) != 0;
            if (decoderModel) {
                delayBits = unsigned(bits.Read(5)) + 1;
                bits.Read(42);
            }
        }
        const bool displayDelay = bits.Read(1) != 0;
        const uint64_t points = bits.Read(5) + 1;
        for (uint64_t i = 0; i < points && bits.ok; ++i) {
            bits.Read(12);
            if (bits.Read(5) > 7) bits.Read(1);
            if (decoderModel && bits.Read(1)) bits.Read(2 * delayBits + 1);
            if (displayDelay && bits.Read(1)) bits.Read(4);
        }
    }
    const unsigned widthBits = unsigned(bits.Read(4)) + 1, heightBits = unsigned(bits.Read(4)) + 1;
    const uint64_t w = bits.Read(widthBits) + 1, h = bits.Read(heightBits) + 1;
    return bits.ok ? w * h : 0;
}

// The frame size of the first sequence header among the first few AV1 OBUs in [from, to).
uint64_t Av1ObuPixels(const uint8_t* data, uint64_t from, uint64_t to) {
    uint64_t pos = from;
    for (int n = 0; n < 8 && pos < to; ++n) {
        const uint8_t header = data[pos];
        pos += (header & 4) ? 2 : 1;   // an extension byte
        if (!(header & 2)) return 0;   // no size: not as a container holds them
        uint64_t length = 0;
        for (int i = 0; i < 8; ++i) {
            if (pos >= to) return 0;
            const uint8_t b = data[pos++];
            length |= uint64_t(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) break;
        }
        if (pos > to || length > to - pos) return 0;
        if (((header >> 3) & 15) == 1) return Av1SequencePixels(data + pos, length);
        pos += length;
    }
    return 0;
}

// The largest frame the AV1 items (tiles and thumbnails included) allow.
uint64_t Av1ItemsPixels(const uint8_t* data, uint64_t size, const MetaParts& meta) {
    std::vector<uint64_t> av1;
    WalkItemTypes(data, size, meta, [&](uint64_t id, uint32_t type) {
        if (type == Tag("av01") && av1.size() < 4096) av1.push_back(id);
    });
    if (av1.empty()) return 0;
    std::sort(av1.begin(), av1.end());
    uint64_t largest = 0;
    WalkItemLocations(data, size, meta, [&](uint64_t id, uint64_t from, uint64_t to) {
        if (std::binary_search(av1.begin(), av1.end(), id)) largest = std::max(largest, Av1ObuPixels(data, from, to));
    });
    return largest;
}

void ReadPrimarySize(const uint8_t* data, uint64_t size, const Box& metaBox, HeifFacts& facts) {
    MetaParts meta;
    const bool walked = WalkBoxes(data, size, metaBox.body + 4, metaBox.end, [&](const Box& box) {
        if (box.type == Tag("pitm")) {
            Fields f = FieldsOf(data, box);
            const uint64_t version = f.Take(1);
            f.Take(3);
            meta.primary = uint32_t(f.Take(version == 0 ? 2 : 4));
            meta.hasPrimary = f.ok;
        } else if (box.type == Tag("iinf")) {
            meta.iinf = box;
        } else if (box.type == Tag("iloc")) {
            meta.iloc = box;
        } else if (box.type == Tag("idat")) {
            meta.idat = box;
        } else if (box.type == Tag("iref")) {
            meta.iref = box;
        } else if (box.type == Tag("iprp")) {
            WalkBoxes(data, size, box.body, box.end, [&](const Box& part) {
                if (part.type == Tag("ipco")) meta.ipco = part;
                else if (part.type == Tag("ipma") && meta.ipma.size() < 8) meta.ipma.push_back(part);
            });
        }
    });
    if (!walked || !meta.hasPrimary || meta.ipco.type == 0) return;
    if (DerivedFromItself(data, size, meta)) {
        facts.fits = false;
        return;
    }

    const std::vector<uint64_t> wanted = PrimaryProperties(data, meta);
    uint64_t index = 0;
    bool spatial = false, quarter = false;
    uint32_t w = 0, h = 0, cropW = 0, cropH = 0;
    WalkBoxes(data, size, meta.ipco.body, meta.ipco.end, [&](const Box& property) {
        ++index;
        if (property.type == Tag("hvcC"))
            facts.codedPixels = std::max(facts.codedPixels, HevcConfigPixels(data, property));
        if (property.type == Tag("av1C") && property.end - property.body > 4)
            facts.codedPixels = std::max(facts.codedPixels, Av1ObuPixels(data, property.body + 4, property.end));
        if (std::find(wanted.begin(), wanted.end(), index) == wanted.end()) return;
        Fields f = FieldsOf(data, property);
        if (property.type == Tag("ispe")) {
            f.Take(4);
            const uint64_t pw = f.Take(4), ph = f.Take(4);
            if (f.ok && !spatial) w = uint32_t(pw), h = uint32_t(ph), spatial = true;
        } else if (property.type == Tag("irot")) {
            quarter = (f.Take(1) & 1) != 0;
        } else if (property.type == Tag("clap")) {
            const uint64_t wn = f.Take(4), wd = f.Take(4), hn = f.Take(4), hd = f.Take(4);
            if (f.ok && wd != 0 && hd != 0) cropW = uint32_t((wn + wd / 2) / wd), cropH = uint32_t((hn + hd / 2) / hd);
        }
    });
    facts.codedPixels = std::max(facts.codedPixels, Av1ItemsPixels(data, size, meta));
    if (IsGrid(data, size, meta) && GridSize(data, size, meta, w, h)) spatial = true;
    if (!spatial) return;
    // Cropped to its clean aperture, as the decoder crops it.
    if (cropW != 0 && cropH != 0) w = std::min(w, cropW), h = std::min(h, cropH);
    facts.sizeKnown = true;
    facts.width = quarter ? h : w;
    facts.height = quarter ? w : h;
}

}  // namespace

bool IsHeifFile(const uint8_t* data, size_t size) {
    if (!data || size < 16 || Be(data + 4, 4) != Tag("ftyp")) return false;
    const uint64_t length = std::min<uint64_t>(Be(data, 4), size);
    if (length < 16) return false;
    if (KnownBrand(uint32_t(Be(data + 8, 4)))) return true;
    for (uint64_t at = 16; at + 4 <= length; at += 4)
        if (KnownBrand(uint32_t(Be(data + at, 4)))) return true;
    return false;
}

HeifFacts ReadHeifBoxes(const uint8_t* data, size_t size, uint64_t fileSize) {
    HeifFacts facts;
    if (!IsHeifFile(data, size) || size > fileSize) return facts;
    Box meta;
    facts.fits = true;
    for (uint64_t pos = 0; pos < fileSize;) {
        // A few stray bytes after the last box are left to the decoder.
        if (fileSize - pos < 8) break;
        Box box;
        const Header header = ReadBox(data, size, pos, fileSize, box);
        if (header == Header::Beyond) break;
        if (header == Header::Bad) {
            facts.fits = false;
            break;
        }
        if (box.type == Tag("meta") && meta.type == 0) meta = box;
        pos = box.end;
    }
    if (meta.type == 0 && size >= fileSize) facts.fits = false;
    if (meta.type != 0 && meta.end <= size && meta.end - meta.body >= 4) ReadPrimarySize(data, size, meta, facts);
    return facts;
}
