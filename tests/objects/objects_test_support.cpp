#include "objects_test_support.h"

#include "logmodule/objects/log.h"

namespace corvex::objects::testing {

UnitSeen read_unit(ILogUnit* unit) {
    UnitSeen s;
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(unit->get_Value(&v), S_OK);
    s.vt = v.vt;
    s.value = v.dblVal;
    VariantClear(&v);
    EXPECT_EQ(unit->get_Error(&s.error), S_OK);
    EXPECT_EQ(unit->get_Time(&s.time), S_OK);
    EXPECT_EQ(unit->get_Enum(&s.unit_type), S_OK);
    EXPECT_EQ(unit->get_Input(&s.input), S_OK);
    EXPECT_EQ(unit->get_Channel(&s.channel), S_OK);
    return s;
}

std::vector<UnitSeen> read_record(ILogRecord* record) {
    std::vector<UnitSeen> units;
    std::int32_t count = -1;
    EXPECT_EQ(record->get_Count(&count), S_OK);
    for (std::int32_t k = 0; k < count; ++k) {
        ComPtr<ILogUnit> unit;
        EXPECT_EQ(record->get_Item(k, unit.put()), S_OK);
        if (unit) units.push_back(read_unit(unit.get()));
    }
    return units;
}

std::optional<std::vector<UnitSeen>> next_units(ILog* log) {
    ComPtr<ILogRecord> record;
    EXPECT_EQ(log->GetNextRecord(record.put()), S_OK);
    if (!record) return std::nullopt;
    return read_record(record.get());
}

ItemSeen read_item(ILogItem* item) {
    ItemSeen s;
    platform::Bstr computer, label, symbol;
    EXPECT_EQ(item->get_UnitType(&s.unit_type), S_OK);
    EXPECT_EQ(item->get_Input(&s.input), S_OK);
    EXPECT_EQ(item->get_Channel(&s.channel), S_OK);
    EXPECT_EQ(item->get_Computer(computer.put()), S_OK);
    EXPECT_EQ(item->get_Label(label.put()), S_OK);
    EXPECT_EQ(item->get_Symbol(symbol.put()), S_OK);
    EXPECT_EQ(item->get_Comport(&s.comport), S_OK);
    EXPECT_EQ(item->get_NodeID(&s.node_id), S_OK);
    EXPECT_EQ(item->get_Width(&s.width), S_OK);
    EXPECT_EQ(item->get_Decimal(&s.decimal), S_OK);
    s.computer = computer.view();
    s.label = label.view();
    s.symbol = symbol.view();
    return s;
}

ComPtr<ILog> new_log() {
    ComPtr<ILog> log;
    EXPECT_EQ(Log::create_instance(nullptr, IID_ILog, log.put_void()), S_OK);
    return log;
}

std::int32_t open(ILog* log, const std::filesystem::path& path) {
    const platform::Bstr name = platform::Bstr::from_path(path.native());
    std::int32_t ret = 7;
    EXPECT_EQ(log->Open(name.get(), &ret), S_OK);
    return ret;
}

void ObjectsTest::SetUp() { objects_at_start_ = platform::module::live_objects(); }

void ObjectsTest::TearDown() {
    EXPECT_EQ(platform::module::live_objects(), objects_at_start_) << "objects leaked or released twice";
}

double value_of(int record, int channel) { return (channel % 2 ? -1 : 1) * (record * 100 + channel + 1); }

namespace {
void add_records(lw::LogDescription& desc, int records, int channels) {
    for (int r = 0; r < records; ++r) {
        lw::Record rec;
        rec.time = 40000 + r;
        for (int k = 0; k < channels; ++k) {
            rec.values.push_back(value_of(r, k));
            rec.errors.push_back(static_cast<std::int16_t>(r * 16 + k));
        }
        rec.record_error = static_cast<std::int16_t>(0x100 + r);
        desc.records.push_back(rec);
    }
}
}  // namespace

lw::Channel meter_channel(std::int16_t channel, std::int16_t unit_type, std::int16_t input) {
    lw::Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.input = input;
    return c;
}

lw::LogDescription pc_desc(int records) {
    lw::LogDescription desc;
    desc.format = lw::Format::Pc;
    desc.cyclic_flags = 1;
    desc.error_flags = 0x4000;
    desc.interval = 30;
    desc.start_time = 40000;
    desc.end_time = 40000 + records;
    lw::Channel a{.channel = 1, .unit_type = 577, .computer = "FLOWPC", .label = "Inlet velocity",
                  .symbol = "m/s", .comport = 2, .node_id = 7, .width = 9, .decimal = 3};
    lw::Channel b{.channel = 2, .unit_type = 9999, .computer = "FLOWPC", .label = "Temp \xB0" "C",
                  .symbol = "\xB0" "C", .comport = 2, .node_id = 8, .width = 6, .decimal = 1};
    // A label that fills its 32-byte field has no terminator.
    lw::Channel c{.channel = 3, .unit_type = 12, .computer = "FLOWPC",
                  .label = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", .symbol = "12345678",
                  .comport = 3, .node_id = 9, .width = 12, .decimal = 4};
    desc.channels = {a, b, c};
    add_records(desc, records, 12);
    return desc;
}

lw::LogDescription meter_desc(lw::Format format, std::int32_t header_offset, std::uint8_t type_code, int records) {
    lw::LogDescription desc;
    desc.format = format;
    desc.header_offset = header_offset;
    desc.type_code = type_code;
    desc.cyclic_flags = 0;
    desc.error_flags = 0x1000;  // one error word per channel
    desc.interval = 60;
    desc.start_time = 41000.25;
    desc.end_time = 41001.5;
    desc.channels = {meter_channel(4, 577, 2), meter_channel(5, 9999, 3), meter_channel(6, -1, 0)};
    add_records(desc, records, 3);
    return desc;
}

}  // namespace corvex::objects::testing
