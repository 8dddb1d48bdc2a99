// Shared by the converter's tests: a scratch folder, captured messages, and
// what a Log delivers for a source, read through the published interfaces.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "corvex/platform/bstr.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/variant.h"
#include "logmodule/convert/convert_log.h"
#include "logmodule/convert/message_sink.h"
#include "logmodule/objects/log.h"
#include "tests/convert/converted_log_parser.h"

namespace corvex::convert::testing {

namespace fs = std::filesystem;
using platform::Bstr;
using platform::ComPtr;

inline std::string read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::string> folder_names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct Message {
    std::string text, caption;
    bool operator==(const Message&) const = default;
};

// A scratch folder per test and every converter message captured.
class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvex-convert-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        set_message_sink([this](std::string_view text, std::string_view caption) {
            messages_.push_back({std::string(text), std::string(caption)});
        });
    }
    void TearDown() override {
        set_message_sink({});
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::int32_t convert(ConvertLog& converter, const fs::path& src, const fs::path& dst) {
        std::int32_t result = 12345;
        const Bstr s = Bstr::from_path(src.native()), d = Bstr::from_path(dst.native());
        EXPECT_EQ(converter.RZ417ToPC(s.get(), d.get(), &result), S_OK);
        return result;
    }
    std::int32_t convert(const fs::path& src, const fs::path& dst) {
        auto converter = ConvertLog::make();
        return convert(*converter, src, dst);
    }

    fs::path dir_;
    std::vector<Message> messages_;
};

// What a Log hands out for a source: header, items, every record's units.
struct SourceItem {
    std::u16string computer, label, symbol;
    std::int16_t channel = 0, unit_type = 0, width = 0, decimal = 0;
};

struct SourceView {
    std::int16_t cyclic_flags = 0, error_flags = 0, interval = 0;
    double start_time = 0, end_time = 0;
    std::vector<SourceItem> items;
    std::vector<std::vector<ParsedEntry>> records;
};

inline std::int32_t open_with_log(const fs::path& path) {
    auto log = objects::Log::make();
    std::int32_t ret = 12345;
    const Bstr name = Bstr::from_path(path.native());
    EXPECT_EQ(log->Open(name.get(), &ret), S_OK);
    return ret;
}

inline std::optional<SourceView> read_through_log(const fs::path& path) {
    ComPtr<ILog> log = objects::Log::make();
    std::int32_t ret = -1;
    const Bstr name = Bstr::from_path(path.native());
    if (log->Open(name.get(), &ret) != S_OK || ret != 0) return std::nullopt;
    ComPtr<ILogInfo> info;
    EXPECT_EQ(log->GetLogInfo(info.put()), S_OK);
    SourceView view;
    std::int32_t count = 0;
    info->get_CyclicFlags(&view.cyclic_flags);
    info->get_ErrorFlags(&view.error_flags);
    info->get_Interval(&view.interval);
    info->get_StartTime(&view.start_time);
    info->get_EndTime(&view.end_time);
    info->get_Count(&count);
    for (std::int32_t k = 0; k < count; ++k) {
        ComPtr<ILogItem> item;
        EXPECT_EQ(info->get_Item(k, item.put()), S_OK);
        SourceItem s;
        Bstr computer, label, symbol;
        item->get_Computer(computer.put());
        item->get_Label(label.put());
        item->get_Symbol(symbol.put());
        s.computer = computer.view();
        s.label = label.view();
        s.symbol = symbol.view();
        item->get_Channel(&s.channel);
        item->get_UnitType(&s.unit_type);
        item->get_Width(&s.width);
        item->get_Decimal(&s.decimal);
        view.items.push_back(std::move(s));
    }
    for (;;) {
        ComPtr<ILogRecord> record;
        if (log->GetNextRecord(record.put()) != S_OK || !record) break;
        std::int32_t units = 0;
        record->get_Count(&units);
        std::vector<ParsedEntry> entries;
        for (std::int32_t k = 0; k < units; ++k) {
            ComPtr<ILogUnit> unit;
            record->get_Item(k, unit.put());
            ParsedEntry e;
            platform::Variant v;
            unit->get_Time(&e.time);
            unit->get_Value(v.put());
            unit->get_Error(&e.error);
            EXPECT_EQ(v.type(), VT_R8);
            std::memcpy(&e.value_bits, &v.get()->dblVal, sizeof e.value_bits);
            entries.push_back(e);
        }
        view.records.push_back(std::move(entries));
    }
    return view;
}

}  // namespace corvex::convert::testing
