#include "workbook_test_support.h"

#include "workbook/byte_buffer.h"
#include "workbook/compound_document.h"

#include <freexl.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::string HexBytes(const TBytes& bytes) {
    std::string out;
    char buffer[4];
    for (uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X", b);
        if (!out.empty()) out += ' ';
        out += buffer;
    }
    return out;
}

std::string NormalizeHex(std::string_view hex) {
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string out;
    for (size_t i = 0; i < digits.size(); i += 2) {
        if (!out.empty()) out += ' ';
        out += digits.substr(i, 2);
    }
    return out;
}

std::string TextDifference(const std::string& got, const std::string& want) {
    if (got == want) return "";
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
    return "lengths " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at byte " + std::to_string(i);
}

TcBody& TcBody::U8(uint8_t v) {
    Bytes.push_back(v);
    return *this;
}
TcBody& TcBody::U16(uint16_t v) {
    return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8));
}
TcBody& TcBody::U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}
TcBody& TcBody::F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
}
TcBody& TcBody::Raw(const TBytes& bytes) {
    Bytes.insert(Bytes.end(), bytes.begin(), bytes.end());
    return *this;
}
TcBody& TcBody::Str16(std::string_view latin1) {
    U16(static_cast<uint16_t>(latin1.size())).U8(0);
    for (char c : latin1) U8(static_cast<uint8_t>(c));
    return *this;
}
TcBody& TcBody::Str8(std::string_view latin1) {
    U8(static_cast<uint8_t>(latin1.size())).U8(0);
    for (char c : latin1) U8(static_cast<uint8_t>(c));
    return *this;
}

void TcBiffBuilder::Record(uint16_t id, const TcBody& body) {
    Record(id, body.Bytes);
}

void TcBiffBuilder::Record(uint16_t id, const TBytes& body) {
    TcBody header;
    header.U16(id).U16(static_cast<uint16_t>(body.size()));
    Stream.insert(Stream.end(), header.Bytes.begin(), header.Bytes.end());
    Stream.insert(Stream.end(), body.begin(), body.end());
}

void TcBiffBuilder::PatchU32(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) Stream[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

void DirectoryEntry(TcBody& out, const std::string& name, uint8_t type, uint32_t left,
                    uint32_t right, uint32_t child, uint32_t start, uint32_t size) {
    size_t at = out.Bytes.size();
    for (char c : name) out.U16(static_cast<uint8_t>(c));
    while (out.Bytes.size() < at + 64) out.U8(0);
    out.U16(static_cast<uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
    out.U8(type).U8(1).U32(left).U32(right).U32(child);
    for (int i = 0; i < 36; ++i) out.U8(0);
    out.U32(start).U32(size).U32(0);
}

}  // namespace

TBytes BuildMiniStreamDocument(const std::string& name, const TBytes& stream,
                               const std::vector<std::string>& storages) {
    const uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kNone = 0xFFFFFFFF;
    if (stream.size() >= 4096 || storages.size() > 2) throw std::logic_error("too large");
    uint32_t miniSectors = static_cast<uint32_t>((stream.size() + 63) / 64);
    uint32_t container = (miniSectors * 64 + 511) / 512;
    uint32_t miniFat = container, dir = container + 1, fat = container + 2;
    TcBody file;
    const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (uint8_t b : signature) file.U8(b);
    for (int i = 0; i < 16; ++i) file.U8(0);
    file.U16(0x3E).U16(3).U16(0xFFFE).U16(9).U16(6);
    for (int i = 0; i < 6; ++i) file.U8(0);
    file.U32(0).U32(1).U32(dir).U32(0).U32(4096).U32(miniFat).U32(1).U32(kEnd).U32(0);
    file.U32(fat);
    for (int i = 1; i < 109; ++i) file.U32(kFree);
    // Mini stream container.
    file.Raw(stream);
    while (file.Bytes.size() < 512 + size_t(container) * 512) file.U8(0);
    // Mini FAT.
    for (uint32_t i = 0; i < 128; ++i)
        file.U32(i < miniSectors ? (i + 1 < miniSectors ? i + 1 : kEnd) : kFree);
    // Directory: root, the stream, the storages as its siblings.
    TcBody entries;
    DirectoryEntry(entries, "Root Entry", 5, kNone, kNone, 1, 0, miniSectors * 64);
    DirectoryEntry(entries, name, 2, kNone, storages.empty() ? kNone : 2, kNone, 0,
                   static_cast<uint32_t>(stream.size()));
    for (size_t i = 0; i < 2; ++i) {
        if (i < storages.size())
            DirectoryEntry(entries, storages[i], 1, kNone, i + 1 < storages.size() ? 3 : kNone,
                           kNone, 0, 0);
        else
            DirectoryEntry(entries, "", 0, kNone, kNone, kNone, 0, 0);
    }
    file.Raw(entries.Bytes);
    // FAT.
    for (uint32_t i = 0; i < 128; ++i) {
        uint32_t v = kFree;
        if (i < container) v = i + 1 < container ? i + 1 : kEnd;
        if (i == miniFat || i == dir) v = kEnd;
        if (i == fat) v = 0xFFFFFFFD;
        file.U32(v);
    }
    return file.Bytes;
}

TBytes BuildForeignStream(const std::vector<TBytes>& sheetRecords,
                          const std::vector<std::string>& sst,
                          const std::vector<TBytes>& extraGlobals) {
    TcBiffBuilder b;
    auto bof = [&](uint16_t type) {
        b.Record(0x0809, TcBody().U16(0x0600).U16(type).U16(0).U16(0).U32(0).U32(0));
    };
    bof(0x0005);
    for (int i = 0; i < 5; ++i)  // font 4 is never referenced
        b.Record(0x0031, TcBody()
                             .U16(i == 1 ? 240 : 200)
                             .U16(i == 1 ? 0x0002 : 0)
                             .U16(0x7FFF)
                             .U16(i == 1 ? 700 : 400)
                             .U16(0)
                             .U32(0)
                             .Str8(i == 1 ? "Times" : "Arial"));
    b.Record(0x041E, TcBody().U16(164).Str16("dd/mm/yyyy"));
    for (int i = 0; i < 15; ++i)
        b.Record(0x00E0,
                 TcBody().U16(0).U16(0).U16(0xFFF5).U8(0x20).U8(0).U8(0).U8(0).U32(0).U32(0).U16(
                     0x20C0));
    // XF 15: default; XF 16: bold font 1, date format, top aligned; XF 17: font 5 (record 4).
    b.Record(
        0x00E0,
        TcBody().U16(0).U16(0).U16(0x0001).U8(0x20).U8(0).U8(0).U8(0).U32(0).U32(0).U16(0x20C0));
    b.Record(0x00E0,
             TcBody().U16(1).U16(164).U16(0x0001).U8(0x00).U8(0).U8(0).U8(0xF8).U32(0).U32(0).U16(
                 0x20C0));
    b.Record(
        0x00E0,
        TcBody().U16(5).U16(4).U16(0x0001).U8(0x12).U8(0).U8(0).U8(0xF8).U32(0).U32(0).U16(0x20C0));
    for (const TBytes& extra : extraGlobals)
        b.Stream.insert(b.Stream.end(), extra.begin(), extra.end());
    std::vector<size_t> offsets;
    for (size_t i = 0; i < sheetRecords.size(); ++i) {
        offsets.push_back(b.Position() + 4);
        b.Record(0x0085, TcBody().U32(0).U8(0).U8(0).Str8("Data" + std::to_string(i + 1)));
    }
    TcBody strings;
    strings.U32(static_cast<uint32_t>(sst.size())).U32(static_cast<uint32_t>(sst.size()));
    for (const auto& s : sst) strings.Str16(s);
    b.Record(0x00FC, strings);
    b.Record(0x000A, TBytes{});
    for (size_t i = 0; i < sheetRecords.size(); ++i) {
        b.PatchU32(offsets[i], static_cast<uint32_t>(b.Position()));
        bof(0x0010);
        b.Stream.insert(b.Stream.end(), sheetRecords[i].begin(), sheetRecords[i].end());
        b.Record(0x000A, TBytes{});
    }
    return b.Stream;
}

TcFreeXL::TcFreeXL(const std::string& path) {
    int rc = freexl_open(path.c_str(), &handle_);
    if (rc != FREEXL_OK)
        throw std::runtime_error("FreeXL cannot open the file: " + std::to_string(rc));
}

TcFreeXL::~TcFreeXL() {
    if (handle_) freexl_close(handle_);
}

unsigned TcFreeXL::SheetCount() {
    unsigned count = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK)
        throw std::runtime_error("FreeXL: no sheet count");
    return count;
}

std::string TcFreeXL::SheetName(unsigned index) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(index), &name) != FREEXL_OK)
        throw std::runtime_error("FreeXL: no sheet name");
    return name ? name : "";
}

void TcFreeXL::Select(unsigned index) {
    if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)) != FREEXL_OK)
        throw std::runtime_error("FreeXL: cannot select the sheet");
}

std::pair<unsigned, unsigned> TcFreeXL::Dimensions() {
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK)
        throw std::runtime_error("FreeXL: no dimensions");
    return {rows, columns};
}

TcFreeXLCell TcFreeXL::Cell(unsigned row, unsigned column) {
    FreeXL_CellValue value;
    int rc = freexl_get_cell_value(handle_, row, static_cast<unsigned short>(column), &value);
    if (rc != FREEXL_OK)
        throw std::runtime_error("FreeXL: cannot read the cell: " + std::to_string(rc));
    TcFreeXLCell cell;
    cell.Type = value.type;
    switch (value.type) {
        case FREEXL_CELL_INT:
            cell.Number = value.value.int_value;
            break;
        case FREEXL_CELL_DOUBLE:
            cell.Number = value.value.double_value;
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            cell.Text = value.value.text_value ? value.value.text_value : "";
            break;
        default:
            break;
    }
    return cell;
}

namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

}  // namespace

std::vector<std::string> TcXlrdDump::With(std::string_view prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : Lines)
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

std::vector<std::string> TcXlrdDump::Cell(std::string_view address) const {
    std::string prefix = "cell\t" + std::string(address) + "\t";
    std::vector<std::string> lines = With(prefix);
    if (lines.size() != 1) return {};
    std::vector<std::string> fields = SplitFields(lines[0]);
    fields.erase(fields.begin(), fields.begin() + 2);
    return fields;
}

namespace {

// Runs one of the dump scripts on the file with the system's Python.
TcXlrdDump RunDumpScript(const std::string& script, const std::string& path) {
    // The path goes to the shell in single quotes; test paths hold none.
    if (path.find('\'') != std::string::npos) throw std::logic_error("quote in path");
    std::string command = "/usr/bin/python3 '" + script + "' '" + path + "' 2>&1";
    TcXlrdDump dump;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    dump.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        dump.Lines.push_back(output.substr(start, end - start));
        start = end + 1;
    }
    return dump;
}

}  // namespace

TcXlrdDump ReadWithXlrd(const std::string& path) {
    return RunDumpScript(TESSEL_XLRD_DUMP, path);
}

TcXlrdDump ReadWithOpenpyxl(const std::string& path) {
    return RunDumpScript(TESSEL_OPENPYXL_DUMP, path);
}

TcXlrdDump ReadPropertiesWithOlefile(const std::string& path) {
    return RunDumpScript(TESSEL_PROPERTIES_DUMP, path);
}

std::vector<TcRecordBody> StreamRecords(const TBytes& file) {
    spreadsheet::TcCompoundDocument document(file);
    int index = document.Find("Workbook");
    if (index < 0) throw std::runtime_error("no Workbook stream");
    TBytes stream = document.ReadStream(index);
    std::vector<TcRecordBody> records;
    size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        uint16_t id = spreadsheet::GetU16(&stream[pos]);
        uint16_t size = spreadsheet::GetU16(&stream[pos + 2]);
        if (pos + 4 + size > stream.size()) break;
        records.push_back(
            {id, TBytes(stream.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                        stream.begin() + static_cast<std::ptrdiff_t>(pos + 4 + size))});
        pos += 4 + size;
    }
    return records;
}

std::vector<std::vector<TcRecordBody>> Substreams(const std::vector<TcRecordBody>& records) {
    std::vector<std::vector<TcRecordBody>> parts;
    for (const TcRecordBody& record : records) {
        if (record.Id == 0x0809 || parts.empty()) parts.emplace_back();
        parts.back().push_back(record);
    }
    return parts;
}

std::vector<std::string> RecordsOf(const std::vector<TcRecordBody>& substream,
                                   const std::vector<uint16_t>& ids) {
    std::vector<std::string> lines;
    char id[8];
    for (const TcRecordBody& record : substream)
        for (uint16_t wanted : ids)
            if (record.Id == wanted) {
                std::snprintf(id, sizeof id, "%04X", record.Id);
                lines.push_back(std::string(id) + ": " + HexBytes(record.Body));
            }
    return lines;
}

TBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string FixturePath(const std::string& name) {
    return std::string(TESSEL_FIXTURES) + "/" + name;
}

bool LibreOfficeInstalled() {
    return std::system("command -v soffice >/dev/null 2>&1") == 0;
}

std::string ConvertWithLibreOffice(const std::string& source, const std::string& folder,
                                   const std::string& extension) {
    if (source.find('\'') != std::string::npos || folder.find('\'') != std::string::npos)
        throw std::logic_error("quote in path");
    // A profile of its own, so that parallel runs and the user's own
    // LibreOffice do not meet.
    std::string command = "soffice -env:UserInstallation=file://'" + folder +
                          "/profile' --headless --convert-to " + extension + " --outdir '" +
                          folder + "' '" + source + "' >'" + folder + "/soffice.log' 2>&1";
    int status = std::system(command.c_str());
    std::string name = source.substr(source.find_last_of('/') + 1);
    std::string target = folder + "/" + name.substr(0, name.find_last_of('.')) + "." + extension;
    std::ifstream made(target);
    if (status != 0 || !made) throw std::runtime_error("soffice did not convert " + source);
    return target;
}

const std::vector<uint16_t> kSheetRecordsKept = {
    0x0014, 0x0015, 0x0083, 0x0084, 0x0026, 0x0027, 0x0028, 0x0029, 0x00A1, 0x001B, 0x001A,
    0x0012, 0x00DD, 0x0063, 0x0013, 0x0080, 0x0055, 0x00A0, 0x0041, 0x0862, 0x0867, 0x0225};

TcFileSizeLimit::TcFileSizeLimit(uint64_t bytes) {
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    soft_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        throw std::runtime_error(std::string("setrlimit: ") + std::strerror(errno));
}

TcFileSizeLimit::~TcFileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = soft_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler_);
}
