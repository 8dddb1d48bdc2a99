// The call-table order is the ABI: a client compiled against the Windows
// declarations or against the published tables calls slot numbers, not names.
#include <gtest/gtest.h>

#include <cstring>

#include "corvex/corvex.h"

namespace {

// Under the Itanium C++ ABI a pointer to a virtual member function holds
// 1 + the byte offset of its slot in the vtable.
template <class M>
std::size_t slot_of(M member) {
    struct Raw {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw;
    static_assert(sizeof(M) == sizeof(Raw));
    std::memcpy(&raw, &member, sizeof raw);
    EXPECT_EQ(raw.ptr % sizeof(void*), 1u) << "not a virtual function";
    return (raw.ptr - 1) / sizeof(void*);
}

TEST(VtableLayout, PlatformInterfacesFollowTheirCallTables) {
    EXPECT_EQ(slot_of(&IUnknown::QueryInterface), 0u);
    EXPECT_EQ(slot_of(&IUnknown::Release), 2u);
    EXPECT_EQ(slot_of(&IDispatch::GetTypeInfoCount), 3u);
    EXPECT_EQ(slot_of(&IDispatch::Invoke), 6u);
    EXPECT_EQ(slot_of(&IEnumVARIANT::Next), 3u);
    EXPECT_EQ(slot_of(&IEnumVARIANT::Clone), 6u);
    EXPECT_EQ(slot_of(&IClassFactory::CreateInstance), 3u);
    EXPECT_EQ(slot_of(&IClassFactory::LockServer), 4u);
}

TEST(VtableLayout, PublishedInterfacesPutTheirMembersAfterIDispatch) {
    EXPECT_EQ(slot_of(&ILog::QueryInterface), 0u);
    EXPECT_EQ(slot_of(&ILog::Invoke), 6u);
    EXPECT_EQ(slot_of(&ILog::get__NewEnum), 7u);
    EXPECT_EQ(slot_of(&ILog::Open), 9u);
    EXPECT_EQ(slot_of(&ILog::get_Count), 13u);
    EXPECT_EQ(slot_of(&ILogRecord::GetNextUnit), 9u);
    EXPECT_EQ(slot_of(&ILogUnit::get_Channel), 12u);
    EXPECT_EQ(slot_of(&ILogInfo::get_Count), 14u);
    EXPECT_EQ(slot_of(&ILogItem::get_Symbol), 16u);
    EXPECT_EQ(slot_of(&IUnitTypeInfo::get_ModeName), 14u);
    EXPECT_EQ(slot_of(&IConvertLog::RZ417ToPC), 7u);
    EXPECT_EQ(slot_of(&IConvertLog::put_ComputerName), 10u);
    // Extensions are call-table only: their members follow IUnknown's three.
    EXPECT_EQ(slot_of(&ILogFormat::GetFormat), 3u);
    EXPECT_EQ(slot_of(&ILogFormat::GetRejectionReason), 4u);
    EXPECT_EQ(slot_of(&ILogBlocks::ReadRecords), 3u);
}

}  // namespace
