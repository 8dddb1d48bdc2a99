// The log session: opening and re-opening, the shared read position, the routes
// to the records and the record enumerator's statuses.
#include <climits>
#include <string>

#include "corvex/platform/text.h"
#include "objects_test_support.h"
#include "tests/support/invalid_names.h"

namespace corvex::objects::testing {
namespace {

// Time of the next record from GetNextRecord, or -1 for none.
double next_time(ILog* log) {
    ComPtr<ILogRecord> record;
    EXPECT_EQ(log->GetNextRecord(record.put()), S_OK);
    if (!record) return -1;
    ComPtr<ILogUnit> unit;
    EXPECT_EQ(record->get_Item(0, unit.put()), S_OK);
    return unit ? read_unit(unit.get()).time : -2;
}

std::int32_t count_of(ILog* log) {
    std::int32_t count = -1;
    EXPECT_EQ(log->get_Count(&count), S_OK);
    return count;
}

void expect_no_log_open(ILog* log) {
    EXPECT_EQ(count_of(log), 0);
    std::int32_t ret = 7;
    EXPECT_EQ(log->Seek(1, 0, &ret), S_OK);
    EXPECT_EQ(ret, 0);
    ComPtr<ILogRecord> record;
    EXPECT_EQ(log->get_Item(0, record.put()), S_OK);
    EXPECT_FALSE(record);
    EXPECT_EQ(log->GetNextRecord(record.put()), S_OK);
    EXPECT_FALSE(record);
    ComPtr<ILogInfo> info;
    EXPECT_EQ(log->GetLogInfo(info.put()), E_FAIL);
    EXPECT_FALSE(info);
    auto enumerator = enumerator_of(log);
    ASSERT_TRUE(enumerator);
    VARIANT v[2];
    ULONG fetched = 9;
    EXPECT_EQ(enumerator->Next(2, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(v[0].vt, VT_EMPTY);
    EXPECT_EQ(enumerator->Reset(), S_OK);
}

// What the log's format extension answers: the format's name, key and header
// offset (S_OK), or S_FALSE with nothing; and the reason of the last failed Open.
struct FormatAnswer {
    HRESULT status;
    std::string name, key;
    std::int32_t offset;
};
FormatAnswer format_of(ILog* log) {
    auto format = ComPtr<ILog>(log).query<ILogFormat>();
    EXPECT_TRUE(format);
    platform::Bstr name, key;
    std::int32_t offset = -1;
    const HRESULT hr = format->GetFormat(name.put(), key.put(), &offset);
    return {hr, name.utf8(), key.utf8(), offset};
}
std::string rejection_of(ILog* log) {
    platform::Bstr reason;
    const HRESULT hr = ComPtr<ILog>(log).query<ILogFormat>()->GetRejectionReason(reason.put());
    return hr == S_OK ? reason.utf8() : "S_FALSE";
}

TEST_F(ObjectsTest, OpenFailuresCloseThePreviousLogAndReportMinusOne) {
    const auto good = write("good.log", pc_desc(5));
    auto converted_desc = pc_desc(5);
    converted_desc.format = lw::Format::Converted;
    const struct {
        std::filesystem::path path;
        const char* reason;
    } unreadable[] = {
        {dir_ / "missing.log", "cannot open: No such file or directory"},
        {write_bytes("text.log", std::string(2000, 'x')), "not a readable log: PC log (first bytes 78 78)"},
        {write_bytes("short.log", "\xA5\x03short"), "not a readable log: compact meter log (first bytes A5 03)"},
        {write("converted.log", converted_desc), "the converted log's"},
        {dir_.path(), "is a directory"},
    };
    auto log = new_log();
    expect_no_log_open(log.get());
    EXPECT_EQ(format_of(log.get()).status, S_FALSE);
    EXPECT_EQ(rejection_of(log.get()), "S_FALSE");
    for (const auto& c : unreadable) {
        ASSERT_EQ(open(log.get(), good), 0);
        EXPECT_EQ(count_of(log.get()), 4);
        const FormatAnswer opened = format_of(log.get());
        EXPECT_EQ(opened.status, S_OK);
        EXPECT_EQ(opened.name + "/" + opened.key, "PC log/pc");
        EXPECT_EQ(rejection_of(log.get()), "S_FALSE");
        EXPECT_EQ(open(log.get(), c.path), -1) << c.path;
        expect_no_log_open(log.get());
        EXPECT_EQ(format_of(log.get()).status, S_FALSE);
        EXPECT_NE(rejection_of(log.get()).find(c.reason), std::string::npos) << rejection_of(log.get());
    }
    const platform::Bstr empty(u"");
    std::int32_t ret = 7;
    EXPECT_EQ(log->Open(empty.get(), &ret), S_OK);
    EXPECT_EQ(ret, -1);
}

TEST_F(ObjectsTest, NamesThatAreNotUtf8AndLongPathsOpenExactly) {
    auto log = new_log();
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        EXPECT_EQ(open(log.get(), write(name.bytes + ".log", pc_desc(5))), 0);
        EXPECT_EQ(count_of(log.get()), 4);
    }
    std::filesystem::path folder = dir_ / "m\xC3\xA9tres-\xE6\xB5\x81\xE9\x87\x8F";
    while (folder.string().size() < 400) folder /= std::string(60, 'd');
    std::filesystem::create_directories(folder);
    lw::write_log(folder / "flow.log", pc_desc(3));
    EXPECT_EQ(open(log.get(), folder / "flow.log"), 0);
    EXPECT_EQ(next_time(log.get()), 40000);
    // A lone surrogate that stands for no byte names no file, not even the
    // ones a lossy conversion would make of it.
    write("a?.log", pc_desc(5));
    write("a\xEF\xBF\xBD.log", pc_desc(5));
    const platform::Bstr lone(text::path_to_utf16(dir_.path().native() + "/") + std::u16string{u'a', char16_t(0xD800)} +
                              u".log");
    std::int32_t ret = 7;
    EXPECT_EQ(log->Open(lone.get(), &ret), S_OK);
    EXPECT_EQ(ret, -1);
}

TEST_F(ObjectsTest, NullNameOrNullResultLeavesTheOpenLogOpen) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("good.log", pc_desc(5))), 0);
    EXPECT_EQ(next_time(log.get()), 40000);
    std::int32_t ret = 7;
    EXPECT_EQ(log->Open(nullptr, &ret), S_FALSE);
    EXPECT_EQ(ret, -1);
    const platform::Bstr other = platform::Bstr::from_utf8((dir_ / "missing.log").string());
    EXPECT_EQ(log->Open(other.get(), nullptr), E_POINTER);
    // Still open, and still at the same read position.
    EXPECT_EQ(count_of(log.get()), 4);
    EXPECT_EQ(next_time(log.get()), 40001);
}

// Records read by GetNextRecord, Item, and the enumerator one at a time and in
// batches are the same records; only the enumerator's carry Input 0.
TEST_F(ObjectsTest, EveryRouteToTheRecordsAgrees) {
    for (const auto& desc : {pc_desc(6), meter_desc(lw::Format::Meter, 40, 4, 6)}) {
        const auto path = write("routes.log", desc);
        auto log = new_log();
        ASSERT_EQ(open(log.get(), path), 0);
        std::vector<std::vector<UnitSeen>> by_next, by_item, by_enum, by_batch;
        for (ComPtr<ILogRecord> r; log->GetNextRecord(r.put()) == S_OK && r;) by_next.push_back(read_record(r.get()));
        for (std::int32_t i = 0; i < 6; ++i) {
            ComPtr<ILogRecord> r;
            EXPECT_EQ(log->get_Item(i, r.put()), S_OK);
            if (r) by_item.push_back(read_record(r.get()));
        }
        auto enumerator = enumerator_of(log.get());
        VARIANT v;
        while (enumerator->Next(1, &v, nullptr) == S_OK) by_enum.push_back(read_record(take_element<ILogRecord>(v).get()));
        EXPECT_EQ(enumerator->Reset(), S_OK);
        VARIANT batch[4];
        ULONG fetched = 0;
        for (HRESULT hr = S_OK; hr == S_OK;) {
            hr = enumerator->Next(4, batch, &fetched);
            for (ULONG i = 0; i < fetched; ++i) by_batch.push_back(read_record(take_element<ILogRecord>(batch[i]).get()));
        }
        ASSERT_EQ(by_next.size(), 6u);
        EXPECT_EQ(by_item, by_next);
        for (auto& record : by_next)
            for (auto& unit : record) unit.input = 0;
        EXPECT_EQ(by_enum, by_next);
        EXPECT_EQ(by_batch, by_next);
        if (desc.format == lw::Format::Meter) {
            EXPECT_EQ(by_item[0][0].input, 2) << "Item keeps the channel's input";
        }
    }
}

TEST_F(ObjectsTest, AllRoutesShareOneReadPosition) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("meter.log", meter_desc(lw::Format::Meter, 0, 5, 6))), 0);
    ComPtr<ILogRecord> record;
    ASSERT_EQ(log->get_Item(2, record.put()), S_OK);
    EXPECT_EQ(read_record(record.get())[0].time, 40002);
    EXPECT_EQ(next_time(log.get()), 40003);

    auto enumerator = enumerator_of(log.get());  // rewinds
    EXPECT_EQ(next_time(log.get()), 40000);
    VARIANT v;
    ASSERT_EQ(enumerator->Next(1, &v, nullptr), S_OK);
    EXPECT_EQ(read_record(take_element<ILogRecord>(v).get())[0].time, 40001);

    std::int32_t ret = 0;
    EXPECT_EQ(log->Seek(4, 0, &ret), S_OK);
    EXPECT_EQ(ret, 4);  // a meter log answers the number of records asked for
    EXPECT_EQ(next_time(log.get()), 40004);
    EXPECT_EQ(log->Seek(-2, 1, &ret), S_OK);
    EXPECT_EQ(next_time(log.get()), 40003);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(next_time(log.get()), 40000);

    // Item past the end moves the position there: nothing is read.
    ASSERT_EQ(log->get_Item(50, record.put()), S_OK);
    EXPECT_FALSE(record);
}

TEST_F(ObjectsTest, ItemWithANegativeIndexGivesNoRecordInsteadOfAnotherOne) {
    // A negative index used to read the header as a record (meter log) or,
    // where the seek could not be made, whatever record the position stood at.
    const lw::LogDescription descriptions[] = {pc_desc(6), meter_desc(lw::Format::Meter, 0, 5, 6),
                                 meter_desc(lw::Format::CompactMeter, 0, 5, 6)};
    for (const lw::LogDescription& desc : descriptions) {
        SCOPED_TRACE(static_cast<int>(desc.format));
        auto log = new_log();
        ASSERT_EQ(open(log.get(), write("log", desc)), 0);
        ComPtr<ILogRecord> record;
        ASSERT_EQ(log->get_Item(2, record.put()), S_OK);
        for (const std::int32_t index : {-1, -2, -100, INT32_MIN}) {
            EXPECT_EQ(log->get_Item(index, record.put()), S_OK) << index;
            EXPECT_FALSE(record) << index;
        }
        EXPECT_EQ(next_time(log.get()), 40003) << "nothing was read, the position stayed";
    }
}

TEST_F(ObjectsTest, RecordEnumeratorKeepsItsLogAndAnswersAtTheEdges) {
    ComPtr<IEnumVARIANT> enumerator;
    {
        auto log = new_log();
        ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(6))), 0);
        enumerator = enumerator_of(log.get());
    }
    VARIANT v[10];
    EXPECT_EQ(enumerator->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(enumerator->Next(2, v, nullptr), S_OK);  // a null count is fine for any number
    VariantClear(&v[0]);
    VariantClear(&v[1]);
    ULONG fetched = 0;
    EXPECT_EQ(enumerator->Next(10, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 4u);
    for (ULONG i = 0; i < 10; ++i) {
        EXPECT_EQ(v[i].vt, i < 4 ? VT_DISPATCH : VT_EMPTY);
        VariantClear(&v[i]);
    }
    EXPECT_EQ(enumerator->Next(1, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Next(0, v, &fetched), S_OK);
    EXPECT_EQ(enumerator->Skip(1), E_FAIL);
    EXPECT_EQ(enumerator->Clone(nullptr), E_POINTER);
    IEnumVARIANT* clone = enumerator.get();
    EXPECT_EQ(enumerator->Clone(&clone), E_FAIL);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Next(1, v, &fetched), S_OK);
    EXPECT_EQ(read_record(take_element<ILogRecord>(v[0]).get())[0].time, 40000);
}

}  // namespace
}  // namespace corvex::objects::testing
