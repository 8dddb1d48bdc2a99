// Records, units, header and items as objects: their walks and enumerators,
// their lifetimes, factory-made instances, null out-pointers and late binding.
#include <functional>

#include "logmodule/objects/log.h"
#include "logmodule/objects/log_info.h"
#include "logmodule/objects/log_item.h"
#include "logmodule/objects/log_record.h"
#include "logmodule/objects/log_unit.h"
#include "objects_test_support.h"

namespace corvex::objects::testing {
namespace {

ComPtr<ILogRecord> first_record(ILog* log) {
    ComPtr<ILogRecord> record;
    EXPECT_EQ(log->get_Item(0, record.put()), S_OK);
    return record;
}

IUnknown* identity(IUnknown* p) {
    ComPtr<IUnknown> unknown;
    p->QueryInterface(IID_IUnknown, unknown.put_void());
    return unknown.get();
}

TEST_F(ObjectsTest, RecordHandsOutItsUnitsByIndexAndByWalk) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(2))), 0);
    auto record = first_record(log.get());
    ComPtr<ILogUnit> units[3];
    for (int k = 0; k < 3; ++k) ASSERT_EQ(record->get_Item(k, units[k].put()), S_OK);
    ComPtr<ILogUnit> again;
    ASSERT_EQ(record->get_Item(1, again.put()), S_OK);
    EXPECT_EQ(again.get(), units[1].get());

    for (const std::int32_t bad : {-1, 3, 1 << 30}) {
        ComPtr<ILogUnit> none;
        EXPECT_EQ(record->get_Item(bad, none.put()), E_INVALIDARG) << bad;
        EXPECT_FALSE(none);
    }
    // Each unit once, then one null, then from the start again.
    for (int round = 0; round < 2; ++round) {
        for (int k = 0; k <= 3; ++k) {
            ComPtr<IUnknown> unit;
            EXPECT_EQ(record->GetNextUnit(unit.put()), S_OK);
            EXPECT_EQ(unit.get(), k < 3 ? identity(units[k].get()) : nullptr) << "round " << round << " step " << k;
        }
    }
}

TEST_F(ObjectsTest, UnitEnumeratorStatusesAtTheEdges) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(2))), 0);
    auto record = first_record(log.get());
    auto enumerator = enumerator_of(record.get());
    VARIANT v[4];
    ULONG fetched = 9;
    EXPECT_EQ(enumerator->Next(3, v, nullptr), E_POINTER);
    EXPECT_EQ(enumerator->Next(1, nullptr, &fetched), E_POINTER);
    EXPECT_EQ(enumerator->Next(1, v, nullptr), S_OK);
    EXPECT_EQ(read_unit(take_element<ILogUnit>(v[0]).get()).channel, 1);
    EXPECT_EQ(enumerator->Skip(2), S_OK);  // landing exactly on the end
    EXPECT_EQ(enumerator->Next(1, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(4), S_FALSE);  // past the end
    EXPECT_EQ(enumerator->Next(1, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    EXPECT_EQ(enumerator->Skip(0), S_OK);
    EXPECT_EQ(enumerator->Skip(1), S_OK);

    ComPtr<IEnumVARIANT> clone;
    EXPECT_EQ(enumerator->Clone(nullptr), E_POINTER);
    ASSERT_EQ(enumerator->Clone(clone.put()), S_OK);
    record.reset();  // the enumerators keep their record
    for (IEnumVARIANT* e : {enumerator.get(), clone.get()}) {
        EXPECT_EQ(e->Next(4, v, &fetched), S_FALSE);
        ASSERT_EQ(fetched, 2u);
        EXPECT_EQ(read_unit(take_element<ILogUnit>(v[0]).get()).channel, 2);
        EXPECT_EQ(read_unit(take_element<ILogUnit>(v[1]).get()).channel, 3);
    }
}

// Item builds a new item each time; the enumerator (the platform's snapshot
// enumerator) hands out one set of items, the same objects again after Reset.
TEST_F(ObjectsTest, InformationBuildsItemsByIndexAndEnumeratesThemOnce) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("meter.log", meter_desc(lw::Format::Meter, 0, 5, 1))), 0);
    ComPtr<ILogInfo> info;
    ASSERT_EQ(log->GetLogInfo(info.put()), S_OK);
    for (const std::int32_t bad : {-1, 3, 12}) {
        ComPtr<ILogItem> none;
        EXPECT_EQ(info->get_Item(bad, none.put()), E_FAIL) << bad;
        EXPECT_FALSE(none);
    }
    ComPtr<ILogItem> a, b;
    ASSERT_EQ(info->get_Item(1, a.put()), S_OK);
    ASSERT_EQ(info->get_Item(1, b.put()), S_OK);
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(read_item(a.get()), read_item(b.get()));

    auto enumerator = enumerator_of(info.get());
    VARIANT v[3], w[3];
    ULONG fetched = 0;
    ASSERT_EQ(enumerator->Next(3, v, &fetched), S_OK);
    EXPECT_EQ(enumerator->Reset(), S_OK);
    ASSERT_EQ(enumerator->Next(3, w, &fetched), S_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i].pdispVal, w[i].pdispVal);
        VariantClear(&v[i]);
    }
    EXPECT_EQ(read_item(take_element<ILogItem>(w[0]).get()).label, u"Velocity");
    VariantClear(&w[1]);
    VariantClear(&w[2]);
}

// The log's information is built once per Open; a later Open builds new
// information and changes nothing handed out before it.
TEST_F(ObjectsTest, EverythingHandedOutOutlivesItsLog) {
    ComPtr<ILogRecord> record;
    ComPtr<ILogUnit> unit;
    ComPtr<ILogInfo> info, again, reopened;
    ComPtr<ILogItem> item;
    ComPtr<IEnumVARIANT> items;
    {
        auto log = new_log();
        ASSERT_EQ(open(log.get(), write("meter.log", meter_desc(lw::Format::Meter, 0, 3, 3))), 0);
        ASSERT_EQ(log->get_Item(2, record.put()), S_OK);
        ASSERT_EQ(record->get_Item(1, unit.put()), S_OK);
        ASSERT_EQ(log->GetLogInfo(info.put()), S_OK);
        ASSERT_EQ(log->GetLogInfo(again.put()), S_OK);
        EXPECT_EQ(info.get(), again.get());
        ASSERT_EQ(info->get_Item(0, item.put()), S_OK);
        items = enumerator_of(info.get());
        ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(2))), 0);
        ASSERT_EQ(log->GetLogInfo(reopened.put()), S_OK);
        EXPECT_NE(reopened.get(), info.get());
    }
    std::int16_t interval = 0;
    EXPECT_EQ(reopened->get_Interval(&interval), S_OK);
    EXPECT_EQ(interval, 30);
    EXPECT_EQ(info->get_Interval(&interval), S_OK);
    EXPECT_EQ(interval, 60);
    EXPECT_EQ(read_record(record.get()).size(), 3u);
    record.reset();
    EXPECT_EQ(read_unit(unit.get()), (UnitSeen{VT_R8, value_of(2, 1), 2 * 16 + 1, 40002, 9999, 3, 5}));
    std::int32_t count = 0;
    EXPECT_EQ(info->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    info.reset();
    EXPECT_EQ(read_item(item.get()).symbol, u"m/s");
    VARIANT v[3];
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(3, v, &fetched), S_OK);
    for (auto& element : v) EXPECT_EQ(read_item(take_element<ILogItem>(element).get()).computer, u"RZ417");
}

// Units, items, records and information a class factory makes are empty, as
// are the records and information of a log without channels; every operation
// still answers.
TEST_F(ObjectsTest, EmptyObjectsAnswerEverything) {
    ComPtr<ILogUnit> unit;
    ASSERT_EQ(LogUnit::create_instance(nullptr, IID_ILogUnit, unit.put_void()), S_OK);
    EXPECT_EQ(read_unit(unit.get()), (UnitSeen{VT_R8, 0, 0, 0, 0, 0, 0}));
    ComPtr<ILogItem> item;
    ASSERT_EQ(LogItem::create_instance(nullptr, IID_ILogItem, item.put_void()), S_OK);
    EXPECT_EQ(read_item(item.get()), ItemSeen{});

    ComPtr<ILogRecord> made, read;
    ComPtr<ILogInfo> made_info, read_info;
    ASSERT_EQ(LogRecord::create_instance(nullptr, IID_ILogRecord, made.put_void()), S_OK);
    ASSERT_EQ(LogInfo::create_instance(nullptr, IID_ILogInfo, made_info.put_void()), S_OK);
    double time = 1;
    std::int16_t flags = 1;
    EXPECT_EQ(made_info->get_StartTime(&time), S_OK);
    EXPECT_EQ(made_info->get_ErrorFlags(&flags), S_OK);
    EXPECT_EQ(time + flags, 0);
    auto desc = pc_desc(3);
    desc.channels.clear();
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("empty.log", desc)), 0);
    ASSERT_EQ(log->GetNextRecord(read.put()), S_OK);
    ASSERT_EQ(log->GetLogInfo(read_info.put()), S_OK);
    ASSERT_TRUE(read);

    const auto expect_empty_enumerator = [](IEnumVARIANT* enumerator) {
        ASSERT_TRUE(enumerator);
        VARIANT v;
        ULONG fetched = 9;
        EXPECT_EQ(enumerator->Next(1, &v, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(enumerator->Skip(1), S_FALSE);
        EXPECT_EQ(enumerator->Reset(), S_OK);
    };
    for (ILogRecord* record : {made.get(), read.get()}) {
        EXPECT_TRUE(read_record(record).empty());
        for (int i = 0; i < 2; ++i) {
            ComPtr<IUnknown> none;
            EXPECT_EQ(record->GetNextUnit(none.put()), S_OK);
            EXPECT_FALSE(none);
        }
        ComPtr<ILogUnit> no_unit;
        EXPECT_EQ(record->get_Item(0, no_unit.put()), E_INVALIDARG);
        expect_empty_enumerator(enumerator_of(record).get());
    }
    for (ILogInfo* info : {made_info.get(), read_info.get()}) {
        std::int32_t count = 1;
        EXPECT_EQ(info->get_Count(&count), S_OK);
        EXPECT_EQ(count, 0);
        ComPtr<ILogItem> no_item;
        EXPECT_EQ(info->get_Item(0, no_item.put()), E_FAIL);
        EXPECT_FALSE(no_item);
        expect_empty_enumerator(enumerator_of(info).get());
    }
}

TEST_F(ObjectsTest, NullOutPointersAnswerEPointer) {
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(2))), 0);
    auto record = first_record(log.get());
    ComPtr<ILogUnit> unit;
    ASSERT_EQ(record->get_Item(0, unit.put()), S_OK);
    ComPtr<ILogInfo> info;
    ASSERT_EQ(log->GetLogInfo(info.put()), S_OK);
    ComPtr<ILogItem> item;
    ASSERT_EQ(info->get_Item(0, item.put()), S_OK);
    const std::function<HRESULT()> calls[] = {
        [&] { return log->get__NewEnum(nullptr); },     [&] { return log->get_Item(0, nullptr); },
        [&] { return log->GetNextRecord(nullptr); },    [&] { return log->Seek(0, 0, nullptr); },
        [&] { return log->GetLogInfo(nullptr); },       [&] { return log->get_Count(nullptr); },
        [&] { return record->get_Item(0, nullptr); },   [&] { return record->get__NewEnum(nullptr); },
        [&] { return record->GetNextUnit(nullptr); },   [&] { return record->get_Count(nullptr); },
        [&] { return unit->get_Value(nullptr); },       [&] { return unit->get_Error(nullptr); },
        [&] { return unit->get_Time(nullptr); },        [&] { return unit->get_Enum(nullptr); },
        [&] { return unit->get_Input(nullptr); },       [&] { return unit->get_Channel(nullptr); },
        [&] { return info->get__NewEnum(nullptr); },    [&] { return info->get_Item(0, nullptr); },
        [&] { return info->get_StartTime(nullptr); },   [&] { return info->get_EndTime(nullptr); },
        [&] { return info->get_CyclicFlags(nullptr); }, [&] { return info->get_ErrorFlags(nullptr); },
        [&] { return info->get_Interval(nullptr); },    [&] { return info->get_Count(nullptr); },
        [&] { return item->get_UnitType(nullptr); },    [&] { return item->get_Input(nullptr); },
        [&] { return item->get_Channel(nullptr); },     [&] { return item->get_Computer(nullptr); },
        [&] { return item->get_Label(nullptr); },       [&] { return item->get_Comport(nullptr); },
        [&] { return item->get_NodeID(nullptr); },      [&] { return item->get_Width(nullptr); },
        [&] { return item->get_Decimal(nullptr); },     [&] { return item->get_Symbol(nullptr); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(calls[i](), E_POINTER) << "call " << i;
}

}  // namespace
}  // namespace corvex::objects::testing
