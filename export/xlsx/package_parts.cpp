#include "export/xlsx/package_parts.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "export/xlsx/cell_text.h"

namespace corvex::xlsx {

namespace {

constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kDateFormat = "m/d/yyyy h:mm:ss";
constexpr double kDefaultColumnWidth = 8.43;

std::string decimal(std::uint64_t value) {
    char text[24];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string number(double value) {
    char text[kNumberRoom];
    return std::string(text, write_number(text, value));
}

std::string attribute(std::string_view text) {
    std::string out;
    append_text(out, text, true);
    return out;
}

std::string two_digits(int value) { return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)}; }

// "2023-11-14T22:13:20Z"
std::string w3c_time(std::int64_t seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (!gmtime_r(&t, &utc) || utc.tm_year + 1900 < 0 || utc.tm_year + 1900 > 9999) return "1970-01-01T00:00:00Z";
    const int year = utc.tm_year + 1900;
    return two_digits(year / 100) + two_digits(year % 100) + "-" + two_digits(utc.tm_mon + 1) + "-" +
           two_digits(utc.tm_mday) + "T" + two_digits(utc.tm_hour) + ":" + two_digits(utc.tm_min) + ":" +
           two_digits(utc.tm_sec) + "Z";
}

}  // namespace

std::string worksheet_part_name(std::size_t index) { return "xl/worksheets/sheet" + decimal(index + 1) + ".xml"; }

std::string content_types_part(std::size_t sheets) {
    const std::string type = "application/vnd.openxmlformats-";
    std::string xml = kXmlDeclaration;
    xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
           "<Default Extension=\"rels\" ContentType=\"" + type + "package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/docProps/app.xml\" ContentType=\"" + type +
           "officedocument.extended-properties+xml\"/>"
           "<Override PartName=\"/docProps/core.xml\" ContentType=\"" + type +
           "package.core-properties+xml\"/>"
           "<Override PartName=\"/xl/styles.xml\" ContentType=\"" + type +
           "officedocument.spreadsheetml.styles+xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" ContentType=\"" + type +
           "officedocument.spreadsheetml.sheet.main+xml\"/>";
    for (std::size_t i = 0; i < sheets; ++i) {
        xml += "<Override PartName=\"/" + worksheet_part_name(i) + "\" ContentType=\"" + type +
               "officedocument.spreadsheetml.worksheet+xml\"/>";
    }
    xml += "</Types>";
    return xml;
}

std::string package_relationships_part() {
    std::string xml = kXmlDeclaration;
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" Target=\"xl/workbook.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
           "core-properties\" Target=\"docProps/core.xml\"/>"
           "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "extended-properties\" Target=\"docProps/app.xml\"/>"
           "</Relationships>";
    return xml;
}

std::string app_properties_part(const std::vector<std::string>& sheet_names) {
    const std::string count = decimal(sheet_names.size());
    std::string xml = kXmlDeclaration;
    xml += "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
           "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
           "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
           "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr>"
           "</vt:variant><vt:variant><vt:i4>" + count + "</vt:i4></vt:variant></vt:vector></HeadingPairs>"
           "<TitlesOfParts><vt:vector size=\"" + count + "\" baseType=\"lpstr\">";
    for (const std::string& name : sheet_names) xml += "<vt:lpstr>" + attribute(name) + "</vt:lpstr>";
    xml += "</vt:vector></TitlesOfParts><Company></Company><LinksUpToDate>false</LinksUpToDate>"
           "<SharedDoc>false</SharedDoc><HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion>"
           "</Properties>";
    return xml;
}

std::string core_properties_part(std::int64_t created) {
    const std::string time = w3c_time(created);
    std::string xml = kXmlDeclaration;
    xml += "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
           "<dc:creator></dc:creator><cp:lastModifiedBy></cp:lastModifiedBy>"
           "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" + time + "</dcterms:created>"
           "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + time + "</dcterms:modified>"
           "</cp:coreProperties>";
    return xml;
}

std::string workbook_part(const std::vector<std::string>& sheet_names, std::size_t active) {
    std::string xml = kXmlDeclaration;
    xml += std::string("<workbook xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" + kRelationshipNamespace + "\">"
           "<fileVersion appName=\"xl\" lastEdited=\"4\" lowestEdited=\"4\" rupBuild=\"4505\"/><workbookPr/>"
           "<bookViews><workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" windowHeight=\"9660\"";
    if (active > 0) xml += " activeTab=\"" + decimal(active) + "\"";
    xml += "/></bookViews><sheets>";
    for (std::size_t i = 0; i < sheet_names.size(); ++i) {
        xml += "<sheet name=\"" + attribute(sheet_names[i]) + "\" sheetId=\"" + decimal(i + 1) + "\" r:id=\"rId" +
               decimal(i + 1) + "\"/>";
    }
    xml += "</sheets><calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
    return xml;
}

std::string workbook_relationships_part(std::size_t sheets) {
    const std::string type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    std::string xml = kXmlDeclaration;
    xml += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 0; i < sheets; ++i) {
        xml += "<Relationship Id=\"rId" + decimal(i + 1) + "\" Type=\"" + type + "worksheet\" Target=\"" +
               worksheet_part_name(i).substr(3) + "\"/>";
    }
    xml += "<Relationship Id=\"rId" + decimal(sheets + 1) + "\" Type=\"" + type + "styles\" Target=\"styles.xml\"/>";
    xml += "</Relationships>";
    return xml;
}

std::string styles_part() {
    std::string xml = kXmlDeclaration;
    xml += std::string("<styleSheet xmlns=\"") + kMainNamespace + "\">"
           "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"" + attribute(kDateFormat) + "\"/></numFmts>"
           "<fonts count=\"2\">"
           "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
           "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
           "</fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"3\">"
           "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
           "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
           "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
           "</cellXfs>"
           "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
           "<dxfs count=\"0\"/><tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
           "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
    return xml;
}

double stored_column_width(double characters) {
    constexpr double kDigit = 7.0;    // pixels of one digit of Calibri 11
    constexpr double kPadding = 5.0;  // pixels of cell padding
    if (characters <= 0) return 0;
    const double pixels = characters < 1 ? std::floor(characters * (kDigit + kPadding) + 0.5)
                                         : std::floor(characters * kDigit + 0.5) + kPadding;
    return std::floor(pixels / kDigit * 256.0) / 256.0;
}

std::string worksheet_head(const WorksheetHead& head) {
    std::string xml = kXmlDeclaration;
    xml += std::string("<worksheet xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" + kRelationshipNamespace + "\">";
    xml += "<dimension ref=\"" + head.dimension + "\"/><sheetViews><sheetView ";
    if (head.selected) xml += "tabSelected=\"1\" ";
    xml += "workbookViewId=\"0\"/></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!head.widths.empty()) {
        xml += "<cols>";
        for (const auto& [column, characters] : head.widths) {
            const std::string index = decimal(column + std::uint64_t{1});
            xml += "<col min=\"" + index + "\" max=\"" + index + "\" width=\"" +
                   number(stored_column_width(characters)) + "\"";
            // The default width is no custom width, as the spreadsheet writes it.
            if (characters != kDefaultColumnWidth) xml += " customWidth=\"1\"";
            xml += "/>";
        }
        xml += "</cols>";
    }
    xml += "<sheetData>";
    return xml;
}

std::string worksheet_tail() {
    return "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
           "footer=\"0.3\"/></worksheet>";
}

}  // namespace corvex::xlsx
