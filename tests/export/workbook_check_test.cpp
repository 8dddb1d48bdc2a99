// The check of a finished workbook: the streaming XML check on documents
// broken the ways lost writes break them, and the whole check on small
// archives built here and damaged on purpose, in the layouts zip writers use.
#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/export/export_test_support.h"
#include "export/workbook_check.h"
#include "export/xml_check.h"

namespace corvex::exporting {
namespace {

using testing::ScratchDir;

// ---- XML ---------------------------------------------------------------------

struct XmlCase {
    const char* what;
    std::string document;
    const char* problem;   // empty: well-formed
};

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

const XmlCase kXmlCases[] = {
    {"every kind of markup",
     kDeclaration + "<!-- a - comment --><?pi data?>\n<a:b x='1' y = \"&amp;&#38;&#x26;'\"><c/><d>t &lt; u</d>"
                    "<![CDATA[<no>&markup]]]></a:b >\n<!-- after -->\n",
     ""},
    {"empty", "", "the document is empty"},
    {"no declaration", "<a/>", "does not start with an XML declaration"},
    {"declaration cut", "<?xml version", "ends before its root element"},
    {"cut inside an element", kDeclaration + "<a><b>text", "ends inside <b>"},
    {"cut inside a tag", kDeclaration + "<a><b x=\"1", "ends inside <b>"},
    {"end tag of another element", kDeclaration + "<a><b></a></b>", "an end tag that does not close <b>"},
    {"end tag longer than the open one", kDeclaration + "<a><b></bc></a>", "does not close <b>"},
    {"end tag outside the root", kDeclaration + "</a>", "an end tag outside the root element"},
    {"second root", kDeclaration + "<a/><b/>", "a second root element"},
    {"text after the root", kDeclaration + "<a/>x", "text outside the root element"},
    {"unquoted value", kDeclaration + "<a x=1/>", "an attribute value without quotes"},
    {"attribute without value", kDeclaration + "<a x/>", "an attribute without a value"},
    {"'<' in a value", kDeclaration + "<a x=\"<\"/>", "a '<' in an attribute value"},
    {"values run together", kDeclaration + "<a x=\"1\"y=\"2\"/>", "attributes without a blank between them"},
    {"unknown entity", kDeclaration + "<a>&nbsp;</a>", "an unknown reference '&nbsp;'"},
    {"bare ampersand", kDeclaration + "<a>a & b</a>", "a '&' that starts no reference"},
    {"zero bytes spliced in", kDeclaration + "<a>1" + std::string(3, '\0') + "</a>", "a control character in the text"},
    {"declaration spliced in", kDeclaration + "<a>" + kDeclaration + "</a>", "an XML declaration inside the document"},
    {"document type", kDeclaration + "<!DOCTYPE a><a/>", "a document type declaration"},
    {"double dash in a comment", kDeclaration + "<a><!-- a -- b --></a>", "'--' inside a comment"},
    {"empty-element tag cut", kDeclaration + "<a/ >", "a '/' in a start tag not followed by '>'"},
};

// The check must not depend on where the document is cut into pieces.
TEST(XmlCheck, FindsWhatBreaksADocumentWhereverItsPiecesEnd) {
    for (const XmlCase& c : kXmlCases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, c.document.size() + 1}) {
            SCOPED_TRACE(std::string(c.what) + ", pieces of " + std::to_string(piece));
            XmlCheck check;
            for (std::size_t at = 0; at < c.document.size() && check.feed(std::string_view(c.document).substr(at, piece));
                 at += piece) {
            }
            EXPECT_EQ(check.finish(), *c.problem == '\0');
            EXPECT_NE(check.problem().find(c.problem), std::string::npos) << check.problem();
        }
    }
}

TEST(XmlCheck, HandsOverTheWatchedAttributeOfEachWatchedElement) {
    std::vector<std::string> seen;
    XmlCheck check("row", "r", [&seen](std::optional<std::string_view> r) {
        seen.push_back(r ? std::string(*r) : "none");
        return seen.size() == 4 ? std::string("enough") : std::string();
    });
    const std::string document =
        kDeclaration + "<s><row r=\"1\"><c r=\"A1\"/></row><rows r=\"x\"/><row spans='1:2' r='2'/><row/><row r=\"9\"/></s>";
    for (const char c : document) check.feed(std::string_view(&c, 1));
    EXPECT_FALSE(check.finish());
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "none", "9"}));
    EXPECT_NE(check.problem().find("enough"), std::string::npos) << check.problem();
}

// ---- archives ----------------------------------------------------------------

struct Part {
    std::string name;
    std::string data;
    bool stored = false;
    std::size_t cut = 0;   // compressed bytes lost at its end (the sizes given agree)
};

struct Layout {
    bool zip64 = false;        // ZIP64 fields everywhere, as a writer of large archives gives them
    bool descriptor = false;   // sizes and CRC-32 after the data, as a streaming writer gives them
};

// Appends each value little-endian in its number of bytes.
void put(std::string& out, std::initializer_list<std::pair<std::uint64_t, int>> fields) {
    for (const auto& [value, bytes] : fields) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string deflated(const std::string& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string build_zip(const std::vector<Part>& parts, const Layout& layout) {
    const bool z64 = layout.zip64, dd = layout.descriptor;
    const std::uint64_t none = 0xFFFFFFFF;
    const int flags = dd ? 8 : 0;
    std::string file, directory;
    for (const Part& part : parts) {
        std::string data = part.stored ? part.data : deflated(part.data);
        data.resize(data.size() - part.cut);
        const std::uint64_t crc = crc32(0, reinterpret_cast<const Bytef*>(part.data.data()), static_cast<uInt>(part.data.size()));
        const std::uint64_t size = part.data.size(), offset = file.size();
        const int method = part.stored ? 0 : 8;
        put(file, {{0x04034b50, 4}, {45, 2}, {flags, 2}, {method, 2}, {0, 4}, {dd ? 0 : crc, 4},
                   {z64 ? none : dd ? 0 : data.size(), 4}, {z64 ? none : dd ? 0 : size, 4}, {part.name.size(), 2},
                   {z64 ? 20 : 0, 2}});
        file += part.name;
        if (z64) put(file, {{1, 2}, {16, 2}, {dd ? 0 : size, 8}, {dd ? 0 : data.size(), 8}});
        file += data;
        if (dd) put(file, {{0x08074b50, 4}, {crc, 4}, {data.size(), z64 ? 8 : 4}, {size, z64 ? 8 : 4}});
        put(directory, {{0x02014b50, 4}, {45, 2}, {45, 2}, {flags, 2}, {method, 2}, {0, 4}, {crc, 4},
                        {z64 ? none : data.size(), 4}, {z64 ? none : size, 4}, {part.name.size(), 2},
                        {z64 ? 28 : 0, 2}, {0, 6}, {0, 4}, {z64 ? none : offset, 4}});
        directory += part.name;
        if (z64) put(directory, {{1, 2}, {24, 2}, {size, 8}, {data.size(), 8}, {offset, 8}});
    }
    const std::uint64_t directory_offset = file.size(), count = parts.size();
    file += directory;
    if (z64) {
        const std::uint64_t record = file.size();
        put(file, {{0x06064b50, 4}, {44, 8}, {45, 2}, {45, 2}, {0, 8}, {count, 8}, {count, 8}, {directory.size(), 8},
                   {directory_offset, 8}, {0x07064b50, 4}, {0, 4}, {record, 8}, {1, 4}});
    }
    put(file, {{0x06054b50, 4}, {0, 4}, {z64 ? 0xFFFF : count, 2}, {z64 ? 0xFFFF : count, 2},
               {z64 ? none : directory.size(), 4}, {z64 ? none : directory_offset, 4}, {0, 2}});
    return file;
}

std::string sheet(const std::string& rows) {
    return kDeclaration + "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           rows + "</sheetData></worksheet>";
}

std::string row(int r) {
    const std::string n = std::to_string(r);
    return "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + ".25</v></c><c r=\"B" + n +
           "\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
}

// A small workbook as the exporter describes it: three rows on its sheet.
std::vector<Part> workbook_parts() {
    const std::string empty_root = kDeclaration + "<r/>";
    return {
        {"[Content_Types].xml", kDeclaration + "<Types><Default Extension=\"xml\"/></Types>"},
        {"_rels/.rels", empty_root},
        {"xl/workbook.xml", empty_root},
        {"xl/_rels/workbook.xml.rels", empty_root},
        {"xl/styles.xml", empty_root},
        {"xl/worksheets/sheet1.xml", sheet(row(1) + row(2) + row(3))},
        {"docProps/thumbnail.bin", std::string("\x89PNG\0\x01\x02", 7), true},
    };
}

const WorkbookContents kWritten{{"xl/styles.xml"}, {{"xl/worksheets/sheet1.xml", 3, 3}}};

Part& part(std::vector<Part>& parts, const std::string& name) {
    for (Part& p : parts) {
        if (p.name == name) return p;
    }
    throw std::logic_error("no part " + name);
}

struct Damage {
    const char* what;
    std::function<void(std::vector<Part>&)> parts;
    std::function<void(std::string&)> bytes;
    const char* problem;  // empty: the check passes
};

const Damage kDamages[] = {
    {"nothing damaged", {}, {}, ""},
    {"a part missing", [](auto& p) { std::erase_if(p, [](const Part& x) { return x.name == "_rels/.rels"; }); }, {},
     "it lacks _rels/.rels"},
    {"a part empty", [](auto& p) { part(p, "[Content_Types].xml").data.clear(); }, {}, "[Content_Types].xml is empty"},
    {"a sheet cut short", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data.resize(200); }, {},
     "xl/worksheets/sheet1.xml is not well-formed: the document ends inside <c>"},
    {"a sheet without its start", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = row(2) + row(3); }, {},
     "does not start with an XML declaration"},
    {"a row lost", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = sheet(row(1) + row(3)); }, {},
     "xl/worksheets/sheet1.xml holds 2 rows up to row 3 instead of the 3 up to row 3 written"},
    {"the last row lost", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = sheet(row(1) + row(2)); }, {},
     "holds 2 rows up to row 2 instead of the 3 up to row 3"},
    {"rows out of order", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = sheet(row(1) + row(3) + row(2)); }, {},
     "row 2 after row 3"},
    {"a row without its number", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = sheet("<row/>"); }, {},
     "a row without a number"},
    {"an unbalanced tag",
     [](auto& p) { part(p, "xl/worksheets/sheet1.xml").data = sheet(row(1) + "<row r=\"2\"><c><v>1</v></row>" + row(3)); },
     {}, "an end tag that does not close <c>"},
    {"another part broken", [](auto& p) { part(p, "xl/workbook.xml").data = kDeclaration + "<r>"; }, {},
     "xl/workbook.xml is not well-formed"},
    {"compressed data cut", [](auto& p) { part(p, "xl/worksheets/sheet1.xml").cut = 5; }, {},
     "xl/worksheets/sheet1.xml ends early"},
    {"a byte flipped", {}, [](std::string& b) { b[b.find("\x89PNG") + 2] ^= 0x20; },
     "docProps/thumbnail.bin fails its CRC-32 check"},
    {"a local header that disagrees", {}, [](std::string& b) { b[14] ^= 1; },
     "the local header of [Content_Types].xml does not match the directory"},
    {"the archive's end lost", {}, [](std::string& b) { b.resize(b.size() - 30); }, "it has no end-of-directory record"},
};

// Every zip layout: ZIP64 fields or not, sizes in the local header or after the data.
TEST(WorkbookCheck, PassesAWholeWorkbookAndNamesWhatLostWritesDamaged) {
    ScratchDir dir;
    for (const Damage& d : kDamages) {
        for (const Layout layout : {Layout{}, Layout{true, false}, Layout{false, true}, Layout{true, true}}) {
            SCOPED_TRACE(std::string(d.what) + (layout.zip64 ? ", ZIP64" : "") + (layout.descriptor ? ", after" : ""));
            std::vector<Part> parts = workbook_parts();
            if (d.parts) d.parts(parts);
            std::string bytes = build_zip(parts, layout);
            if (d.bytes) d.bytes(bytes);
            std::ofstream(dir / "book.xlsx", std::ios::binary | std::ios::trunc) << bytes;
            const auto checked = check_workbook(dir / "book.xlsx", kWritten);
            const std::string problem = checked ? std::string() : checked.error();
            EXPECT_EQ(problem.empty(), *d.problem == '\0') << problem;
            EXPECT_NE(problem.find(d.problem), std::string::npos) << problem;
        }
    }
}

}  // namespace
}  // namespace corvex::exporting
