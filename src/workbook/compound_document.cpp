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

void WriteDirectoryEntry(TcByteWriter& out, const std::string& name, uint8_t type, uint32_t child,
                         uint32_t start, uint32_t size) {
    std::u16string wide = Utf8ToUtf16(name).substr(0, 31);
    for (char16_t c : wide) out.U16(c);
    out.Zeros(64 - wide.size() * 2);
    out.U16(static_cast<uint16_t>(wide.empty() ? 0 : (wide.size() + 1) * 2));
    out.U8(type);
    out.U8(1);  // black: a tree of one node per level needs no balancing
    out.U32(kNoStream);
    out.U32(kNoStream);
    out.U32(child);
    out.Zeros(16 + 4 + 8 + 8);  // class id, state bits, times
    out.U32(start);
    out.U32(size);
    out.U32(0);
}

}  // namespace

TcDocumentFrame CompoundDocumentFrame(const std::string& streamName, size_t dataSize) {
    // Streams below the mini-stream cutoff would have to live in the mini
    // stream; padding to the cutoff keeps one simple layout for every size.
    size_t streamSize = std::max<size_t>(dataSize, 4096);
    size_t streamSectors = (streamSize + kSectorSize - 1) / kSectorSize;
    size_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        size_t total = streamSectors + 1 + fatSectors + difatSectors;
        size_t needFat = (total + kEntriesPerSector - 1) / kEntriesPerSector;
        size_t needDifat =
            needFat > kHeaderDifatEntries
                ? (needFat - kHeaderDifatEntries + kEntriesPerSector - 2) / (kEntriesPerSector - 1)
                : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const uint32_t dirSector = static_cast<uint32_t>(streamSectors);
    const uint32_t firstFat = dirSector + 1;
    const uint32_t firstDifat = firstFat + static_cast<uint32_t>(fatSectors);
    const size_t totalSectors = streamSectors + 1 + fatSectors + difatSectors;

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
    out.U32(dirSector);
    out.U32(0);
    out.U32(4096);
    out.U32(kEndOfChain);
    out.U32(0);
    out.U32(difatSectors ? firstDifat : kEndOfChain);
    out.U32(static_cast<uint32_t>(difatSectors));
    for (size_t i = 0; i < kHeaderDifatEntries; ++i)
        out.U32(i < fatSectors ? firstFat + static_cast<uint32_t>(i) : kFreeSector);

    // The stream comes between head and tail; the tail pads it to whole sectors.
    frame.Tail.reserve((totalSectors - streamSectors) * kSectorSize + kSectorSize);
    TcByteWriter tail(frame.Tail);
    tail.Zeros(streamSectors * kSectorSize - dataSize);

    // Directory: the root and the stream.
    WriteDirectoryEntry(tail, "Root Entry", 5, 1, kEndOfChain, 0);
    WriteDirectoryEntry(tail, streamName, 2, kNoStream, 0, static_cast<uint32_t>(streamSize));
    for (int i = 0; i < 2; ++i) WriteDirectoryEntry(tail, "", 0, kNoStream, 0, 0);

    // Sector allocation table.
    for (size_t s = 0; s < fatSectors * kEntriesPerSector; ++s) {
        uint32_t v = kFreeSector;
        if (s < streamSectors)
            v = s + 1 < streamSectors ? static_cast<uint32_t>(s + 1) : kEndOfChain;
        else if (s == dirSector)
            v = kEndOfChain;
        else if (s >= firstFat && s < firstDifat)
            v = kFatSector;
        else if (s >= firstDifat && s < totalSectors)
            v = kDifatSector;
        tail.U32(v);
    }
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

TBytes BuildCompoundDocument(const std::string& streamName, const TBytes& stream) {
    TcDocumentFrame frame = CompoundDocumentFrame(streamName, stream.size());
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

TBytes TcCompoundDocument::ReadStream(int index) const {
    const TcEntry& entry = entries_.at(index);
    if (entry.Type != 2) RaiseBadFile("'" + entry.Name + "' is not a stream");
    if (entry.Size > uint64_t(sectorCount_) * sectorSize_)
        RaiseBadFile("a stream is larger than the file");
    if (entry.Size < miniCutoff_) return ReadChain(entry.Start, miniFat_, 64, true, entry.Size);
    return ReadChain(entry.Start, fat_, sectorSize_, false, entry.Size);
}

}  // namespace spreadsheet
