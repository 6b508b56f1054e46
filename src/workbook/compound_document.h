#pragma once
// The OLE compound document (structured storage) container that holds an
// Excel 97 workbook's "Workbook" stream. The writer makes a version 3 file
// (512-byte sectors) with the workbook stream first, the other streams
// (those under 4,096 bytes in the mini stream) after it; the reader takes any valid file,
// version 3 or 4, and refuses damaged ones with EWorkbookError: every sector
// number is range-checked and every chain is walked at most once, so cyclic
// or oversized chains end in an error, never in a loop.

#include <string>
#include <vector>

#include "workbook/byte_buffer.h"

namespace spreadsheet {

// A stream of a document besides the main one (document properties).
struct TcNamedStream {
    std::string Name;
    TBytes Bytes;
};

// The compound document holding one stream of the given name, and the
// other streams beside it.
TBytes BuildCompoundDocument(const std::string& streamName, const TBytes& stream,
                             const std::vector<TcNamedStream>& others = {});
// The same document in the parts around the stream's bytes, so that a large
// stream is written to a file without being copied: Head, the stream, Tail.
struct TcDocumentFrame {
    TBytes Head;
    TBytes Tail;
};
TcDocumentFrame CompoundDocumentFrame(const std::string& streamName, size_t streamSize,
                                      const std::vector<TcNamedStream>& others = {});

class TcCompoundDocument {
  public:
    // Parses the header, the sector tables and the directory.
    explicit TcCompoundDocument(const TBytes& file);

    struct TcEntry {
        std::string Name;  // UTF-8
        uint8_t Type = 0;  // 1 storage, 2 stream, 5 root
        uint32_t Start = 0;
        uint64_t Size = 0;
        uint32_t Left = 0xFFFFFFFF, Right = 0xFFFFFFFF, Child = 0xFFFFFFFF;
    };
    const std::vector<TcEntry>& Entries() const { return entries_; }
    // Index of the first stream or storage with the name (case-insensitive), or -1.
    int Find(const std::string& name) const;
    // Index of the stream with the name (case-insensitive) among the root
    // storage's own entries, or -1.
    int FindInRoot(const std::string& name) const;
    // The indexes of the root storage's own entries (streams and storages),
    // in the order of their names; each once, however damaged the tree.
    std::vector<int> RootEntries() const;
    // The whole content of stream entry `index`.
    TBytes ReadStream(int index) const;

  private:
    TBytes ReadChain(uint32_t start, const std::vector<uint32_t>& table, size_t unit, bool mini,
                     uint64_t size) const;
    const uint8_t* Sector(uint32_t index) const;

    const TBytes& file_;
    size_t sectorSize_ = 512;
    uint32_t sectorCount_ = 0;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    TBytes miniStream_;
    std::vector<TcEntry> entries_;
};

}  // namespace spreadsheet
