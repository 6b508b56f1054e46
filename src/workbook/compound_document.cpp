#include "workbook/compound_document.h"

#include <algorithm>
#include <cstring>

#include "foundation/string_utils.h"
#include "workbook/workbook_errors.h"

namespace spreadsheet {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kSectorSize = 512;
constexpr size_t kEntriesPerSector = kSectorSize / 4;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kDirectoryEntrySize = 128;

constexpr size_t kMiniSectorSize = 64;
constexpr size_t kMiniCutoff = 4096;

enum TColor : uint8_t { Red = 0, Black = 1 };

struct TcDirectoryLink {
    uint32_t Left = kNoStream, Right = kNoStream, Child = kNoStream;
    TColor Color = Black;
};

void WriteDirectoryEntry(TcByteWriter& out, const std::string& name, uint8_t type,
                         const TcDirectoryLink& link, uint32_t start, uint32_t size) {
    std::u16string wide = Utf8ToUtf16(name).substr(0, 31);
    for (char16_t c : wide) out.U16(c);
    out.Zeros(64 - wide.size() * 2);
    out.U16(static_cast<uint16_t>(wide.empty() ? 0 : (wide.size() + 1) * 2));
    out.U8(type);
    out.U8(link.Color);
    out.U32(link.Left);
    out.U32(link.Right);
    out.U32(link.Child);
    out.Zeros(16 + 4 + 8 + 8);  // class id, state bits, times
    out.U32(start);
    out.U32(size);
    out.U32(0);
}

// The order of names in a storage's tree: shorter first, then by their
// upper-cased characters.
bool NameBefore(const std::string& a, const std::string& b) {
    const std::u16string x = Utf8ToUtf16(a), y = Utf8ToUtf16(b);
    if (x.size() != y.size()) return x.size() < y.size();
    for (size_t i = 0; i < x.size(); ++i) {
        auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
        if (upper(x[i]) != upper(y[i])) return upper(x[i]) < upper(y[i]);
    }
    return false;
}

// A balanced tree of the sorted entries ids[first, last): the middle one is
// the root. Nodes on the deepest level are red, all others black, so that
// every path holds as many black nodes.
uint32_t BuildTree(const std::vector<uint32_t>& ids, size_t first, size_t last, int depth,
                   int deepest, std::vector<TcDirectoryLink>& links) {
    if (first >= last) return kNoStream;
    const size_t middle = first + (last - first) / 2;
    TcDirectoryLink& link = links[ids[middle]];
    link.Color = depth == deepest && depth > 0 ? Red : Black;
    const uint32_t left = BuildTree(ids, first, middle, depth + 1, deepest, links);
    const uint32_t right = BuildTree(ids, middle + 1, last, depth + 1, deepest, links);
    links[ids[middle]].Left = left;
    links[ids[middle]].Right = right;
    return ids[middle];
}

int TreeDepth(size_t count) {
    int depth = -1;
    for (; count > 0; count /= 2) ++depth;
    return depth;
}

size_t Units(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit;
}

// Chains consecutive sectors [first, first + count) in a table.
void Chain(std::vector<uint32_t>& table, size_t first, size_t count) {
    for (size_t k = 0; k < count; ++k)
        table[first + k] = k + 1 < count ? static_cast<uint32_t>(first + k + 1) : kEndOfChain;
}

}  // namespace

TcDocumentFrame CompoundDocumentFrame(const std::string& streamName, size_t dataSize,
                                      const std::vector<TcNamedStream>& others) {
    // Streams below the mini-stream cutoff would have to live in the mini
    // stream; padding the main one to the cutoff keeps it in whole sectors.
    const size_t streamSize = std::max<size_t>(dataSize, kMiniCutoff);
    const size_t streamSectors = Units(streamSize, kSectorSize);
    const size_t entries = 2 + others.size();
    const size_t dirSectors = Units(entries * kDirectoryEntrySize, kSectorSize);
    // The other streams: small ones in the mini stream, the rest in sectors.
    std::vector<uint32_t> starts(others.size(), kEndOfChain);
    size_t miniSectors = 0, largeSectors = 0;
    for (size_t i = 0; i < others.size(); ++i) {
        const size_t size = others[i].Bytes.size();
        if (size == 0) continue;
        if (size < kMiniCutoff) {
            starts[i] = static_cast<uint32_t>(miniSectors);
            miniSectors += Units(size, kMiniSectorSize);
        } else {
            largeSectors += Units(size, kSectorSize);
        }
    }
    const size_t miniStreamSectors = Units(miniSectors * kMiniSectorSize, kSectorSize);
    const size_t miniFatSectors = Units(miniSectors * 4, kSectorSize);
    const size_t dirSector = streamSectors;
    const size_t miniStreamSector = dirSector + dirSectors;
    const size_t miniFatSector = miniStreamSector + miniStreamSectors;
    const size_t largeSector = miniFatSector + miniFatSectors;
    const size_t usedSectors = largeSector + largeSectors;
    size_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        size_t total = usedSectors + fatSectors + difatSectors;
        size_t needFat = Units(total, kEntriesPerSector);
        size_t needDifat =
            needFat > kHeaderDifatEntries
                ? (needFat - kHeaderDifatEntries + kEntriesPerSector - 2) / (kEntriesPerSector - 1)
                : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const uint32_t firstFat = static_cast<uint32_t>(usedSectors);
    const uint32_t firstDifat = firstFat + static_cast<uint32_t>(fatSectors);
    const size_t totalSectors = usedSectors + fatSectors + difatSectors;

    TcDocumentFrame frame;
    frame.Head.reserve(kSectorSize);
    TcByteWriter out(frame.Head);
    // Header.
    out.Bytes(kSignature, sizeof kSignature);
    out.Zeros(16);
    out.U16(0x003E);
    out.U16(0x0003);
    out.U16(0xFFFE);
    out.U16(9);
    out.U16(6);
    out.Zeros(6);
    out.U32(0);
    out.U32(static_cast<uint32_t>(fatSectors));
    out.U32(static_cast<uint32_t>(dirSector));
    out.U32(0);
    out.U32(kMiniCutoff);
    out.U32(miniFatSectors ? static_cast<uint32_t>(miniFatSector) : kEndOfChain);
    out.U32(static_cast<uint32_t>(miniFatSectors));
    out.U32(difatSectors ? firstDifat : kEndOfChain);
    out.U32(static_cast<uint32_t>(difatSectors));
    for (size_t i = 0; i < kHeaderDifatEntries; ++i)
        out.U32(i < fatSectors ? firstFat + static_cast<uint32_t>(i) : kFreeSector);

    // The stream comes between head and tail; the tail pads it to whole sectors.
    frame.Tail.reserve((totalSectors - streamSectors) * kSectorSize + kSectorSize);
    TcByteWriter tail(frame.Tail);
    tail.Zeros(streamSectors * kSectorSize - dataSize);

    // Directory: the root, the main stream, the others, in one tree below the root.
    std::vector<std::string> names{"Root Entry", streamName};
    for (const TcNamedStream& other : others) names.push_back(other.Name);
    std::vector<uint32_t> children;
    for (uint32_t id = 1; id < entries; ++id) children.push_back(id);
    std::sort(children.begin(), children.end(),
              [&names](uint32_t a, uint32_t b) { return NameBefore(names[a], names[b]); });
    std::vector<TcDirectoryLink> links(entries);
    links[0].Child = BuildTree(children, 0, children.size(), 0, TreeDepth(children.size()), links);
    WriteDirectoryEntry(tail, names[0], 5, links[0],
                        miniSectors ? static_cast<uint32_t>(miniStreamSector) : kEndOfChain,
                        static_cast<uint32_t>(miniSectors * kMiniSectorSize));
    WriteDirectoryEntry(tail, streamName, 2, links[1], 0, static_cast<uint32_t>(streamSize));
    size_t nextLarge = largeSector;
    for (size_t i = 0; i < others.size(); ++i) {
        const size_t size = others[i].Bytes.size();
        uint32_t start = starts[i];
        if (size >= kMiniCutoff) {
            start = static_cast<uint32_t>(nextLarge);
            nextLarge += Units(size, kSectorSize);
        }
        WriteDirectoryEntry(tail, others[i].Name, 2, links[2 + i], start,
                            static_cast<uint32_t>(size));
    }
    for (size_t e = entries; e < dirSectors * kSectorSize / kDirectoryEntrySize; ++e)
        WriteDirectoryEntry(tail, "", 0, {}, 0, 0);

    // The mini stream, its table, and the large streams.
    std::vector<uint32_t> miniFat(miniFatSectors * kEntriesPerSector, kFreeSector);
    for (const TcNamedStream& other : others) {
        const size_t size = other.Bytes.size();
        if (size == 0 || size >= kMiniCutoff) continue;
        tail.Bytes(other.Bytes);
        tail.Zeros(Units(size, kMiniSectorSize) * kMiniSectorSize - size);
    }
    for (size_t i = 0; i < others.size(); ++i) {
        const size_t size = others[i].Bytes.size();
        if (size > 0 && size < kMiniCutoff) Chain(miniFat, starts[i], Units(size, kMiniSectorSize));
    }
    tail.Zeros(miniStreamSectors * kSectorSize - miniSectors * kMiniSectorSize);
    for (uint32_t v : miniFat) tail.U32(v);
    for (const TcNamedStream& other : others) {
        const size_t size = other.Bytes.size();
        if (size < kMiniCutoff) continue;
        tail.Bytes(other.Bytes);
        tail.Zeros(Units(size, kSectorSize) * kSectorSize - size);
    }

    // Sector allocation table.
    std::vector<uint32_t> fat(fatSectors * kEntriesPerSector, kFreeSector);
    Chain(fat, 0, streamSectors);
    Chain(fat, dirSector, dirSectors);
    Chain(fat, miniStreamSector, miniStreamSectors);
    Chain(fat, miniFatSector, miniFatSectors);
    size_t large = largeSector;
    for (const TcNamedStream& other : others) {
        if (other.Bytes.size() < kMiniCutoff) continue;
        const size_t count = Units(other.Bytes.size(), kSectorSize);
        Chain(fat, large, count);
        large += count;
    }
    for (size_t s = firstFat; s < firstDifat; ++s) fat[s] = kFatSector;
    for (size_t s = firstDifat; s < totalSectors; ++s) fat[s] = kDifatSector;
    for (uint32_t v : fat) tail.U32(v);
    // Further FAT sector numbers beyond the header's 109.
    size_t nextFat = kHeaderDifatEntries;
    for (size_t d = 0; d < difatSectors; ++d) {
        for (size_t k = 0; k < kEntriesPerSector - 1; ++k, ++nextFat)
            tail.U32(nextFat < fatSectors ? firstFat + static_cast<uint32_t>(nextFat)
                                          : kFreeSector);
        tail.U32(d + 1 < difatSectors ? firstDifat + static_cast<uint32_t>(d + 1) : kEndOfChain);
    }
    return frame;
}

TBytes BuildCompoundDocument(const std::string& streamName, const TBytes& stream,
                             const std::vector<TcNamedStream>& others) {
    TcDocumentFrame frame = CompoundDocumentFrame(streamName, stream.size(), others);
    TBytes file = std::move(frame.Head);
    file.reserve(file.size() + stream.size() + frame.Tail.size());
    file.insert(file.end(), stream.begin(), stream.end());
    file.insert(file.end(), frame.Tail.begin(), frame.Tail.end());
    return file;
}

TcCompoundDocument::TcCompoundDocument(const TBytes& file) : file_(file) {
    if (file.size() < 512 || std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        throw EWorkbookError("The file is not an Excel 97 workbook (no compound document).");
    const uint8_t* h = file.data();
    uint16_t sectorShift = GetU16(h + 30);
    if (sectorShift != 9 && sectorShift != 12) RaiseBadFile("unsupported sector size");
    if (GetU16(h + 32) != 6) RaiseBadFile("unsupported mini sector size");
    sectorSize_ = size_t(1) << sectorShift;
    if (file.size() < sectorSize_ + 1) RaiseBadFile("the file holds no sectors");
    sectorCount_ =
        static_cast<uint32_t>((file.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_);
    const size_t perSector = sectorSize_ / 4;
    uint32_t fatCount = GetU32(h + 44);
    uint32_t firstDir = GetU32(h + 48);
    miniCutoff_ = GetU32(h + 56);
    uint32_t firstMiniFat = GetU32(h + 60);
    uint32_t miniFatCount = GetU32(h + 64);
    uint32_t firstDifat = GetU32(h + 68);
    uint32_t difatCount = GetU32(h + 72);
    if (fatCount > sectorCount_ || difatCount > sectorCount_ || miniFatCount > sectorCount_)
        RaiseBadFile("sector table counts exceed the file size");

    // The FAT sector numbers: 109 in the header, the rest in DIFAT sectors.
    std::vector<uint32_t> fatSectors;
    for (size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(GetU32(h + 76 + 4 * i));
    std::vector<bool> seen(sectorCount_, false);
    uint32_t difat = firstDifat;
    for (uint32_t d = 0; d < difatCount && fatSectors.size() < fatCount; ++d) {
        if (difat >= sectorCount_ || seen[difat]) RaiseBadFile("damaged sector table chain");
        seen[difat] = true;
        const uint8_t* s = Sector(difat);
        for (size_t k = 0; k + 1 < perSector && fatSectors.size() < fatCount; ++k)
            fatSectors.push_back(GetU32(s + 4 * k));
        difat = GetU32(s + 4 * (perSector - 1));
    }
    if (fatSectors.size() < fatCount) RaiseBadFile("the sector table is incomplete");
    fat_.reserve(fatSectors.size() * perSector);
    for (uint32_t fs : fatSectors) {
        if (fs >= sectorCount_) RaiseBadFile("a sector table sector lies outside the file");
        const uint8_t* s = Sector(fs);
        for (size_t k = 0; k < perSector; ++k) fat_.push_back(GetU32(s + 4 * k));
    }

    TBytes dir = ReadChain(firstDir, fat_, sectorSize_, false, UINT64_MAX);
    for (size_t at = 0; at + kDirectoryEntrySize <= dir.size(); at += kDirectoryEntrySize) {
        const uint8_t* e = dir.data() + at;
        TcEntry entry;
        entry.Type = e[66];
        uint16_t nameBytes = std::min<uint16_t>(GetU16(e + 64), 64);
        std::u16string name;
        for (size_t k = 0; k + 1 < nameBytes; k += 2) {
            char16_t c = static_cast<char16_t>(GetU16(e + k));
            if (c == 0) break;
            name.push_back(c);
        }
        entry.Name = Utf16ToUtf8(name);
        entry.Left = GetU32(e + 68);
        entry.Right = GetU32(e + 72);
        entry.Child = GetU32(e + 76);
        entry.Start = GetU32(e + 116);
        // Version 3 files may leave garbage in the high half of the size.
        entry.Size = sectorShift == 9 ? GetU32(e + 120)
                                      : GetU32(e + 120) | (uint64_t(GetU32(e + 124)) << 32);
        entries_.push_back(std::move(entry));
    }
    if (entries_.empty() || entries_[0].Type != 5)
        RaiseBadFile("the root directory entry is missing");

    if (miniFatCount > 0 && firstMiniFat != kEndOfChain) {
        TBytes table = ReadChain(firstMiniFat, fat_, sectorSize_, false, UINT64_MAX);
        for (size_t k = 0; k + 4 <= table.size(); k += 4) miniFat_.push_back(GetU32(&table[k]));
        miniStream_ = ReadChain(entries_[0].Start, fat_, sectorSize_, false, entries_[0].Size);
    }
}

const uint8_t* TcCompoundDocument::Sector(uint32_t index) const {
    size_t offset = (size_t(index) + 1) * sectorSize_;
    if (offset + sectorSize_ > file_.size())
        RaiseBadFile("a sector lies beyond the end of the file");
    return file_.data() + offset;
}

TBytes TcCompoundDocument::ReadChain(uint32_t start, const std::vector<uint32_t>& table,
                                     size_t unit, bool mini, uint64_t size) const {
    TBytes out;
    size_t limit = mini ? miniStream_.size() / unit : sectorCount_;
    std::vector<bool> seen(std::min(limit, table.size()), false);
    uint32_t s = start;
    while (s != kEndOfChain && out.size() < size) {
        if (s >= seen.size()) RaiseBadFile("a sector chain leaves the file");
        if (seen[s]) RaiseBadFile("a sector chain runs in a cycle");
        seen[s] = true;
        if (mini) {
            const uint8_t* p = miniStream_.data() + size_t(s) * unit;
            out.insert(out.end(), p, p + unit);
        } else {
            const uint8_t* p = Sector(s);
            out.insert(out.end(), p, p + unit);
        }
        s = table[s];
    }
    if (size != UINT64_MAX) {
        if (out.size() < size) RaiseBadFile("a stream is shorter than its directory entry says");
        out.resize(static_cast<size_t>(size));
    }
    return out;
}

int TcCompoundDocument::Find(const std::string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if ((entries_[i].Type == 1 || entries_[i].Type == 2) && SameText(entries_[i].Name, name))
            return static_cast<int>(i);
    return -1;
}

int TcCompoundDocument::FindInRoot(const std::string& name) const {
    for (const int id : RootEntries())
        if (entries_[static_cast<size_t>(id)].Type == 2 &&
            SameText(entries_[static_cast<size_t>(id)].Name, name))
            return id;
    return -1;
}

std::vector<int> TcCompoundDocument::RootEntries() const {
    // The root's entries form a tree, walked in order; each is visited once.
    std::vector<int> found;
    std::vector<bool> seen(entries_.size(), false);
    std::vector<uint32_t> pending;
    uint32_t id = entries_[0].Child;
    for (;;) {
        while (id < entries_.size() && !seen[id]) {
            seen[id] = true;
            pending.push_back(id);
            id = entries_[id].Left;
        }
        if (pending.empty()) break;
        const uint32_t next = pending.back();
        pending.pop_back();
        if (entries_[next].Type != 0 && entries_[next].Type != 5)
            found.push_back(static_cast<int>(next));
        id = entries_[next].Right;
    }
    return found;
}

TBytes TcCompoundDocument::ReadStream(int index) const {
    const TcEntry& entry = entries_.at(index);
    if (entry.Type != 2) RaiseBadFile("'" + entry.Name + "' is not a stream");
    if (entry.Size > uint64_t(sectorCount_) * sectorSize_)
        RaiseBadFile("a stream is larger than the file");
    if (entry.Size < miniCutoff_) return ReadChain(entry.Start, miniFat_, 64, true, entry.Size);
    return ReadChain(entry.Start, fat_, sectorSize_, false, entry.Size);
}

}  // namespace spreadsheet
