package com.vavurerazev.javablackberry;

/** The type codes the server describes its parameters with. */
public final class DBXDataTypes {
  public static final int UnknownType = 0, AnsiStringType = 1, DateType = 2, BlobType = 3,
      BooleanType = 4, Int16Type = 5, Int32Type = 6, DoubleType = 7, BcdType = 8, BytesType = 9,
      TimeType = 10, DateTimeType = 11, UInt16Type = 12, UInt32Type = 13, VarBytesType = 15,
      CursorType = 17, Int64Type = 18, UInt64Type = 19, AdtType = 20, ArrayType = 21, RefType = 22,
      TableType = 23, TimeStampType = 24, CurrencyType = 25, WideStringType = 26, SingleType = 27,
      Int8Type = 28, UInt8Type = 29, ObjectType = 30, CharArrayType = 31, BinaryBlobType = 33,
      DBXConnectionType = 34, VariantType = 35, TimeStampOffsetType = 36, JsonValueType = 37,
      CallbackType = 38;

  private DBXDataTypes() {}
}
