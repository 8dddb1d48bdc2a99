// Shared by the converter's tests: a scratch folder, captured messages, the
// logs converted, and what a Log delivers for a source, read through the
// published interfaces.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "corvex/platform/bstr.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/variant.h"
#include "logmodule/convert/convert_log.h"
#include "logmodule/convert/message_sink.h"
#include "logmodule/objects/log.h"
#include "tests/convert/converted_log_parser.h"
#include "tests/support/log_file.h"

namespace corvex::convert::testing {

namespace fs = std::filesystem;
namespace lw = corvex::logwriter;
using corvex::testing::read_file;
using corvex::testing::write_log;
using platform::Bstr;
using platform::ComPtr;

struct Message {
    std::string text, caption;
    bool operator==(const Message&) const = default;
};

// A scratch folder per test and every converter message captured.
class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_message_sink([this](std::string_view text, std::string_view caption) {
            messages_.push_back({std::string(text), std::string(caption)});
        });
    }
    void TearDown() override { set_message_sink({}); }

    static std::int32_t convert(ConvertLog& converter, const Bstr& src, const Bstr& dst) {
        std::int32_t result = 12345;
        EXPECT_EQ(converter.RZ417ToPC(src.get(), dst.get(), &result), S_OK);
        return result;
    }
    static std::int32_t convert(ConvertLog& converter, const fs::path& src, const fs::path& dst) {
        return convert(converter, Bstr::from_path(src.native()), Bstr::from_path(dst.native()));
    }
    static std::int32_t convert(const fs::path& src, const fs::path& dst) { return convert(*ConvertLog::make(), src, dst); }

    corvex::testing::ScratchDir dir_;
    std::vector<Message> messages_;
};

// `count` records of `channels` values a minute apart, with error words.
inline std::vector<lw::Record> records(int count, int channels) {
    std::vector<lw::Record> out;
    for (int r = 0; r < count; ++r) {
        lw::Record rec;
        rec.time = 45000.25 + r / 1440.0;
        for (int c = 0; c < channels; ++c) {
            rec.values.push_back(r * 10 + c + 1);
            rec.errors.push_back(static_cast<std::int16_t>((r + c) % 3 == 0 ? 0x0102 * (c + 1) : 0));
        }
        rec.record_error = static_cast<std::int16_t>(r % 2 ? -2 : 0);
        out.push_back(rec);
    }
    return out;
}

// A PC log of `channels` labelled items and `record_count` records (readable from two on).
inline lw::LogDescription pc_log(int channels, int record_count) {
    lw::LogDescription desc;
    desc.cyclic_flags = 1;
    desc.error_flags = 0x4000;
    desc.interval = 30;
    desc.start_time = 45000.25;
    desc.end_time = 45001.5;
    for (int c = 0; c < channels; ++c) {
        lw::Channel ch;
        ch.channel = static_cast<std::int16_t>(c + 1);
        ch.unit_type = static_cast<std::int16_t>(577 + c);
        ch.computer = "FIELD-PC";
        ch.label = "Flow line " + std::to_string(c);
        ch.symbol = "m3/h";
        ch.comport = 4;
        ch.node_id = 17;
        ch.width = 7;
        ch.decimal = 2;
        desc.channels.push_back(ch);
    }
    desc.records = records(record_count, channels);
    return desc;
}

// What a Log hands out for a source: header, items, every record's units.
struct SourceItem {
    std::u16string label, symbol;
    std::int16_t channel = 0, unit_type = 0;
};

struct SourceView {
    std::int16_t cyclic_flags = 0, error_flags = 0, interval = 0;
    double start_time = 0, end_time = 0;
    std::vector<SourceItem> items;
    std::vector<std::vector<ParsedEntry>> records;
};

inline std::optional<SourceView> read_through_log(const fs::path& path) {
    ComPtr<ILog> log = objects::Log::make();
    std::int32_t ret = -1;
    if (log->Open(Bstr::from_path(path.native()).get(), &ret) != S_OK || ret != 0) return std::nullopt;
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
        Bstr label, symbol;
        item->get_Label(label.put());
        item->get_Symbol(symbol.put());
        s.label = label.view();
        s.symbol = symbol.view();
        item->get_Channel(&s.channel);
        item->get_UnitType(&s.unit_type);
        view.items.push_back(std::move(s));
    }
    for (ComPtr<ILogRecord> record; log->GetNextRecord(record.put()) == S_OK && record;) {
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
