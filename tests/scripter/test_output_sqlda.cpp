// The result buffer: descriptor lifecycle, buffer allocation per type, and
// the raw row copies that StoreRow keeps.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "foundation/errors.h"
#include "result_builder.h"
#include "scripter/output_sqlda.h"

namespace {

class OutputSQLDATest : public ::testing::Test {
  protected:
    TcOutputSQLDA buffer;
    TcResultBuilder builder{buffer};
};

TEST_F(OutputSQLDATest, ResetClearAndCapacityManageTheDescriptor) {
    EXPECT_EQ(buffer.Descriptor(), nullptr);
    EXPECT_EQ(buffer.ColumnCount(), 0);

    buffer.ResetResult();
    ASSERT_NE(buffer.Descriptor(), nullptr);
    EXPECT_EQ(buffer.Descriptor()->version, SQLDA_VERSION1);
    EXPECT_EQ(buffer.Descriptor()->sqln, 10);
    EXPECT_EQ(buffer.Descriptor()->sqld, 0);
    EXPECT_EQ(buffer.Descriptor()->sqlvar[9].sqldata, nullptr);

    // A statement with as many columns as allocated keeps its descriptor.
    XSQLDA* first = buffer.Descriptor();
    buffer.Descriptor()->sqld = 10;
    EXPECT_FALSE(buffer.EnsureCapacity());
    EXPECT_EQ(buffer.Descriptor(), first);

    // One more: a fresh, empty descriptor for all of them, to describe again.
    buffer.Descriptor()->sqld = 11;
    EXPECT_TRUE(buffer.EnsureCapacity());
    EXPECT_EQ(buffer.Descriptor()->sqln, 11);
    EXPECT_EQ(buffer.Descriptor()->sqld, 0);
    EXPECT_EQ(buffer.Descriptor()->version, SQLDA_VERSION1);

    buffer.ClearResult();
    EXPECT_EQ(buffer.Descriptor(), nullptr);
    EXPECT_FALSE(buffer.EnsureCapacity());
}

struct TFieldLengthCase {
    const char* Name;
    short Type;
    short Length;
    int Expected;
};

class FieldLengthTest : public OutputSQLDATest,
                        public ::testing::WithParamInterface<TFieldLengthCase> {};

TEST_P(FieldLengthTest, BytesPerTypeIgnoreTheNullableBit) {
    const TFieldLengthCase& c = GetParam();
    for (short nullable : {0, 1}) {
        builder.Define({{static_cast<short>(c.Type + nullable), 0, c.Length, "C"}});
        EXPECT_EQ(buffer.GetFieldLength(0), c.Expected) << "nullable " << nullable;
        EXPECT_EQ(buffer.RowSize(), c.Expected + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Types, FieldLengthTest,
                         ::testing::Values(TFieldLengthCase{"Varying", SQL_VARYING, 40, 42},
                                           TFieldLengthCase{"Text", SQL_TEXT, 10, 10},
                                           TFieldLengthCase{"Double", SQL_DOUBLE, 8, 8},
                                           TFieldLengthCase{"Float", SQL_FLOAT, 4, 4},
                                           TFieldLengthCase{"LongIgnoresSqllen", SQL_LONG, 7, 4},
                                           TFieldLengthCase{"Short", SQL_SHORT, 2, 2},
                                           TFieldLengthCase{"Timestamp", SQL_TIMESTAMP, 8, 8},
                                           TFieldLengthCase{"BlobId", SQL_BLOB, 3, 8},
                                           TFieldLengthCase{"ArrayId", SQL_ARRAY, 3, 8},
                                           TFieldLengthCase{"Time", SQL_TYPE_TIME, 4, 4},
                                           TFieldLengthCase{"Date", SQL_TYPE_DATE, 4, 4},
                                           TFieldLengthCase{"Int64", SQL_INT64, 8, 8},
                                           TFieldLengthCase{"Boolean", SQL_BOOLEAN, 1, 1}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(OutputSQLDATest, UnsupportedTypeFailsBeforeAnyBufferIsAllocated) {
    // SQL_NULL is the type of an untyped parameter, never of a column.
    for (short type : {SQL_D_FLOAT, SQL_QUAD, SQL_NULL + 1}) {
        SCOPED_TRACE(type);
        buffer.ResetResult();
        XSQLDA* d = buffer.Descriptor();
        d->sqld = 2;
        d->sqlvar[0].sqltype = SQL_LONG + 1;
        d->sqlvar[0].sqllen = 4;
        d->sqlvar[1].sqltype = type;
        d->sqlvar[1].sqllen = 8;
        try {
            buffer.AllocateBuffers();
            FAIL() << "no error";
        } catch (const EInternal& e) {
            EXPECT_STREQ(e.what(),
                         "Internal error. Location: TcOutputSQLDA.GetFieldLength. Message: "
                         "Datatype not supported.");
        }
        EXPECT_EQ(d->sqlvar[0].sqldata, nullptr);
        EXPECT_EQ(d->sqlvar[0].sqlind, nullptr);
    }
}

TEST_F(OutputSQLDATest, IndicatorsOnlyForNullableColumnsAndAlignedData) {
    builder.Define({{SQL_TEXT, 0, 3, "A"},
                    {SQL_INT64 + 1, 0, 8, "B"},
                    {SQL_SHORT, 0, 2, "C"},
                    {SQL_DOUBLE + 1, 0, 8, "D"}});
    const XSQLDA* d = buffer.Descriptor();
    EXPECT_EQ(d->sqlvar[0].sqlind, nullptr);
    EXPECT_NE(d->sqlvar[1].sqlind, nullptr);
    EXPECT_EQ(d->sqlvar[2].sqlind, nullptr);
    EXPECT_NE(d->sqlvar[3].sqlind, nullptr);
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(d->sqlvar[i].sqldata, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(d->sqlvar[i].sqldata) % 8, 0u) << i;
    }
    EXPECT_EQ(buffer.RowSize(), (3 + 1) + (8 + 1) + (2 + 1) + (8 + 1));
    EXPECT_EQ(buffer.ColumnOffset(0), 0);
    EXPECT_EQ(buffer.ColumnOffset(1), 4);
    EXPECT_EQ(buffer.ColumnOffset(2), 13);
    EXPECT_EQ(buffer.ColumnOffset(3), 16);
}

TEST_F(OutputSQLDATest, StoreRowCopiesNullByteAndDataEvenForNull) {
    builder.Define({{SQL_LONG + 1, 0, 4, "A"}, {SQL_VARYING, 0, 5, "B"}});
    builder.Put<int32_t>(0, 0x01020304).PutVarying(1, "hello");
    builder.Store();
    // NULL keeps whatever the data buffer holds; the copy carries it along.
    builder.PutNull(0).PutVarying(1, "x");
    builder.Store();

    ASSERT_EQ(buffer.RowCount(), 2);
    const char expected0[] = {0, 4, 3, 2, 1, 0, 5, 0, 'h', 'e', 'l', 'l', 'o'};
    const char expected1[] = {1, 4, 3, 2, 1, 0, 1, 0, 'x', 'e', 'l', 'l', 'o'};
    ASSERT_EQ(buffer.RowSize(), static_cast<int>(sizeof expected0));
    EXPECT_EQ(std::memcmp(buffer.Row(0), expected0, sizeof expected0), 0);
    EXPECT_EQ(std::memcmp(buffer.Row(1), expected1, sizeof expected1), 0);
}

TEST_F(OutputSQLDATest, ManyRowsKeepTheirOwnValuesAcrossBlocks) {
    // Wide enough rows that several blocks are needed, and a count that
    // leaves the last block partly filled.
    builder.Define({{SQL_INT64, 0, 8, "N"}, {SQL_TEXT, 0, 1000, "PAD"}});
    constexpr int kRows = 3000;
    for (int64_t i = 0; i < kRows; ++i) {
        builder.Put<int64_t>(0, i * 7).PutText(1, std::to_string(i));
        builder.Store();
    }
    ASSERT_EQ(buffer.RowCount(), kRows);
    for (int i = 0; i < kRows; ++i) {
        int64_t value;
        std::memcpy(&value, buffer.Row(i) + 1, sizeof value);
        ASSERT_EQ(value, i * 7) << "row " << i;
        const std::string text = std::to_string(i);
        ASSERT_EQ(std::memcmp(buffer.Row(i) + 10, text.data(), text.size()), 0) << "row " << i;
    }
}

TEST_F(OutputSQLDATest, NewBuffersOrResetDropTheRows) {
    builder.Define({{SQL_SHORT, 0, 2, "A"}});
    builder.Put<int16_t>(0, 1).Store();
    buffer.AllocateBuffers();
    EXPECT_EQ(buffer.RowCount(), 0);
    builder.Put<int16_t>(0, 2).Store();
    buffer.ResetResult();
    EXPECT_EQ(buffer.RowCount(), 0);
    EXPECT_EQ(buffer.ColumnCount(), 0);
}

}  // namespace
