#include "export/workbook_check.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "export/xml_check.h"
#include "export/zip_reader.h"

namespace corvex::exporting {

namespace {

constexpr const char* kPackageParts[] = {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                                         "xl/_rels/workbook.xml.rels"};

bool is_xml(std::string_view name) { return name.ends_with(".xml") || name.ends_with(".rels"); }

// The row numbers of a sheet as its XML check meets them.
class RowNumbers {
public:
    std::string take(std::optional<std::string_view> r) {
        if (!r) return "a row without a number";
        std::int64_t number = 0;
        if (r->empty() || r->size() > 9 || !std::all_of(r->begin(), r->end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return "a row numbered '" + std::string(*r) + "'";
        }
        for (const char c : *r) number = number * 10 + (c - '0');
        if (number <= last_) return "row " + std::to_string(number) + " after row " + std::to_string(last_);
        last_ = number;
        ++count_;
        return {};
    }
    std::int64_t count() const { return count_; }
    std::int64_t last() const { return last_; }

private:
    std::int64_t count_ = 0;
    std::int64_t last_ = 0;
};

}  // namespace

Expected<void, std::string> check_workbook(const std::filesystem::path& archive, const WorkbookContents& expected) {
    using Problem = Unexpected<std::string>;
    auto opened = ZipReader::open(archive);
    if (!opened) return Problem("the archive: " + opened.error());
    const ZipReader& zip = *opened;
    const auto& members = zip.members();

    std::vector<std::string_view> required(std::begin(kPackageParts), std::end(kPackageParts));
    for (const std::string& part : expected.parts) required.push_back(part);
    for (const SheetRows& sheet : expected.sheets) required.push_back(sheet.part);
    for (const std::string_view part : required) {
        const auto m = std::find_if(members.begin(), members.end(), [&](const ZipMember& z) { return z.name == part; });
        if (m == members.end()) return Problem("it lacks " + std::string(part));
        if (m->size == 0) return Problem(std::string(part) + " is empty");
    }

    for (const ZipMember& member : members) {
        if (!is_xml(member.name)) {
            if (auto read = zip.read(member, [](std::string_view) { return true; }); !read) return Problem(read.error());
            continue;
        }
        const auto sheet = std::find_if(expected.sheets.begin(), expected.sheets.end(),
                                        [&](const SheetRows& s) { return s.part == member.name; });
        const bool is_sheet = sheet != expected.sheets.end();
        RowNumbers rows;
        XmlCheck xml = is_sheet ? XmlCheck("row", "r", [&rows](std::optional<std::string_view> r) { return rows.take(r); })
                                : XmlCheck();
        if (auto read = zip.read(member, [&xml](std::string_view piece) { return xml.feed(piece); }); !read) {
            return Problem(read.error());
        }
        if (!xml.finish()) return Problem(member.name + " is not well-formed: " + xml.problem());
        if (is_sheet && (rows.count() != sheet->rows || rows.last() != sheet->last_row)) {
            return Problem(member.name + " holds " + std::to_string(rows.count()) + " rows up to row " +
                           std::to_string(rows.last()) + " instead of the " + std::to_string(sheet->rows) +
                           " up to row " + std::to_string(sheet->last_row) + " written");
        }
    }
    return {};
}

}  // namespace corvex::exporting
