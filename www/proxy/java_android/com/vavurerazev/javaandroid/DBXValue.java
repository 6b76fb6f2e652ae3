package com.vavurerazev.javaandroid;

import java.text.ParseException;
import java.text.SimpleDateFormat;
import java.util.Date;

/** The value of one command parameter, or of a value-holder argument. */
public class DBXValue {
  private Object value;
  private boolean isNull = true;
  private String typeName = "";

  private DBXValue set(Object v) {
    value = v;
    isNull = v == null;
    return this;
  }

  private long number() {
    if (value instanceof Number) return ((Number) value).longValue();
    if (value instanceof Boolean) return ((Boolean) value) ? 1 : 0;
    return value == null ? 0 : Long.parseLong(value.toString());
  }

  private double real() {
    if (value instanceof Number) return ((Number) value).doubleValue();
    return value == null ? 0 : Double.parseDouble(value.toString());
  }

  private String text() { return value == null ? null : value.toString(); }

  public boolean isNull() { return isNull; }
  public String getTypeName() { return typeName; }
  public Object getObject() { return value; }

  public void SetTDBXNull(String typeName) {
    this.typeName = typeName;
    set(null);
  }

  public void SetAsAnsiString(String v) { set(v); }
  public String GetAsAnsiString() { return text(); }
  public void SetAsString(String v) { set(v); }
  public String GetAsString() { return text(); }
  public void SetAsBoolean(boolean v) { set(v); }
  public boolean GetAsBoolean() { return value instanceof Boolean ? (Boolean) value : number() != 0; }
  public void SetAsInt8(int v) { set((long) v); }
  public int GetAsInt8() { return (int) number(); }
  public void SetAsUInt8(int v) { set((long) v); }
  public int GetAsUInt8() { return (int) number(); }
  public void SetAsInt16(int v) { set((long) v); }
  public int GetAsInt16() { return (int) number(); }
  public void SetAsUInt16(int v) { set((long) v); }
  public int GetAsUInt16() { return (int) number(); }
  public void SetAsInt32(int v) { set((long) v); }
  public int GetAsInt32() { return (int) number(); }
  public void SetAsUInt32(int v) { set((long) v); }
  public int GetAsUInt32() { return (int) number(); }
  public void SetAsInt64(long v) { set(v); }
  public long GetAsInt64() { return number(); }
  public void SetAsUInt64(long v) { set(v); }
  public long GetAsUInt64() { return number(); }
  public void SetAsTDBXDate(int v) { set((long) v); }
  public int GetAsTDBXDate() { return (int) number(); }
  public void SetAsTDBXTime(int v) { set((long) v); }
  public int GetAsTDBXTime() { return (int) number(); }
  public void SetAsDouble(double v) { set(v); }
  public double GetAsDouble() { return real(); }
  public void SetAsCurrency(double v) { set(v); }
  public double GetAsCurrency() { return real(); }
  public void SetAsBcd(double v) { set(v); }
  public double GetAsBcd() { return real(); }
  public void SetAsSingle(float v) { set((double) v); }
  public float GetAsSingle() { return (float) real(); }
  public void SetAsDateTime(Date v) { set(v == null ? null : format().format(v)); }
  public Date GetAsDateTime() { return date(); }
  public void SetAsTimeStamp(Date v) { SetAsDateTime(v); }
  public Date GetAsTimeStamp() { return date(); }
  public void SetAsStream(TStream v) { set(v); }
  public TStream GetAsStream() { return (TStream) value; }
  public void SetAsJSONValue(TJSONValue v) { set(v); }
  public TJSONValue GetAsJSONValue() { return (TJSONValue) value; }
  public void SetAsTable(Object v) { set(v); }
  public Object GetAsTable() { return value; }
  public void SetAsObject(Object v) { set(v); }
  public Object GetAsObject() { return value; }
  public void SetAsDBXValue(DBXValue v) { set(v); }
  public DBXValue GetAsDBXValue() { return (DBXValue) value; }

  private static SimpleDateFormat format() { return new SimpleDateFormat("yyyy-MM-dd HH:mm:ss.SSS"); }

  private Date date() {
    try {
      return value == null ? null : format().parse(value.toString());
    } catch (ParseException e) {
      return null;
    }
  }

  /** The value as it travels: a JSON value for the body, its text for a URL segment. */
  public TJSONValue toJSON() {
    Object v = value instanceof DBXValue ? ((DBXValue) value).value : value;
    if (v == null) return new TJSONNull();
    if (v instanceof TJSONValue) return (TJSONValue) v;
    if (v instanceof Boolean) return ((Boolean) v) ? new TJSONTrue() : new TJSONFalse();
    if (v instanceof Number) return new TJSONNumber(((Number) v).doubleValue());
    if (v instanceof TStream) {
      TJSONArray bytes = new TJSONArray();
      for (byte b : ((TStream) v).asBytes()) bytes.add(new TJSONNumber(b & 0xFF));
      return bytes;
    }
    if (v instanceof TDBXReader) return ((TDBXReader) v).asJSONObject();
    return new TJSONString(v.toString());
  }

  /** Takes an output value as the server answered it. */
  public void fromJSON(TJSONValue json, int dbxType, String declaredType) {
    Object v;
    if (json == null || json instanceof TJSONNull) v = null;
    else if (dbxType == DBXDataTypes.JsonValueType) v = json;
    else if (json instanceof TJSONString) v = ((TJSONString) json).getValue();
    else if (json instanceof TJSONTrue) v = Boolean.TRUE;
    else if (json instanceof TJSONFalse) v = Boolean.FALSE;
    else if (json instanceof TJSONNumber) {
      TJSONNumber n = (TJSONNumber) json;
      boolean real = dbxType == DBXDataTypes.DoubleType || dbxType == DBXDataTypes.SingleType
          || dbxType == DBXDataTypes.CurrencyType || dbxType == DBXDataTypes.BcdType;
      v = real ? (Object) n.getValue() : (Object) n.getLong();
    } else if (json instanceof TJSONArray && dbxType == DBXDataTypes.BinaryBlobType) {
      TJSONArray a = (TJSONArray) json;
      byte[] bytes = new byte[a.size()];
      for (int i = 0; i < bytes.length; i++) bytes[i] = (byte) ((TJSONNumber) a.get(i)).getLong();
      v = new TStream(bytes);
    } else if (json instanceof TJSONObject && dbxType == DBXDataTypes.TableType) {
      TJSONObject table = (TJSONObject) json;
      v = "TParams".equals(declaredType) ? new TParams(table)
          : "TDataSet".equals(declaredType) ? new TDataSet(table) : new TDBXReader(table);
    } else v = json;
    if (!(value instanceof DBXValue) && declaredType != null && declaredType.startsWith("TDBX")
        && declaredType.endsWith("Value")) {
      try {
        String name = DBXValue.class.getPackage().getName() + "." + declaredType;
        value = Class.forName(name).getDeclaredConstructor().newInstance();
      } catch (ReflectiveOperationException e) {
        value = new DBXValue();
      }
    }
    if (value instanceof DBXValue) ((DBXValue) value).set(v);
    else set(v);
  }
}
